// The one service of the Linux file port that the Linux window port asks for: which
// discs are mounted, for the folder chooser's places (the drive map reads it too).
#pragma once

#include <string>
#include <vector>

namespace posix {

// The mount points of optical discs and disc images listed in `mountinfo` (the format
// of /proc/self/mountinfo), in the order they were mounted: the file systems iso9660
// and udf (desktops mount a disc under /media/USER/LABEL or /run/media/USER/LABEL),
// and ISO images mounted with fuseiso (fuse.fuseiso).
std::vector<std::string> MountedDiscs(const std::string& mountinfo = "/proc/self/mountinfo");

}  // namespace posix
