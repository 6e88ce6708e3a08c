// Windows paths taken apart as Windows takes them: drive letters through the drive
// map, both separators, "." and ".." settled as Windows settles them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace posix {

// A Windows path taken apart.
struct WindowsPath {
  std::string root;                     // the Linux folder it starts at; empty for an unmapped drive
  std::vector<std::string> components;  // names below the root, "." and ".." settled
  bool invalidName = false;             // a "\\?\" path with an empty name: Windows refuses it (123)
};

// The name that `name`, a path's last component as written, stands for: without the
// dots and spaces Windows drops at a path's end. Empty for ".", ".." and a name that is
// nothing but dots: the folder itself or one above it, never a file of it.
std::string SettledName(std::string_view name);

// `folder` and `name` joined with one separator.
std::string JoinPath(std::string_view folder, std::string_view name);

// Takes `path` apart. "\\?\" and "\\.\" before a path are dropped, but the first
// marks it as taken literally, as Windows does: a doubled separator in it makes it
// invalid. A path without a drive starts at / when it starts with a
// separator, else at the current folder. Empty components are dropped, ".." never
// climbs above the root, and the last component loses its trailing dots and spaces
// unless a separator ends the path; a folder name before a separator loses one final
// dot.
WindowsPath ParseWindowsPath(std::string_view path);

// The Linux path of the root and the first `count` components as written; the root
// must not be empty.
std::string JoinAsWritten(const WindowsPath& path, std::size_t count);

}  // namespace posix
