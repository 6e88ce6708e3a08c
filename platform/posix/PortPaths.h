// Windows paths as the port's calls take them: refused where Windows refuses them at
// once, taken apart, and names settled as Windows settles a path's last component.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/FolderLookup.h"
#include "platform/posix/PathMapping.h"

namespace posix {

// `path` taken apart; nothing, with kErrorInvalidName set, where it is a literal "\\?\"
// path with an empty name, which Windows refuses.
std::optional<WindowsPath> ParseForCall(std::string_view path);

// The folder that holds the path's last component; nothing, with the last error set,
// where there is none (3; 5 for a drive or file-system root itself).
std::optional<ResolvedFolder> ParentFolderOf(const WindowsPath& path);

// The name that `name`, a path's last component as written, stands for: without the
// dots and spaces Windows drops at a path's end. Empty for ".", ".." and a name that is
// nothing but dots: the folder itself or one above it, never a file of it.
std::string SettledName(std::string_view name);

}  // namespace posix
