// Paths composed by formatting into a fixed capacity. A path that does not fit is
// kept whole but marked, so that it is refused instead of being used truncated.
#pragma once

#include <cstddef>
#include <string>

#include "installer/Format.h"

// A composed path, whatever its capacity.
class ComposedPath {
 public:
  const char* c_str() const { return m_text.c_str(); }
  const std::string& Text() const { return m_text; }
  bool Fits() const { return m_fits; }
  // The bytes its buffer holds, terminator included.
  std::size_t BufferSize() const { return m_capacity; }

 protected:
  explicit ComposedPath(std::size_t capacity) : m_capacity(capacity) {}

  std::string m_text;
  bool m_fits = true;

 private:
  std::size_t m_capacity;
};

// A composed path in a buffer of `Capacity` bytes, terminator included.
template <std::size_t Capacity>
class BoundedPath : public ComposedPath {
 public:
  BoundedPath() : ComposedPath(Capacity) {}

  // Formats `format` with `args` (C strings or composed paths); false when the text
  // does not fit the capacity or an argument did not fit its own.
  template <typename... Args>
  bool Format(const char* format, const Args&... args) {
    m_text = FormatText(format, ArgumentText(args)...);
    m_fits = m_text.size() < Capacity && (ArgumentFits(args) && ...);
    return m_fits;
  }

 private:
  static const char* ArgumentText(const char* text) { return text; }
  static const char* ArgumentText(const std::string& text) { return text.c_str(); }
  static const char* ArgumentText(const ComposedPath& path) { return path.c_str(); }
  static bool ArgumentFits(const char*) { return true; }
  static bool ArgumentFits(const std::string&) { return true; }
  static bool ArgumentFits(const ComposedPath& path) { return path.Fits(); }
};
