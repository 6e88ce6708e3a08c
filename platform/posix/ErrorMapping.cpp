#include "platform/posix/ErrorMapping.h"

#include <cerrno>
#include <utility>

#include "installer/FileServices.h"

namespace posix {
namespace {

constexpr unsigned long kErrorGeneralFailure = 31;

// One table for the whole port, in the order the README documents it.
constexpr std::pair<int, unsigned long> kErrnoToWin32[] = {
    {ENOENT, files::kErrorFileNotFound},
    {ENOTDIR, files::kErrorPathNotFound},
    {EACCES, files::kErrorAccessDenied},
    {EPERM, files::kErrorAccessDenied},
    {EISDIR, files::kErrorAccessDenied},
    {ELOOP, files::kErrorAccessDenied},
    {EMFILE, 4},   // too many open files
    {ENFILE, 4},
    {ENOMEM, files::kErrorNotEnoughMemory},
    {EROFS, files::kErrorWriteProtect},
    {EXDEV, 17},  // not the same device
    {ETXTBSY, files::kErrorSharingViolation},
    {EBUSY, files::kErrorSharingViolation},
    {EOPNOTSUPP, files::kErrorNotSupported},
    {EINVAL, 87},  // invalid parameter
    {ENOSPC, files::kErrorDiskFull},
    {EDQUOT, files::kErrorDiskFull},
    {EEXIST, files::kErrorAlreadyExists},
    {ENAMETOOLONG, files::kErrorFilenameTooLong},
    {EFBIG, 223},  // file too large
    {EIO, files::kErrorIoDevice},
};

}  // namespace

unsigned long Win32ErrorFromErrno(int errnoValue) {
  for (const auto& [fromErrno, toWin32] : kErrnoToWin32) {
    if (fromErrno == errnoValue) return toWin32;
  }
  return kErrorGeneralFailure;
}

bool FailWithErrno(int errnoValue) { return FailWith(Win32ErrorFromErrno(errnoValue)); }

bool FailWith(unsigned long code) {
  files::SetLastError(code);
  return false;
}

}  // namespace posix
