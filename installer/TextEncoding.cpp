#include "installer/TextEncoding.h"

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

}  // namespace files
