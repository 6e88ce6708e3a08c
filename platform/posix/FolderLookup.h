// Names found in Linux folders as Windows finds them, without regard to case, and the
// folders of a Windows path found one level at a time.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/PathMapping.h"

namespace posix {

// The name of the entry of `folder` called `name`: the exact name when present, else
// the first in listing order that differs only in case. Names holding '\' never match.
std::optional<std::string> FindNameInFolder(const std::string& folder, std::string_view name);

// The Linux path of the first `count` components, each found by FindNameInFolder and
// each a folder, with the folder's status as just read; on failure the Win32 error: 3
// for a missing root, a missing component or a plain file on the way, 267 when only
// the last one is a plain file.
struct ResolvedFolder {
  std::string path;
  unsigned long error = 0;
  struct stat status {};
};
ResolvedFolder ResolveFolder(const WindowsPath& path, std::size_t count);

}  // namespace posix
