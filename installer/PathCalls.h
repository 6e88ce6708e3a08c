// The port's calls for the installer's paths, with the one rule for their length: a
// path that did not fit its buffer, or is longer than Windows takes, fails with
// "filename too long" and never reaches the file system.
#pragma once

#include <cstddef>
#include <string_view>

#include "installer/ComposedPath.h"
#include "installer/FileServices.h"

// Windows' MAX_PATH: a path and its terminating null. A chooser's path buffer has as
// many bytes.
inline constexpr std::size_t kMaxPath = 260;
// The longest path, in UTF-16 units, that Windows' file calls take as documented:
// MAX_PATH less its null. (Wine 8 takes one unit more.)
inline constexpr std::size_t kLongestPath = kMaxPath - 1;
// The longest folder path CreateDirectory takes as documented: 248 with its null,
// MAX_PATH less room for an 8.3 name. (Wine 8 applies no such limit.)
inline constexpr std::size_t kLongestFolderPath = 248 - 1;

// True where `path` is no longer than kLongestPath; false, with kErrorFilenameTooLong
// set, where it is.
bool WithinPathLimit(std::string_view path);
// The same, for a composed path, which must also fit its buffer.
bool WithinPathLimit(const ComposedPath& path);

// FindFirst for a path or a composed pattern.
files::SearchHandle FindFirstAt(std::string_view pattern, files::FoundEntry& entry);
files::SearchHandle FindFirstAt(const ComposedPath& pattern, files::FoundEntry& entry);

// TallyEntries for a composed pattern.
bool TallyEntriesAt(const ComposedPath& pattern, files::EntryTally& tally);

// True when a search for the exact path finds an entry, a file as well as a folder.
bool EntryExists(std::string_view path);
bool EntryExists(const ComposedPath& path);

// CreateFolder for a path or a composed path, up to kLongestFolderPath.
bool CreateFolderAt(std::string_view path);
bool CreateFolderAt(const ComposedPath& path);

// IdentifyFolder and OpenFolder for a path.
std::optional<files::FolderIdentity> IdentifyFolderAt(std::string_view path);
files::FolderHandle OpenFolderAt(std::string_view path);
