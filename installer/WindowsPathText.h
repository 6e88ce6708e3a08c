// A Windows path's parts, read from its text alone: the installer's one reading of a
// path above the port, for the installer and the front ends alike.
#pragma once

#include <string_view>

namespace path_text {

// The drive of `path`, as "X:"; empty where it has none.
constexpr std::string_view DriveOf(std::string_view path) {
  const bool lettered = path.size() >= 2 && path[1] == ':' &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return lettered ? path.substr(0, 2) : std::string_view();
}

// The folder part of `path`, up to and with its last separator ('\' or '/'), and the
// name after it; the folder is empty where there is no separator.
struct FolderAndName {
  std::string_view folder;
  std::string_view name;
};
constexpr FolderAndName SplitLast(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator == std::string_view::npos) return {{}, path};
  return {path.substr(0, separator + 1), path.substr(separator + 1)};
}

// `path` without its last separator and what follows it; empty where nothing would be
// left of it but its first character.
constexpr std::string_view ParentOf(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string_view::npos || separator == 0 ? std::string_view() : path.substr(0, separator);
}

}  // namespace path_text
