// The narrow encoding that paths and names are in: UTF-8 on Linux, the ANSI code page
// on Windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace files {

// The byte length of the character that starts `text`; 1 for a byte that starts no
// whole character. The port supplies it.
std::size_t CharacterLength(std::string_view text);

// The length of `text` in UTF-16 units, as Windows counts a path's length: a character
// beyond U+FFFF (four bytes of UTF-8) takes two.
std::size_t Utf16Length(std::string_view text);

// `text` as a line meant for a person shows it: each control character written out
// (\x1b, \n), so that a name from a disc can neither drive a terminal nor start a line
// of its own. Text without control characters comes back as it is.
std::string ShownText(std::string_view text);

}  // namespace files
