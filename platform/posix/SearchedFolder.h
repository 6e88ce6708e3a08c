// The folder of the latest directory search, kept open for the copies that follow it:
// they find and open their files relative to it instead of walking their paths again.
#pragma once

#include <string>

#include "platform/posix/DirectoryStream.h"

namespace posix {

struct SearchedFolder {
  std::string folderText;  // the search pattern as written, up to its last separator
  std::string path;        // the Linux folder
  DirectoryStream directory;
  bool inKernelCopyRefused = false;  // its file system refused the in-kernel copy once

  int Fd() const { return directory ? dirfd(directory.get()) : -1; }
};

// This thread's latest search's folder; no directory before the first search, or when
// the latest found no folder.
SearchedFolder& LastSearchedFolder();

}  // namespace posix
