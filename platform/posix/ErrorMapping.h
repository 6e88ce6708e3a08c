// errno values translated into the Win32 last-error numbers that the port reports.
#pragma once

namespace posix {

// The Win32 number for `errnoValue`; ERROR_GEN_FAILURE (31) for anything unlisted.
unsigned long Win32ErrorFromErrno(int errnoValue);

// Sets the port's last error from `errnoValue` and returns false, for one-line failure paths.
bool FailWithErrno(int errnoValue);

// Sets the port's last error to `code` and returns false.
bool FailWith(unsigned long code);

}  // namespace posix
