// Where a Windows path is on this system, for a front end that explains a failure.
#pragma once

#include <string>

namespace files {

// On Linux the folder the drive map gives `path` (empty where its drive is not
// mapped); on Windows the path itself. The port supplies it.
std::string SystemPath(const char* path);

}  // namespace files
