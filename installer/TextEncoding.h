// The narrow encoding that paths and names are in: UTF-8 on Linux, the ANSI code page
// on Windows.
#pragma once

#include <cstddef>
#include <string_view>

namespace files {

// The byte length of the character that starts `text`; 1 for a byte that starts no
// whole character. The port supplies it.
std::size_t CharacterLength(std::string_view text);

// The length of `text` in UTF-16 units, as Windows counts a path's length: a character
// beyond U+FFFF (four bytes of UTF-8) takes two.
std::size_t Utf16Length(std::string_view text);

}  // namespace files
