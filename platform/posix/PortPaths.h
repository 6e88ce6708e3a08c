// Windows paths as the port's calls take them: refused where Windows refuses them at
// once, taken apart, and names settled as Windows settles a path's last component.
#pragma once

#include <optional>
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

}  // namespace posix
