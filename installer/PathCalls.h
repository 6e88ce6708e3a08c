// The port's calls for composed paths. A path that did not fit its buffer fails
// them with "filename too long" and never reaches the file system.
#pragma once

#include "installer/ComposedPath.h"
#include "installer/FileServices.h"

// FindFirst for a composed pattern.
files::SearchHandle FindFirstAt(const ComposedPath& pattern, files::FoundEntry& entry);

// True when a search for the exact path finds an entry, a file as well as a folder.
bool EntryExists(const char* path);
bool EntryExists(const ComposedPath& path);

// CreateFolder for a composed path.
bool CreateFolderAt(const ComposedPath& path);

// CopyFileReplacing for composed paths.
bool CopyFileAt(const ComposedPath& source, const ComposedPath& destination, std::uint64_t* bytesCopied = nullptr,
                const files::CopyWatch* watch = nullptr);
