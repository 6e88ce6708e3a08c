#include "platform/posix/PathMapping.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/posix/DriveMap.h"

namespace posix {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

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
    const std::string_view last = path.substr(folderText.size());
    if (last == "." || last == "..") {
      Settle(parsed.components, std::string(last));
    } else if (std::string name = SettledName(last); !name.empty()) {
      Settle(parsed.components, std::move(name));
    }
  }
  return parsed;
}

std::string SettledName(std::string_view name) {
  if (name.find_first_not_of('.') == std::string_view::npos) return {};
  // Windows drops the dots and spaces at the very end of a path, not inside it.
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  return std::string(name);
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

}  // namespace posix
