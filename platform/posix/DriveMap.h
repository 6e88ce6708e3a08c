// The drive map: the Linux folder behind each drive letter.
#pragma once

#include <optional>
#include <string>

namespace posix {

// The user's home folder: $HOME where it names an absolute folder, else none.
std::optional<std::string> HomeFolder();

// The Linux folder behind drive `letter`: the entry "x:" in $WINEPREFIX/dosdevices
// (WINEPREFIX defaults to ~/.wine, and to none without a home); without one, d: is the first mounted disc, else
// /media/cdrom, and z: is /. Empty for any other unmapped letter.
// `mountinfo` is the mount table the discs are read from.
std::string DriveFolder(char letter, const std::string& mountinfo = "/proc/self/mountinfo");

}  // namespace posix
