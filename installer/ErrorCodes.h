// The error numbers the file services report: Win32's last-error numbers, since the
// trace lines show them and every port reports in them. Each has its name and the
// system's words for it in one table.
#pragma once

#include <string>
#include <string_view>

namespace files {

enum ErrorCode : unsigned long {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorTooManyOpenFiles = 4,
  kErrorAccessDenied = 5,
  kErrorNotEnoughMemory = 8,
  kErrorNotSameDevice = 17,
  kErrorNoMoreFiles = 18,
  kErrorWriteProtect = 19,
  kErrorGeneralFailure = 31,  // what no other number says
  kErrorSharingViolation = 32,
  kErrorNotSupported = 50,
  kErrorFileExists = 80,  // a new file of the program's own whose name is taken
  kErrorInvalidParameter = 87,  // copying a special file: a FIFO, a device, a socket
  kErrorDiskFull = 112,
  kErrorInvalidName = 123,  // a file name holding a separator, which no path can name
  kErrorAlreadyExists = 183,
  kErrorFilenameTooLong = 206,
  kErrorFileTooLarge = 223,
  kErrorDirectory = 267,  // the folder name is invalid: a search below a plain file
  kErrorNoUnicodeTranslation = 1113,  // a name the narrow code page cannot hold
  kErrorIoDevice = 1117,
  kErrorCancelled = 1223,  // a copy abandoned for a stop
  kErrorCantAccessFile = 1920,  // copying a symbolic link, which is never followed
};

struct ErrorDescription {
  ErrorCode code;
  std::string_view name;  // the Windows headers' name
  std::string_view text;  // what Windows says for it
};

inline constexpr ErrorDescription kErrorDescriptions[] = {
    {kErrorSuccess, "ERROR_SUCCESS", "The operation completed successfully."},
    {kErrorFileNotFound, "ERROR_FILE_NOT_FOUND", "The system cannot find the file specified."},
    {kErrorPathNotFound, "ERROR_PATH_NOT_FOUND", "The system cannot find the path specified."},
    {kErrorTooManyOpenFiles, "ERROR_TOO_MANY_OPEN_FILES", "The system cannot open the file."},
    {kErrorAccessDenied, "ERROR_ACCESS_DENIED", "Access is denied."},
    {kErrorNotEnoughMemory, "ERROR_NOT_ENOUGH_MEMORY",
     "Not enough memory resources are available to process this command."},
    {kErrorNotSameDevice, "ERROR_NOT_SAME_DEVICE", "The system cannot move the file to a different disk drive."},
    {kErrorNoMoreFiles, "ERROR_NO_MORE_FILES", "There are no more files."},
    {kErrorWriteProtect, "ERROR_WRITE_PROTECT", "The media is write protected."},
    {kErrorGeneralFailure, "ERROR_GEN_FAILURE", "A device attached to the system is not functioning."},
    {kErrorSharingViolation, "ERROR_SHARING_VIOLATION",
     "The process cannot access the file because it is being used by another process."},
    {kErrorNotSupported, "ERROR_NOT_SUPPORTED", "The request is not supported."},
    {kErrorFileExists, "ERROR_FILE_EXISTS", "The file exists."},
    {kErrorInvalidParameter, "ERROR_INVALID_PARAMETER", "The parameter is incorrect."},
    {kErrorDiskFull, "ERROR_DISK_FULL", "There is not enough space on the disk."},
    {kErrorInvalidName, "ERROR_INVALID_NAME", "The filename, directory name, or volume label syntax is incorrect."},
    {kErrorAlreadyExists, "ERROR_ALREADY_EXISTS", "Cannot create a file when that file already exists."},
    {kErrorFilenameTooLong, "ERROR_FILENAME_EXCED_RANGE", "The filename or extension is too long."},
    {kErrorFileTooLarge, "ERROR_FILE_TOO_LARGE", "The file size exceeds the limit allowed and cannot be saved."},
    {kErrorDirectory, "ERROR_DIRECTORY", "The directory name is invalid."},
    {kErrorNoUnicodeTranslation, "ERROR_NO_UNICODE_TRANSLATION",
     "No mapping for the Unicode character exists in the target multi-byte code page."},
    {kErrorIoDevice, "ERROR_IO_DEVICE", "The request could not be performed because of an I/O device error."},
    {kErrorCancelled, "ERROR_CANCELLED", "The operation was canceled by the user."},
    {kErrorCantAccessFile, "ERROR_CANT_ACCESS_FILE", "The file cannot be accessed by the system."},
};

// The table's words for the error `code`; "Error N." for a number it lacks.
inline std::string TableText(unsigned long code) {
  for (const ErrorDescription& error : kErrorDescriptions) {
    if (error.code == code) return std::string(error.text);
  }
  return "Error " + std::to_string(code) + ".";
}

// The system's words for the error `code`, for a front end that explains a failure:
// on Windows the system's own, in its language, else the table's. The port supplies it.
std::string ErrorText(unsigned long code);

}  // namespace files
