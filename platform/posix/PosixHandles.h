// What the Linux port keeps behind the handles it gives out: nothing else of a call
// outlives the call.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "installer/FileServices.h"
#include "platform/posix/UniqueFd.h"

namespace files {

// A folder open for the copies made in it.
struct FolderState {
  std::string path;   // the Linux folder
  posix::UniqueFd fd;  // open as a place (O_PATH): no right to read it is needed
  // Its names as case-blind hashes, read at the first look-up: a hash that is missing
  // proves a name absent; one that is there sends the look-up to the folder.
  bool indexRead = false;
  bool indexed = false;  // false where the folder could not be read to its end
  std::unordered_set<std::size_t> names;
  // A capability note: its file system refused the in-kernel copy once (a FUSE-mounted
  // disc refuses it for every file), so its other files are not offered it again.
  bool inKernelCopyRefused = false;
  // Whether the umask takes bits of its new files' mode, asked at the first of them.
  bool umaskAsked = false;
  bool umaskNarrows = false;
  // The buffer of the copies into it that are read and written by the port.
  std::unique_ptr<char[]> copyBuffer;

  // The name of the entry called `name` as the folder holds it, in any case.
  std::optional<std::string> EntryNamed(std::string_view name);
  // Notes that the entry `name` was just added.
  void NoteAdded(std::string_view name);
};

// A regular file open for reading, with its status as opened.
struct SourceState {
  posix::UniqueFd fd;
  struct stat status {};
  FolderState& folder;
};

// A new file in a folder, not yet in place.
struct NewFileState {
  FolderState& folder;
  posix::UniqueFd fd;
  std::string heldName;  // empty while the file has no name
  // Keeps the hold through the rename once `fd` is closed to see its late write errors.
  posix::UniqueFd hold;
  int writeError = 0;  // the errno of a late write error found on closing
  bool placed = false;
};

}  // namespace files
