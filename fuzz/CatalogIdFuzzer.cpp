// The catalog-ID cut: a prefix of the frame page's name, at most six bytes, never
// ending inside a character, and no shorter than that allows.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "installer/TargetPreparation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  const std::string_view id = CatalogIdOf(name);

  fuzz::Require(id.data() == name.data() && id.size() <= name.size(), "the ID is a prefix of the name");
  fuzz::Require(id.size() <= 6, "the ID holds at most six bytes");
  std::size_t boundary = 0;
  while (boundary < id.size()) boundary += fuzz::WellFormedLength(name.substr(boundary));
  fuzz::Require(boundary == id.size(), "the ID never ends inside a character");
  if (id.size() < name.size()) {
    fuzz::Require(id.size() + fuzz::WellFormedLength(name.substr(id.size())) > 6,
                  "the ID stops only where the next character would cross byte six");
  }
  return 0;
}
