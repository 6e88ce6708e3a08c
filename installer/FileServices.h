// The file-services port: the few file-system primitives the installer needs, with
// the meanings and the error numbers of their Win32 namesakes. One implementation per
// platform sits below it and keeps nothing between calls but what the caller holds;
// the policy (how copies are named, put in place, retried and swept up) is the
// installer's. Every path and name crosses it as the program's narrow strings: the ANSI
// code page on Windows, as the system's narrow calls take it, and UTF-8 on Linux; a port
// converts them once, where they enter it, into what its system takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "installer/ErrorCodes.h"

namespace files {

// The port's own state behind a handle, and the port's way of letting it go.
struct SearchState;
struct FolderState;
struct SourceState;
struct NewFileState;
struct OwnFileState;
struct StateCloser {
  void operator()(SearchState* search) const noexcept;  // the port's FindClose
  void operator()(FolderState* folder) const noexcept;
  void operator()(SourceState* source) const noexcept;
  void operator()(NewFileState* file) const noexcept;  // discards a file not put in place
  void operator()(OwnFileState* file) const noexcept;
};
template <typename State>
using Handle = std::unique_ptr<State, StateCloser>;

// ---- Searches ----

// One entry yielded by a directory search.
struct FoundEntry {
  std::string name;
  bool isFolder = false;  // "." and ".." included; a link to a folder is no folder
  // Where no path can name the entry (its name holds a separator, or does not survive
  // the narrow encoding): the error its copy fails with, without being tried.
  unsigned long unnamable = 0;
};

using SearchHandle = Handle<SearchState>;

// Starts a search for `pattern` (wildcards * and ? in its last component) and yields
// the first entry; null, with the last error set, when nothing can be yielded.
SearchHandle FindFirst(const char* pattern, FoundEntry& entry);

// Yields the next entry; false, with the last error set, when there is none
// (kErrorNoMoreFiles at the search's natural end).
bool FindNext(SearchState& search, FoundEntry& entry);

// What a search for `pattern` would yield, counted without order: the entries that are
// no folders and their bytes. False, with the last error set, where the search would
// yield nothing.
struct EntryTally {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
};
bool TallyEntries(const char* pattern, EntryTally& tally);

// ---- Folders ----

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

// A folder open for the copies made in it, as long as the handle lives: what the port
// learns of the folder (on Linux the open folder, an index of its names, whether its
// file system copies in the kernel) is kept there, and nowhere else.
using FolderHandle = Handle<FolderState>;

// Opens the folder `path`; null, with the last error set, where no folder is there.
FolderHandle OpenFolder(const char* path);

// Calls `take` with the name of each entry of `folder` that is no folder.
void ListFiles(FolderState& folder, const std::function<void(const std::string& name)>& take);

// Removes the file `name` from `folder` unless a new file (of this install or another)
// holds it; false, with the last error set, where it stays.
bool RemoveUnheldFile(FolderState& folder, const char* name);

// ---- Copies ----

// A regular file of a folder, open for reading.
using SourceHandle = Handle<SourceState>;

// Opens the file `name` of `folder`, found as Windows finds it. Only a regular file
// opens: a folder fails with kErrorAccessDenied, a link (never followed) with
// kErrorCantAccessFile, a FIFO, a device or a socket with kErrorInvalidParameter.
SourceHandle OpenSource(FolderState& folder, const char* name);

// A new file in a folder, not yet in place: discarded, with any name it holds, when
// its handle goes before it is put in place.
using NewFileHandle = Handle<NewFileState>;

// A new file in `folder` without a visible name; null, with kErrorNotSupported, where
// the file system has no such files.
NewFileHandle CreateUnnamedFile(FolderState& folder);

// A new file in `folder` named `name`, held so that RemoveUnheldFile leaves it; null,
// with kErrorAlreadyExists, where the name is taken (or a sweep took the file before
// it was held).
NewFileHandle CreateHeldFile(FolderState& folder, const char* name);

// Gives the unnamed `file` the held name `name`; false, with kErrorAlreadyExists,
// where the name is taken.
bool HoldUnderName(NewFileState& file, const char* name);

// Told of a copy's progress a piece at a time (the bytes written so far, a few MiB
// apart at most); returns false to abandon the copy.
using CopyWatch = std::function<bool(std::uint64_t bytesSoFar)>;

// Writes all of `source` into `file`, and gives it the source's modification time.
// True only when every read and write succeeded and the bytes written equal the
// source's size as the system gives it; `bytesWritten` then tells that size. Where
// `watch` is given and abandons the copy, false with kErrorCancelled.
bool WriteCopy(NewFileState& file, SourceState& source, std::uint64_t& bytesWritten, const CopyWatch* watch);

// How a new file is put in place as the entry `name` of its folder: only where no entry
// has that name, in any case (else kErrorAlreadyExists; for an unnamed file only), or
// also in place of such an entry, in one step (for a file that holds a name). An entry
// that is a folder is never replaced (kErrorAccessDenied). Each call tries once and
// reports a refusal as it comes: kErrorSharingViolation or kErrorAccessDenied where the
// entry is held open or marked read-only, kErrorAlreadyExists where another writer gave
// the name while the file was put in place (the next call finds that entry).
enum class Placing { kWhereFree, kReplacing };
bool PutInPlace(NewFileState& file, const char* name, Placing how);

// Clears the read-only mark of the entry `name` of `folder`, which refuses to be
// replaced while it has one (on Windows); false where it has none or keeps it.
bool ClearReadOnlyMark(FolderState& folder, const char* name);

// Marks the entry `name` of `folder` read-only again; false where it cannot.
bool SetReadOnlyMark(FolderState& folder, const char* name);

// ---- The program's own files: its logs, and the server's configuration it reads ----
// These take paths of this system as they stand (no drive map on Linux), in the
// program's narrow encoding, and never block on anything but a regular file.

// A file of the program's own, open for writing.
using OwnFileHandle = Handle<OwnFileState>;

// Creates the file `path`, which must not be there: a link at that name, even one that
// points nowhere, is never followed. Null, with kErrorFileExists where anything has the
// name, or the last error.
OwnFileHandle CreateNewFile(const char* path);

// Opens the regular file `path` to be written from its start, created where nothing has
// the name; what it held is dropped only once it is known to be a regular file. Null,
// with kErrorInvalidParameter where something else (a folder, a FIFO, a device) has
// the name, or the last error.
OwnFileHandle OpenFileToReplace(const char* path);

// Writes all of `bytes` at the file's end; false, with the last error set, where not.
bool WriteToFile(OwnFileState& file, std::string_view bytes);

// Reads the regular file `path`, at most `limit` bytes of it, into `text`. False, with
// kErrorInvalidParameter where `path` is no regular file (a FIFO is not waited on), or
// the last error.
bool ReadSmallFile(const char* path, std::size_t limit, std::string& text);

// Creates the folder `path` and the folders above it that are missing, for the user
// alone; true where it is there already.
bool CreateFolders(const char* path);

// Calls `take` with the name of each regular file of the folder `path` (links and
// folders are passed over); false, with the last error set, where it cannot be listed.
bool ListRegularFiles(const char* path, const std::function<void(const std::string& name)>& take);

// Removes the file `path`; false, with the last error set, where it stays.
bool RemoveFile(const char* path);

// The identity of the folder that holds, or would hold, the file `path` (on Linux, where
// `path` is a link, the file it leads to); nothing, with the last error set, where that
// folder is not there.
std::optional<FolderIdentity> IdentifyFolderOfFile(const char* path);

// ---- Errors ----

// The last error of this thread's latest failed call, and its setter.
unsigned long LastError();
void SetLastError(unsigned long code);

}  // namespace files
