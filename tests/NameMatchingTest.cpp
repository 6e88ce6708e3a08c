#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "installer/TextEncoding.h"
#include "platform/posix/NameMatching.h"

namespace {

struct WildcardCase {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(NameMatching, WildcardsMatchAsWindowsSearchesDo) {
  const WildcardCase cases[] = {
      {"*fram*", "QXT905_frame.htm", true},
      {"*fram*", "QXT905_FRAME.HTM", true},   // letters without regard to case
      {"*FRAM*", "fram", true},
      {"*fram*", "fra.htm", false},
      {"*", ".", true},
      {"*", "..", true},
      {"*", "", true},
      {"Catalogs", "catalogs", true},          // an exact name, any case
      {"Catalogs", "Catalogs2", false},
      {"?", "a", true},
      {"?", "ab", false},
      {"?", "\xC3\xA9", true},                 // one character, two UTF-8 bytes
      {"a?c", "a\xE3\x81\x82" "c", true},
      {"*.jpg", "photo.JPG", true},
      {"*.jpg", "photo.jpg.bak", false},
      {"a*b*c", "aXbYbZc", true},              // backtracking over several stars
      {"a*b*c", "aXbYbZ", false},
      {"**x", "abx", true},
      {"", "", true},
      {"", "a", false},
  };
  for (const WildcardCase& c : cases) {
    EXPECT_EQ(posix::MatchesWildcard(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
  }
}

TEST(NameMatching, ListingOrderIsUpperCaseOrderThenBytes) {
  std::vector<std::string> names = {"b.htm", "A.htm", "a.htm", "_x.htm", "Z.htm", "a", "10.jpg", "9.jpg"};
  std::sort(names.begin(), names.end(), [](const std::string& l, const std::string& r) { return posix::ComesBefore(l, r); });
  // '_' sorts after the letters when they are compared in upper case, as NTFS does.
  const std::vector<std::string> expected = {"10.jpg", "9.jpg", "a", "A.htm", "a.htm", "b.htm", "Z.htm", "_x.htm"};
  EXPECT_EQ(names, expected);
}

TEST(NameMatching, CharacterLengthFollowsUtf8AndFallsBackToBytes) {
  const struct {
    const char* text;
    std::size_t length;
  } cases[] = {
      {"a", 1},
      {"\xC3\xA9x", 2},
      {"\xE3\x81\x82", 3},
      {"\xF0\x9F\x98\x80", 4},
      {"\xE3\x81", 1},      // cut short
      {"\xC3" "a", 1},      // no continuation byte
      {"\x80", 1},          // a lone continuation byte
      {"\xFF", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(files::CharacterLength(c.text), c.length) << c.text;
}

}  // namespace
