// The shell's words for why it could not open an address.
#pragma once

#include <windows.h>

#include <string>

namespace desktop {

// What ShellExecute's result `code` (32 or below) means, in words: its own numbers,
// not Win32's last errors.
std::string ShellExecuteProblem(INT_PTR code);

}  // namespace desktop
