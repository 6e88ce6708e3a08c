#include "platform/posix/NameMatching.h"

#include <cstdint>
#include <string>

#include "installer/TextEncoding.h"

namespace posix {
namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  // Greedy matching with one backtrack point: the latest star and where it resumed.
  // Both sides go a whole character at a time, so that a star always resumes where a
  // character of the name starts.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starAt = std::string_view::npos;
  std::size_t resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
      continue;
    }
    const std::size_t nameCharacter = files::CharacterLength(name.substr(n));
    const std::size_t patternCharacter = files::CharacterLength(pattern.substr(p));
    if (p < pattern.size() &&
        (pattern[p] == '?' || (patternCharacter == nameCharacter &&
                               EqualsIgnoringCase(pattern.substr(p, patternCharacter), name.substr(n, nameCharacter))))) {
      p += patternCharacter;
      n += nameCharacter;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      resumeAt += files::CharacterLength(name.substr(resumeAt));
      n = resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (UpperAscii(left[i]) != UpperAscii(right[i])) return false;
  }
  return true;
}

std::size_t HashIgnoringCase(std::string_view name) {
  // FNV-1a over the upper-case bytes: one pass, and no copy of the name.
  std::uint64_t hash = 14695981039346656037u;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(UpperAscii(c));
    hash *= 1099511628211u;
  }
  return static_cast<std::size_t>(hash);
}

bool ComesBefore(std::string_view left, std::string_view right) {
  const std::size_t common = left.size() < right.size() ? left.size() : right.size();
  for (std::size_t i = 0; i < common; ++i) {
    const auto l = static_cast<unsigned char>(UpperAscii(left[i]));
    const auto r = static_cast<unsigned char>(UpperAscii(right[i]));
    if (l != r) return l < r;
  }
  if (left.size() != right.size()) return left.size() < right.size();
  return left < right;
}

}  // namespace posix
