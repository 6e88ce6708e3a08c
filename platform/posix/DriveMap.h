// The drive map: the Linux folder behind each drive letter.
#pragma once

#include <string>

namespace posix {

// The Linux folder behind drive `letter`: the entry "x:" in $WINEPREFIX/dosdevices
// (WINEPREFIX defaults to ~/.wine); without one, d: is the first mounted disc, else
// /media/cdrom, and z: is /. Empty for any other unmapped letter.
std::string DriveFolder(char letter);

}  // namespace posix
