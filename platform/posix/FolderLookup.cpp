#include "platform/posix/FolderLookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include "installer/ErrorCodes.h"
#include "platform/posix/DirectoryStream.h"
#include "platform/posix/NameMatching.h"

namespace posix {
namespace {

bool EntryPresent(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

}  // namespace

std::optional<std::string> FindNameInFolder(const std::string& folder, std::string_view name) {
  if (name.find('\\') != std::string_view::npos) return std::nullopt;
  if (EntryPresent(JoinPath(folder, name))) return std::string(name);

  const DirectoryStream directory = ReadDirectory(folder);
  if (!directory) return std::nullopt;
  std::optional<std::string> found;
  while (const dirent* entry = readdir(directory.get())) {
    const std::string_view candidate = entry->d_name;
    if (candidate.find('\\') != std::string_view::npos || !EqualsIgnoringCase(candidate, name)) continue;
    if (!found || candidate < *found) found = std::string(candidate);
  }
  return found;
}

ResolvedFolder ResolveFolder(const WindowsPath& path, std::size_t count) {
  ResolvedFolder resolved{path.root, 0};
  struct stat status {};
  // Where every name is there as written, the kernel settles the whole path in one
  // look-up, and the names found one by one would be the same.
  if (!path.root.empty()) {
    std::string direct = JoinAsWritten(path, count);
    if (stat(direct.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return {std::move(direct), 0, status};
  }
  if (path.root.empty() || stat(path.root.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return {{}, files::kErrorPathNotFound};
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<std::string> name = FindNameInFolder(resolved.path, path.components[i]);
    if (!name) return {{}, files::kErrorPathNotFound};
    resolved.path = JoinPath(resolved.path, *name);
    if (stat(resolved.path.c_str(), &status) != 0) return {{}, files::kErrorPathNotFound};
    if (!S_ISDIR(status.st_mode)) {
      return {{}, i + 1 == count ? files::kErrorDirectory : files::kErrorPathNotFound};
    }
  }
  resolved.status = status;
  return resolved;
}

}  // namespace posix
