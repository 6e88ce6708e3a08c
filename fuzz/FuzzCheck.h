// What the fuzz targets share: a check that stops the run on a broken promise, and a
// strict UTF-8 reader for their reference answers, written from the standard's table
// of well-formed byte sequences.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

// Aborts, so that libFuzzer keeps the input, when `promise` does not hold.
inline void Require(bool promise, const char* what) {
  if (promise) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

// The byte length of the well-formed UTF-8 character that starts `text`; 1 for a
// byte that starts none, 0 for no text.
inline std::size_t WellFormedLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(0);
  std::size_t length = 1;
  unsigned secondLow = 0x80;
  unsigned secondHigh = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) secondLow = 0xA0;   // shorter forms are overlong
    if (lead == 0xED) secondHigh = 0x9F;  // surrogates are no characters
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) secondLow = 0x90;
    if (lead == 0xF4) secondHigh = 0x8F;  // beyond U+10FFFF
  }
  if (length == 1 || text.size() < length) return 1;
  if (byte(1) < secondLow || byte(1) > secondHigh) return 1;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 1;
  }
  return length;
}

}  // namespace fuzz
