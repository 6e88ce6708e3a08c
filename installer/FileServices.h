// The file-services port: the few file-system services the installer needs, with
// the meanings and the error numbers of their Win32 namesakes. One implementation
// per platform sits below it; all policy stays above it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace files {

// Win32 last-error numbers. The trace lines show them, so every port reports in them.
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
  kErrorDiskFull = 112,
  kErrorInvalidParameter = 87,  // copying a special file: a FIFO, a device, a socket
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

// One entry yielded by a directory search.
struct FoundEntry {
  std::string name;
  bool isFolder = false;  // "." and ".." included; a link to a folder is no folder
  // Where no path can name the entry (its name holds a separator, or does not survive
  // the narrow encoding): the error its copy fails with, without being tried.
  unsigned long unnamable = 0;
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

// What a search for `pattern` would yield, counted without order: the entries that are
// no folders and their bytes. False, with the last error set, where the search would
// yield nothing.
struct EntryTally {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
};
bool TallyEntries(const char* pattern, EntryTally& tally);

// Yields the next entry; false, with the last error set, when there is none
// (kErrorNoMoreFiles at the search's natural end).
bool FindNext(SearchState& search, FoundEntry& entry);

// What tells a folder from any other while it is there: its volume and its place on
// that volume. A disc taken out of its drive, or another put in, leaves the path to its
// root with another identity, or none.
struct FolderIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FolderIdentity&) const = default;
};

// The identity of the folder `path`; nothing, with the last error set, where no folder
// is there.
std::optional<FolderIdentity> IdentifyFolder(const char* path);

// Creates one folder level; false, with the last error set, when it cannot
// (kErrorAlreadyExists when anything of that name is there).
bool CreateFolder(const char* path);

// The longest path, in UTF-16 units, that the file services take; a longer one fails
// with kErrorFilenameTooLong before anything is looked at. The platform's narrow-string
// calls apply this limit (measured under Wine 8: 260 units pass, 261 fail).
inline constexpr std::size_t kLongestPath = 260;

// Told of a copy's progress a piece at a time (the bytes written so far, a few MiB
// apart at most); returns false to abandon the copy.
using CopyWatch = std::function<bool(std::uint64_t bytesSoFar)>;

// Copies the regular file `source` to `destination`, replacing it. The copy is put in
// place only when it is complete: every read and write succeeded and the bytes written
// equal the source's size as the system gives it for the file being copied. Otherwise
// false, with the last error set, and the destination left as it was (a read-only
// mark that was cleared is put back). Where `bytesCopied` is given, a copy put in place
// tells its size there. Where `watch` is given and abandons the copy, false with
// kErrorCancelled, and nothing is put in place.
bool CopyFileReplacing(const char* source, const char* destination, std::uint64_t* bytesCopied = nullptr,
                       const CopyWatch* watch = nullptr);

// A copy is written into a temporary file in the destination folder, named
// kTemporaryPrefix and six letters or digits, and renamed over the destination once
// whole. An install that is killed can leave one behind: the first copy into a folder
// removes the temporary files found there, except those a running copy still holds
// (such a file is locked against removal from its creation to its rename).
inline constexpr std::string_view kTemporaryPrefix = ".zandrel2-";
inline constexpr std::size_t kTemporaryRandomCharacters = 6;

// The system's words for the error `code`, for a front end that explains a failure.
std::string ErrorText(unsigned long code);

// Where `path` is on this system, for a front end that explains a failure: on Linux
// the folder the drive map gives it (empty where its drive is not mapped), on Windows
// the path itself.
std::string SystemPath(const char* path);

// The last error of this thread's latest failed call, and its setter.
unsigned long LastError();
void SetLastError(unsigned long code);

// The byte length of the character that starts `text` in the platform's narrow
// encoding; 1 for a byte that starts no whole character.
std::size_t CharacterLength(std::string_view text);

}  // namespace files
