#include "platform/posix/DestinationFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <unordered_set>

#include "installer/FileServices.h"
#include "platform/posix/DirectoryStream.h"
#include "platform/posix/NameMatching.h"
#include "platform/posix/PathMapping.h"
#include "platform/posix/PortPaths.h"
#include "platform/posix/UniqueFd.h"

namespace posix {
namespace {

constexpr std::size_t kTemporaryNameBytes = files::kTemporaryPrefix.size() + files::kTemporaryRandomCharacters;

// The folder copied into last, open, with its names as case-blind hashes: a hash that
// is missing proves a name absent; one that is there sends the look-up to the folder.
struct IndexedFolder {
  std::string folderText;  // the destinations' Windows folder text, as written
  bool inRun = false;      // copies since the last search went into it
  std::string path;
  UniqueFd fd;
  bool indexed = false;  // false where the folder could not be read to its end
  std::unordered_set<std::size_t> names;
};

thread_local IndexedFolder t_folder;

bool IsTemporaryName(std::string_view name) {
  return name.size() == kTemporaryNameBytes && name.starts_with(files::kTemporaryPrefix);
}

// A temporary file whose copy is gone holds no claim; a running copy's does.
void RemoveIfAbandoned(int folderFd, const char* name) {
  const UniqueFd file(openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  if (!file || fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return;
  if (flock(file.Get(), LOCK_EX | LOCK_NB) != 0) return;
  unlinkat(folderFd, name, 0);
}

// Opens and reads `folder` once: indexes its names and removes abandoned temporary
// files.
void Reindex(const std::string& folder) {
  t_folder.path = folder;
  t_folder.indexed = false;
  t_folder.names.clear();
  t_folder.fd = UniqueFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!t_folder.fd) return;
  const DirectoryStream directory = ReadDirectory(t_folder.fd.Get());
  if (!directory) return;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(directory.get());
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (IsTemporaryName(name)) RemoveIfAbandoned(t_folder.fd.Get(), entry->d_name);
    if (name.find('\\') == std::string_view::npos) t_folder.names.insert(HashIgnoringCase(name));
  }
  // A listing cut short proves nothing absent.
  t_folder.indexed = errno == 0;
}

}  // namespace

std::optional<Destination> FindDestination(std::string_view destination) {
  const std::string_view folderText = FolderTextOf(destination);
  std::string name(destination.substr(folderText.size()));
  // In a run, the folder is known: only its name is looked up.
  if (!t_folder.inRun || folderText != t_folder.folderText || !IsPlainName(name)) {
    const std::optional<WindowsPath> parsed = ParseForCall(destination);
    if (!parsed) return std::nullopt;
    const std::optional<ResolvedFolder> folder = ParentFolderOf(*parsed);
    if (!folder) return std::nullopt;
    name = parsed->components.back();
    Reindex(folder->path);
    t_folder.folderText = folderText;
    t_folder.inRun = true;
  }

  Destination found{t_folder.path, t_folder.fd.Get(), std::move(name), std::nullopt};
  if (!t_folder.indexed || t_folder.names.contains(HashIgnoringCase(found.name))) {
    found.existing = FindNameInFolder(t_folder.path, found.name);
  }
  return found;
}

void NoteNameAdded(std::string_view added) {
  if (added.find('\\') == std::string_view::npos) t_folder.names.insert(HashIgnoringCase(added));
}

void EndDestinationRun() {
  t_folder.inRun = false;
  t_folder.fd = UniqueFd();
  t_folder.indexed = false;
}

bool ClaimTemporaryFile(int fd) {
  // Without locks on this file system nothing is claimed, and nothing is swept either.
  return flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

}  // namespace posix
