// The permissions of what the port creates for the catalog: files 0644 and folders 0755
// whatever the user's umask, as a package manager gives files meant to be served, since
// the web server's workers run as another user. A folder that is there keeps its mode.
#pragma once

#include <sys/stat.h>

namespace posix {

inline constexpr mode_t kServedFileMode = 0644;
inline constexpr mode_t kServedFolderMode = 0755;

// Whether the process's umask takes a bit of those away (077 does, 022 does not): then
// each is given its mode again once created. True where the umask cannot be read.
bool UmaskNarrowsServedModes();

}  // namespace posix
