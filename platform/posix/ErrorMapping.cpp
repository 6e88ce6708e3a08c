#include "platform/posix/ErrorMapping.h"

#include <cerrno>
#include <string>
#include <utility>

#include "installer/FileServices.h"

namespace posix {
namespace {

// One table for the whole port; docs/behaviour.md lists the same mapping by code.
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

// What Windows says for each number the port reports.
constexpr std::pair<unsigned long, const char*> kWin32Texts[] = {
    {files::kErrorFileNotFound, "The system cannot find the file specified."},
    {files::kErrorPathNotFound, "The system cannot find the path specified."},
    {files::kErrorTooManyOpenFiles, "The system cannot open the file."},
    {files::kErrorAccessDenied, "Access is denied."},
    {files::kErrorNotEnoughMemory, "Not enough memory resources are available to process this command."},
    {files::kErrorNotSameDevice, "The system cannot move the file to a different disk drive."},
    {files::kErrorWriteProtect, "The media is write protected."},
    {files::kErrorGeneralFailure, "A device attached to the system is not functioning."},
    {files::kErrorSharingViolation, "The process cannot access the file because it is being used by another process."},
    {files::kErrorNotSupported, "The request is not supported."},
    {files::kErrorInvalidParameter, "The parameter is incorrect."},
    {files::kErrorDiskFull, "There is not enough space on the disk."},
    {files::kErrorInvalidName, "The filename, directory name, or volume label syntax is incorrect."},
    {files::kErrorAlreadyExists, "Cannot create a file when that file already exists."},
    {files::kErrorFilenameTooLong, "The filename or extension is too long."},
    {files::kErrorFileTooLarge, "The file size exceeds the limit allowed and cannot be saved."},
    {files::kErrorDirectory, "The directory name is invalid."},
    {files::kErrorIoDevice, "The request could not be performed because of an I/O device error."},
    {files::kErrorCantAccessFile, "The file cannot be accessed by the system."},
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

std::string ErrorText(unsigned long code) {
  for (const auto& [number, text] : posix::kWin32Texts) {
    if (number == code) return text;
  }
  return "Error " + std::to_string(code) + ".";
}

}  // namespace files
