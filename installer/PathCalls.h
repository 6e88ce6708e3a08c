// The port's calls for the installer's paths, with the one rule for their length: a
// path that did not fit its buffer, or is longer than Windows takes, fails with
// "filename too long" and never reaches the file system.
#pragma once

#include <cstddef>
#include <string_view>

#include "installer/ComposedPath.h"
#include "installer/FileServices.h"
#include "installer/PathLimits.h"

// True where `path` is no longer than kLongestPath; false, with kErrorFilenameTooLong
// set, where it is.
bool WithinPathLimit(std::string_view path);
// The same, for a composed path, which must also fit its buffer.
bool WithinPathLimit(const ComposedPath& path);
// By how many characters a composed path breaks that rule: the bytes beyond its buffer
// or the UTF-16 units beyond kLongestPath, whichever is more; 0 where it keeps it.
std::size_t PathLimitExcess(const ComposedPath& path);

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
