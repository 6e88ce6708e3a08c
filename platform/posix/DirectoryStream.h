// A folder read entry by entry, closed when it goes.
#pragma once

#include <dirent.h>
#include <fcntl.h>

#include <memory>
#include <string>

#include "platform/posix/UniqueFd.h"

namespace posix {

struct DirectoryCloser {
  void operator()(DIR* directory) const noexcept { closedir(directory); }
};
using DirectoryStream = std::unique_ptr<DIR, DirectoryCloser>;

// Reads the folder at `path`; null, with errno set, when it cannot be opened.
inline DirectoryStream ReadDirectory(const std::string& path) { return DirectoryStream(opendir(path.c_str())); }

// Reads the folder open at `folderFd` from its start, through a descriptor of its own,
// so `folderFd` stays open for look-ups; null, with errno set, when it cannot.
inline DirectoryStream ReadDirectory(int folderFd) {
  UniqueFd reading(openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!reading) return nullptr;
  DirectoryStream directory(fdopendir(reading.Get()));
  if (directory) reading.Release();  // the stream owns it now
  return directory;
}

}  // namespace posix
