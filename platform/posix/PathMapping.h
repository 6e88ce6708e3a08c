// Windows paths on the Linux file system: drive letters through the Wine drive map,
// both separators, "." and ".." settled as Windows settles them, and names found
// without regard to case.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace posix {

// A Windows path taken apart.
struct WindowsPath {
  std::string root;                     // the Linux folder it starts at; empty for an unmapped drive
  std::vector<std::string> components;  // names below the root, "." and ".." settled
  bool invalidName = false;             // a "\\?\" path with an empty name: Windows refuses it (123)
};

// `folder` and `name` joined with one separator.
std::string JoinPath(std::string_view folder, std::string_view name);


// The Linux folder behind drive `letter`: the entry "x:" in $WINEPREFIX/dosdevices
// (WINEPREFIX defaults to ~/.wine); without one, d: is the first mounted disc, else
// /media/cdrom, and z: is /. Empty for any other unmapped letter.
std::string DriveFolder(char letter);

// Takes `path` apart. "\\?\" and "\\.\" before a path are dropped, but the first
// marks it as taken literally, as Windows does: a doubled separator in it makes it
// invalid. A path without a drive starts at / when it starts with a
// separator, else at the current folder. Empty components are dropped, ".." never
// climbs above the root, and the last component loses its trailing dots and spaces
// unless a separator ends the path; a folder name before a separator loses one final
// dot.
WindowsPath ParseWindowsPath(std::string_view path);

// The name of the entry of `folder` called `name`: the exact name when present, else
// the first in listing order that differs only in case. Names holding '\' never match.
std::optional<std::string> FindNameInFolder(const std::string& folder, std::string_view name);

// The Linux path of the root and the first `count` components as written; the root
// must not be empty.
std::string JoinAsWritten(const WindowsPath& path, std::size_t count);

// The Linux path of the first `count` components, each found by FindNameInFolder and
// each a folder, with the folder's status as just read; on failure the Win32 error: 3
// for a missing root, a missing component or a plain file on the way, 267 when only
// the last one is a plain file.
struct ResolvedFolder {
  std::string path;
  unsigned long error = 0;
  struct stat status {};
};
ResolvedFolder ResolveFolder(const WindowsPath& path, std::size_t count);

}  // namespace posix
