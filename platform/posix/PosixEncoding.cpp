// The narrow encoding on Linux: UTF-8.
#include <string_view>

#include "installer/TextEncoding.h"

namespace files {

std::size_t CharacterLength(std::string_view text) {
  // UTF-8: a lead byte and the continuation bytes it announces, all present, making a
  // value that is a character: no longer form than needed, no surrogate, at most U+10FFFF.
  if (text.empty()) return 0;
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
  if (length == 1 || length > text.size()) return 1;
  char32_t value = lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 1;
    value = (value << 6) | (next & 0x3Fu);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
  return length;
}

}  // namespace files
