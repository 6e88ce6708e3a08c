// Windows paths as the port's calls take them: refused before anything is looked at
// where Windows refuses them, taken apart, and split where a copy's folder ends.
#pragma once

#include <optional>
#include <string_view>

#include "platform/posix/PathMapping.h"

namespace posix {

// `path` taken apart; nothing, with the last error set, where Windows refuses it at
// once: longer than files::kLongestPath UTF-16 units (206), or a literal "\\?\" path
// with an empty name (123).
std::optional<WindowsPath> ParseForCall(std::string_view path);

// True, with 206 set, where `path` is longer than Windows takes.
bool RefusedAsTooLong(std::string_view path);

// The folder that holds the path's last component; nothing, with the last error set,
// where there is none (3; 5 for a drive or file-system root itself).
std::optional<ResolvedFolder> ParentFolderOf(const WindowsPath& path);

// The text of `path` up to and with its last separator; empty where it has none.
std::string_view FolderTextOf(std::string_view path);

// True where `name`, a path's last component as written, is the name it stands for:
// not empty, not "." or "..", and not ending in the dots and spaces Windows drops.
bool IsPlainName(std::string_view name);

}  // namespace posix
