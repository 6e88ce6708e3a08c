#include "platform/posix/DriveMap.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "platform/posix/MountedDiscs.h"

namespace posix {
namespace {

// Wine's prefix: $WINEPREFIX, else ~/.wine; none without a home.
std::optional<std::string> WinePrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') return prefix;
  const std::optional<std::string> home = HomeFolder();
  if (!home) return std::nullopt;
  return *home + "/.wine";
}

bool EntryPresent(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

// A mount point as mountinfo writes it, with space, tab, line feed and backslash as
// three octal digits after a backslash.
std::string UnescapeMountPoint(std::string_view escaped) {
  std::string text;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const bool octal = escaped[i] == '\\' && i + 3 < escaped.size() &&
                       std::all_of(escaped.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   escaped.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                                   [](char c) { return c >= '0' && c <= '7'; });
    if (!octal) {
      text += escaped[i];
      continue;
    }
    text += static_cast<char>((escaped[i + 1] - '0') * 64 + (escaped[i + 2] - '0') * 8 + (escaped[i + 3] - '0'));
    i += 3;
  }
  return text;
}

}  // namespace

std::optional<std::string> HomeFolder() {
  // A relative HOME would put files wherever the program happens to start.
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return std::nullopt;
  return home;
}

std::vector<std::string> MountedDiscs(const std::string& mountinfo) {
  // A line: ID, parent ID, device, root, mount point, options, optional fields, "-",
  // then the file system type, the source and its options.
  static constexpr std::string_view kDiscTypes[] = {"iso9660", "udf", "fuse.fuseiso"};
  std::vector<std::string> discs;
  std::ifstream table(mountinfo);
  for (std::string line; std::getline(table, line);) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint, word;
    if (!(fields >> id >> parent >> device >> root >> mountPoint)) continue;
    while (fields >> word && word != "-") {
    }
    std::string type;
    if (!(fields >> type)) continue;
    if (std::find(std::begin(kDiscTypes), std::end(kDiscTypes), type) == std::end(kDiscTypes)) continue;
    discs.push_back(UnescapeMountPoint(mountPoint));
  }
  return discs;
}

std::string DriveFolder(char letter, const std::string& mountinfo) {
  const char lower = static_cast<char>(letter | 0x20);
  if (const std::optional<std::string> prefix = WinePrefix()) {
    std::string mapped = *prefix + "/dosdevices/" + lower + ':';
    if (EntryPresent(mapped)) return mapped;
  }
  if (lower == 'd') {
    const std::vector<std::string> discs = MountedDiscs(mountinfo);
    return discs.empty() ? "/media/cdrom" : discs.front();
  }
  if (lower == 'z') return "/";
  return {};
}

}  // namespace posix
