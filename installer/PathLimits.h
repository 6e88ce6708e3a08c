// The lengths Windows takes for a path, written once: the installer refuses longer
// paths by them, and the window framework sizes its path buffers by them.
#pragma once

#include <cstddef>

// Windows' MAX_PATH: a path and its terminating null. A chooser's path buffer has as
// many bytes.
inline constexpr std::size_t kMaxPath = 260;
// The longest path, in UTF-16 units, that Windows' file calls take as documented:
// MAX_PATH less its null. (Wine 8 takes one unit more.)
inline constexpr std::size_t kLongestPath = kMaxPath - 1;
// The longest folder path CreateDirectory takes as documented: 248 with its null,
// MAX_PATH less room for an 8.3 name. (Wine 8 applies no such limit.)
inline constexpr std::size_t kLongestFolderPath = 248 - 1;
