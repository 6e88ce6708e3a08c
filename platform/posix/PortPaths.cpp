#include "platform/posix/PortPaths.h"

#include "installer/FileServices.h"
#include "platform/posix/ErrorMapping.h"

namespace posix {
namespace {

// Windows counts a path's length in UTF-16 units: a character beyond U+FFFF takes two.
std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  while (!text.empty()) {
    const std::size_t length = files::CharacterLength(text);
    units += length == 4 ? 2 : 1;
    text.remove_prefix(length);
  }
  return units;
}

}  // namespace

bool RefusedAsTooLong(std::string_view path) {
  return Utf16Length(path) > files::kLongestPath && !FailWith(files::kErrorFilenameTooLong);
}

std::optional<WindowsPath> ParseForCall(std::string_view path) {
  if (RefusedAsTooLong(path)) return std::nullopt;
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

std::string_view FolderTextOf(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator + 1);
}

bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.back() != '.' && name.back() != ' ';
}

}  // namespace posix
