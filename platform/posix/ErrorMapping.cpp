#include "platform/posix/ErrorMapping.h"

#include <cerrno>
#include <string>
#include <utility>

#include "installer/ErrorCodes.h"
#include "installer/FileServices.h"

namespace posix {
namespace {

// One table for the whole port; docs/behaviour.md lists the same mapping by code, and
// a test holds the two together.
constexpr std::pair<int, unsigned long> kErrnoToWin32[] = {
    {ENOENT, files::kErrorFileNotFound},
    {ENOTDIR, files::kErrorPathNotFound},
    {EACCES, files::kErrorAccessDenied},
    {EPERM, files::kErrorAccessDenied},
    {EISDIR, files::kErrorAccessDenied},
    {ELOOP, files::kErrorAccessDenied},
    {EMFILE, files::kErrorTooManyOpenFiles},
    {ENFILE, files::kErrorTooManyOpenFiles},
    {ENOMEM, files::kErrorNotEnoughMemory},
    {EROFS, files::kErrorWriteProtect},
    {EXDEV, files::kErrorNotSameDevice},
    {ETXTBSY, files::kErrorSharingViolation},
    {EBUSY, files::kErrorSharingViolation},
    {EOPNOTSUPP, files::kErrorNotSupported},
    {EINVAL, files::kErrorInvalidParameter},
    {ENOSPC, files::kErrorDiskFull},
    {EDQUOT, files::kErrorDiskFull},
    {EEXIST, files::kErrorAlreadyExists},
    {ENAMETOOLONG, files::kErrorFilenameTooLong},
    {EFBIG, files::kErrorFileTooLarge},
    {EIO, files::kErrorIoDevice},
};

}  // namespace

unsigned long Win32ErrorFromErrno(int errnoValue) {
  for (const auto& [fromErrno, toWin32] : kErrnoToWin32) {
    if (fromErrno == errnoValue) return toWin32;
  }
  return files::kErrorGeneralFailure;
}

bool FailWithErrno(int errnoValue) { return FailWith(Win32ErrorFromErrno(errnoValue)); }

bool FailWith(unsigned long code) {
  files::SetLastError(code);
  return false;
}

}  // namespace posix

namespace files {

std::string ErrorText(unsigned long code) { return TableText(code); }

}  // namespace files
