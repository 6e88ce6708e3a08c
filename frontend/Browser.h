// The platform's one service for the front ends beyond files: handing an address to
// the user's browser.
#pragma once

#include <string>

namespace desktop {

// Opens `address` (a URL, or a file's path on this system) in the user's browser, the
// platform's own way: the desktop's opener (xdg-open) on Linux, the shell on Windows.
// False, with the reason in `problem`, where it could not be handed over.
bool OpenInBrowser(const std::string& address, std::string& problem);

}  // namespace desktop
