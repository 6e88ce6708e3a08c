// The folder that copies are going into, kept open between copies: its names without
// regard to case, so that a new name is known to be new without reading the folder
// again, and the sweep of temporary files that interrupted copies left in it.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

namespace posix {

// Where one copy goes.
struct Destination {
  int folderFd = -1;                    // the folder, open while it stays the one copied into; -1 if it cannot be
  std::optional<std::string> existing;  // the entry's name as the folder holds it, if there is one
};

// Finds the entry of `folder` (whose `status` the caller has just read) called `name`,
// as FindNameInFolder does. The first call for a folder also removes the temporary
// files of copies that are no longer running there.
Destination FindDestination(const std::string& folder, const struct stat& status, std::string_view name);

// Tells the index that this process has just changed the folder of the last
// FindDestination: put `added` into it, or (when empty) only made and removed a
// temporary file.
void NoteDestinationChanged(std::string_view added);

// Marks a temporary file as belonging to a running copy, for as long as `fd` stays
// open, so that no sweep removes it.
void ClaimTemporaryFile(int fd);

}  // namespace posix
