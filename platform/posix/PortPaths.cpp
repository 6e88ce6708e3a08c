#include "platform/posix/PortPaths.h"

#include "installer/ErrorCodes.h"
#include "platform/posix/ErrorMapping.h"

namespace posix {

std::optional<WindowsPath> ParseForCall(std::string_view path) {
  WindowsPath parsed = ParseWindowsPath(path);
  if (parsed.invalidName) {
    FailWith(files::kErrorInvalidName);
    return std::nullopt;
  }
  return parsed;
}

std::optional<ResolvedFolder> ParentFolderOf(const WindowsPath& path) {
  if (path.components.empty()) {
    FailWith(path.root.empty() ? files::kErrorPathNotFound : files::kErrorAccessDenied);
    return std::nullopt;
  }
  ResolvedFolder parent = ResolveFolder(path, path.components.size() - 1);
  if (parent.error != 0) {
    FailWith(files::kErrorPathNotFound);
    return std::nullopt;
  }
  return parent;
}

}  // namespace posix
