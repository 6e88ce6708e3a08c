#include "installer/TextEncoding.h"

#include <cstdio>

namespace files {

std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  while (!text.empty()) {
    const std::size_t length = CharacterLength(text);
    units += length == 4 ? 2 : 1;
    text.remove_prefix(length);
  }
  return units;
}

std::string ShownText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = CharacterLength(text);
    const auto first = static_cast<unsigned char>(text.front());
    char escaped[8] = {};
#ifdef _WIN32
    const bool strayByte = false;
#else
    // A byte that starts no UTF-8 character: a terminal may take 0x9b as CSI.
    const bool strayByte = length == 1 && first >= 0x80;
#endif
    if (length == 1 && (first < 0x20 || first == 0x7f || strayByte)) {
      const char* named = first == '\n' ? "\\n" : first == '\r' ? "\\r" : first == '\t' ? "\\t" : nullptr;
      if (named == nullptr) std::snprintf(escaped, sizeof escaped, "\\x%02x", first);
      shown += named != nullptr ? named : escaped;
#ifndef _WIN32
    } else if (length == 2 && first == 0xc2 && static_cast<unsigned char>(text[1]) < 0xa0) {
      // UTF-8's C1 controls (U+0080 to U+009F): a terminal takes U+009B as CSI.
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(text[1]));
      shown += escaped;
#endif
    } else {
      shown.append(text.substr(0, length));
    }
    text.remove_prefix(length < text.size() ? length : text.size());
  }
  return shown;
}

}  // namespace files
