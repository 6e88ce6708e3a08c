// How Windows compares names: case-insensitively, with * and ? wildcards, and in
// the order NTFS and CD file systems list a folder.
#pragma once

#include <cstddef>
#include <string_view>

namespace posix {

// True when `name` matches `pattern`: * any run of characters, ? one character,
// letters without regard to case.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// True when the two names differ at most in the case of their letters.
bool EqualsIgnoringCase(std::string_view left, std::string_view right);

// A hash that names equal without regard to case share.
std::size_t HashIgnoringCase(std::string_view name);

// The listing order of a folder: names compared letter by letter in upper case,
// names that differ only in case by their bytes.
bool ComesBefore(std::string_view left, std::string_view right);

}  // namespace posix
