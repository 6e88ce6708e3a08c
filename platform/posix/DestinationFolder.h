// The folder that copies go into, kept open and indexed while copies go into it in a
// row: its names as case-blind hashes, so that a new name is known to be new without
// reading the folder again. The first copy into a folder after a search checks the
// folder again and removes the temporary files that interrupted copies left in it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace posix {

// Where one copy goes.
struct Destination {
  std::string folder;                   // the Linux folder
  int folderFd = -1;                    // the folder, open; -1 where it cannot be
  std::string name;                     // the name the copy is to have, as settled
  std::optional<std::string> existing;  // the entry's name as the folder holds it, if there is one
};

// Where the copy to `destination` (a Windows path) goes; nothing, with the last error
// set, where its folder is not there.
std::optional<Destination> FindDestination(std::string_view destination);

// Tells the index that this thread has just given a new entry the name `added`.
void NoteNameAdded(std::string_view added);

// Ends the run of copies into one folder and lets the folder go: the next copy checks
// its folder again.
void EndDestinationRun();

// Marks a temporary file as belonging to a running copy, for as long as `fd` stays
// open, so that no sweep removes it. False where another process holds it already,
// which only a sweep about to remove it can.
bool ClaimTemporaryFile(int fd);

}  // namespace posix
