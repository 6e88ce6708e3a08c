#include "platform/posix/PathMapping.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "installer/ErrorCodes.h"
#include "platform/posix/DirectoryStream.h"
#include "platform/posix/MountedDiscs.h"
#include "platform/posix/NameMatching.h"

namespace posix {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  const passwd* user = getpwuid(getuid());
  return user != nullptr ? user->pw_dir : "/";
}

std::string WinePrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') return prefix;
  return HomeFolder() + "/.wine";
}

bool EntryPresent(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

std::string CurrentFolder() {
  std::unique_ptr<char, decltype(&std::free)> folder(getcwd(nullptr, 0), &std::free);
  return folder ? folder.get() : "/";
}

// Splits on both separators, dropping empty components.
std::vector<std::string> SplitComponents(std::string_view text) {
  std::vector<std::string> components;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    if (end > start) components.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return components;
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

// Windows also drops the one dot that ends a folder name inside a path, so that the
// folder "ID." it created as "ID" is found again as "ID.\HTML".
void DropFolderDot(std::string& component) {
  if (component.back() == '.' && component.find_first_not_of('.') != std::string::npos) component.pop_back();
}

// Adds one name to the settled `components`: "." stays put, ".." climbs but never
// above the root.
void Settle(std::vector<std::string>& components, std::string part) {
  if (part == ".") return;
  if (part == "..") {
    if (!components.empty()) components.pop_back();
    return;
  }
  components.push_back(std::move(part));
}

// Settles the folder names of `text`, a path's part up to its last separator.
void SettleFolderText(std::vector<std::string>& components, std::string_view text) {
  for (std::string& part : SplitComponents(text)) {
    DropFolderDot(part);
    Settle(components, std::move(part));
  }
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string joined;
  joined.reserve(folder.size() + 1 + name.size());
  joined = folder;
  if (joined.empty() || joined.back() != '/') joined += '/';
  joined += name;
  return joined;
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

std::string DriveFolder(char letter) {
  const char lower = static_cast<char>(letter | 0x20);
  std::string mapped = WinePrefix() + "/dosdevices/" + lower + ':';
  if (EntryPresent(mapped)) return mapped;
  if (lower == 'd') {
    const std::vector<std::string> discs = MountedDiscs();
    return discs.empty() ? "/media/cdrom" : discs.front();
  }
  if (lower == 'z') return "/";
  return {};
}

WindowsPath ParseWindowsPath(std::string_view path) {
  // "\\?\C:\..." and "\\.\C:\..." name the same file as "C:\..." on Windows; the
  // first form is not settled there, so an empty name in it is refused.
  bool literal = false;
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == '?' || path[2] == '.') &&
      IsSeparator(path[3])) {
    literal = path[2] == '?';
    path.remove_prefix(4);
  }
  WindowsPath parsed;
  parsed.invalidName = literal && std::adjacent_find(path.begin(), path.end(), [](char left, char right) {
                                    return IsSeparator(left) && IsSeparator(right);
                                  }) != path.end();
  bool fromCurrentFolder = false;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
    parsed.root = DriveFolder(path[0]);
    path.remove_prefix(2);
  } else {
    parsed.root.push_back('/');
    fromCurrentFolder = path.empty() || !IsSeparator(path[0]);
  }

  const std::size_t lastSeparator = path.find_last_of("\\/");
  const std::string_view folderText =
      lastSeparator == std::string_view::npos ? std::string_view() : path.substr(0, lastSeparator + 1);
  if (fromCurrentFolder) {
    for (std::string& part : SplitComponents(CurrentFolder())) Settle(parsed.components, std::move(part));
  }
  SettleFolderText(parsed.components, folderText);

  if (folderText.size() < path.size()) {
    std::string last(path.substr(folderText.size()));
    DropFolderDot(last);
    if (last != "." && last != "..") {
      // Windows drops the dots and spaces at the very end of a path, not inside it.
      while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    }
    if (!last.empty()) Settle(parsed.components, std::move(last));
  }
  return parsed;
}

std::optional<std::string> FindNameInFolder(const std::string& folder, std::string_view name) {
  if (name.find('\\') != std::string_view::npos) return std::nullopt;
  if (EntryPresent(JoinPath(folder, name))) return std::string(name);

  const DirectoryStream directory = ReadDirectory(folder);
  if (!directory) return std::nullopt;
  std::optional<std::string> found;
  while (const dirent* entry = readdir(directory.get())) {
    const std::string_view candidate = entry->d_name;
    if (candidate.find('\\') != std::string_view::npos || !EqualsIgnoringCase(candidate, name)) continue;
    if (!found || candidate < *found) found = std::string(candidate);
  }
  return found;
}

std::string JoinAsWritten(const WindowsPath& path, std::size_t count) {
  std::size_t size = path.root.size();
  for (std::size_t i = 0; i < count; ++i) size += 1 + path.components[i].size();
  std::string joined;
  joined.reserve(size);
  joined = path.root;
  for (std::size_t i = 0; i < count; ++i) {
    if (joined.back() != '/') joined += '/';
    joined += path.components[i];
  }
  return joined;
}

ResolvedFolder ResolveFolder(const WindowsPath& path, std::size_t count) {
  ResolvedFolder resolved{path.root, 0};
  struct stat status {};
  // Where every name is there as written, the kernel settles the whole path in one
  // look-up, and the names found one by one would be the same.
  if (!path.root.empty()) {
    std::string direct = JoinAsWritten(path, count);
    if (stat(direct.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return {std::move(direct), 0, status};
  }
  if (path.root.empty() || stat(path.root.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return {{}, files::kErrorPathNotFound};
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::optional<std::string> name = FindNameInFolder(resolved.path, path.components[i]);
    if (!name) return {{}, files::kErrorPathNotFound};
    resolved.path = JoinPath(resolved.path, *name);
    if (stat(resolved.path.c_str(), &status) != 0) return {{}, files::kErrorPathNotFound};
    if (!S_ISDIR(status.st_mode)) {
      return {{}, i + 1 == count ? files::kErrorDirectory : files::kErrorPathNotFound};
    }
  }
  resolved.status = status;
  return resolved;
}

}  // namespace posix
