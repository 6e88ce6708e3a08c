// The file-services port: the few file-system services the installer needs, with
// the meanings and the error numbers of their Win32 namesakes. One implementation
// per platform sits below it; all policy stays above it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace files {

// Win32 last-error numbers. The trace lines show them, so every port reports in them.
enum ErrorCode : unsigned long {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorAccessDenied = 5,
  kErrorNotEnoughMemory = 8,
  kErrorNoMoreFiles = 18,
  kErrorWriteProtect = 19,
  kErrorSharingViolation = 32,
  kErrorNotSupported = 50,
  kErrorDiskFull = 112,
  kErrorInvalidName = 123,
  kErrorAlreadyExists = 183,
  kErrorFilenameTooLong = 206,
  kErrorDirectory = 267,  // the folder name is invalid: a search below a plain file
  kErrorIoDevice = 1117,
};

// One entry yielded by a directory search.
struct FoundEntry {
  std::string name;
  bool isRegularFile = false;  // neither a folder nor a link
};

// A running directory search; its closing is the port's FindClose.
struct SearchState;
struct SearchCloser {
  void operator()(SearchState* search) const noexcept;
};
using SearchHandle = std::unique_ptr<SearchState, SearchCloser>;

// Starts a search for `pattern` (wildcards * and ? in its last component) and yields
// the first entry; null, with the last error set, when nothing can be yielded.
SearchHandle FindFirst(const char* pattern, FoundEntry& entry);

// Yields the next entry; false, with the last error set, when there is none
// (kErrorNoMoreFiles at the search's natural end).
bool FindNext(SearchState& search, FoundEntry& entry);

// Creates one folder level; false, with the last error set, when it cannot
// (kErrorAlreadyExists when anything of that name is there).
bool CreateFolder(const char* path);

// Copies the regular file `source` to `destination`, replacing it; the destination
// is either the whole new file or left as it was. False, with the last error set.
bool CopyFileReplacing(const char* source, const char* destination);

// The last error of this thread's latest failed call, and its setter.
unsigned long LastError();
void SetLastError(unsigned long code);

// The byte length of the character that starts `text` in the platform's narrow
// encoding; 1 for a byte that starts no whole character.
std::size_t CharacterLength(std::string_view text);

}  // namespace files
