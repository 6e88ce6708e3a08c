// The folder of the latest directory search, kept open while that search is, for the
// copies made during it: they find and open their files relative to it instead of
// walking their paths again.
#pragma once

#include <string>

#include "installer/FileServices.h"
#include "platform/posix/DirectoryStream.h"

namespace posix {

struct SearchedFolder {
  std::string folderText;  // the search pattern as written, up to its last separator
  std::string path;        // the Linux folder
  DirectoryStream directory;
  const files::SearchState* search = nullptr;  // the search it belongs to
  bool inKernelCopyRefused = false;            // its file system refused the in-kernel copy once

  int Fd() const { return directory ? dirfd(directory.get()) : -1; }
};

// This thread's latest search's folder; no directory where that search found nothing
// or has ended.
SearchedFolder& LastSearchedFolder();

}  // namespace posix
