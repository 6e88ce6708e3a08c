// The wildcard matcher against a reference that follows the definition word for word:
// * matches any run of characters, ? one character, any other character itself, and
// letters match in either case. The first input byte says where the pattern ends.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/posix/NameMatching.h"

namespace {

char UpperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Tries every way, remembering the answer for each (pattern, name) position pair.
class ReferenceMatcher {
 public:
  ReferenceMatcher(std::string_view pattern, std::string_view name)
      : m_pattern(pattern), m_name(name), m_known((pattern.size() + 1) * (name.size() + 1), kUnknown) {}

  bool Matches(std::size_t p = 0, std::size_t n = 0) {
    signed char& known = m_known[p * (m_name.size() + 1) + n];
    if (known == kUnknown) known = Decide(p, n) ? 1 : 0;
    return known == 1;
  }

 private:
  static constexpr signed char kUnknown = -1;

  bool Decide(std::size_t p, std::size_t n) {
    if (p == m_pattern.size()) return n == m_name.size();
    const std::size_t character = fuzz::WellFormedLength(m_name.substr(n));
    switch (m_pattern[p]) {
      case '*':
        return Matches(p + 1, n) || (n < m_name.size() && Matches(p, n + character));
      case '?':
        return n < m_name.size() && Matches(p + 1, n + character);
      default: {
        const std::size_t literal = fuzz::WellFormedLength(m_pattern.substr(p));
        if (n == m_name.size() || literal != character) return false;
        for (std::size_t i = 0; i < literal; ++i) {
          if (UpperLetter(m_pattern[p + i]) != UpperLetter(m_name[n + i])) return false;
        }
        return Matches(p + literal, n + character);
      }
    }
  }

  std::string_view m_pattern;
  std::string_view m_name;
  std::vector<signed char> m_known;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t patternBytes = data[0] % (rest.size() + 1);
  const std::string_view pattern = rest.substr(0, patternBytes);
  const std::string_view name = rest.substr(patternBytes);
  if (name.size() > 512) return 0;  // longer than any file name, and the reference would be slow

  ReferenceMatcher reference(pattern, name);
  fuzz::Require(posix::MatchesWildcard(pattern, name) == reference.Matches(), "the matcher agrees with the definition");
  return 0;
}
