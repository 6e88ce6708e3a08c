#include "platform/posix/DestinationFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <unordered_set>

#include "installer/FileServices.h"
#include "platform/posix/NameMatching.h"
#include "platform/posix/PathMapping.h"
#include "platform/posix/UniqueFd.h"

namespace posix {
namespace {

constexpr std::size_t kTemporaryNameBytes = files::kTemporaryPrefix.size() + files::kTemporaryRandomCharacters;

// Which folder, and its state: any entry added, removed or renamed changes the
// change time, so an unchanged stamp means unchanged names.
struct FolderStamp {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  timespec changed{};

  explicit FolderStamp(const struct stat& status)
      : device(status.st_dev), inode(status.st_ino), modified(status.st_mtim), changed(status.st_ctim) {}
  bool SameFolder(const FolderStamp& other) const { return device == other.device && inode == other.inode; }
  bool operator==(const FolderStamp& other) const {
    return SameFolder(other) && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec &&
           changed.tv_nsec == other.changed.tv_nsec;
  }
};

// The folder copied into last, open, with its names as case-blind hashes: a hash that
// is missing proves a name absent; one that is there sends the look-up to the folder.
struct IndexedFolder {
  UniqueFd fd;
  std::optional<FolderStamp> stamp;  // empty while nothing trustworthy is indexed
  std::unordered_set<std::size_t> names;
};

thread_local IndexedFolder t_indexed;

struct DirectoryCloser {
  void operator()(DIR* directory) const noexcept { closedir(directory); }
};

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
// files. A removal changes the folder, so the next look-up reads it again and finds it
// settled.
void Reindex(const std::string& folder, const FolderStamp& stamp) {
  t_indexed.stamp.reset();
  t_indexed.names.clear();
  t_indexed.fd = UniqueFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat opened {};
  if (!t_indexed.fd || fstat(t_indexed.fd.Get(), &opened) != 0 || !FolderStamp(opened).SameFolder(stamp)) return;
  UniqueFd reading(fcntl(t_indexed.fd.Get(), F_DUPFD_CLOEXEC, 0));
  const std::unique_ptr<DIR, DirectoryCloser> directory(reading ? fdopendir(reading.Get()) : nullptr);
  if (!directory) return;
  reading.Release();  // the directory stream owns it now
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(directory.get());
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (IsTemporaryName(name)) RemoveIfAbandoned(t_indexed.fd.Get(), entry->d_name);
    if (name.find('\\') == std::string_view::npos) t_indexed.names.insert(HashIgnoringCase(name));
  }
  // A listing cut short proves nothing absent.
  if (errno != 0) {
    t_indexed.names.clear();
    return;
  }
  t_indexed.stamp = stamp;
}

}  // namespace

Destination FindDestination(const std::string& folder, const struct stat& status, std::string_view name) {
  const FolderStamp stamp(status);
  if (t_indexed.stamp != stamp) Reindex(folder, stamp);
  if (t_indexed.stamp != stamp) return {-1, FindNameInFolder(folder, name)};
  if (!t_indexed.names.contains(HashIgnoringCase(name))) return {t_indexed.fd.Get(), std::nullopt};
  return {t_indexed.fd.Get(), FindNameInFolder(folder, name)};
}

void NoteDestinationChanged(std::string_view added) {
  // Another writer in the moment since the look-up goes unseen here, as it would
  // between any look-up and the rename that follows it.
  struct stat status {};
  if (!t_indexed.stamp || fstat(t_indexed.fd.Get(), &status) != 0) return;
  if (!added.empty() && added.find('\\') == std::string_view::npos) t_indexed.names.insert(HashIgnoringCase(added));
  t_indexed.stamp = FolderStamp(status);
}

void ClaimTemporaryFile(int fd) {
  // Without locks on this file system nothing is claimed, and nothing is swept either.
  flock(fd, LOCK_EX | LOCK_NB);
}

}  // namespace posix
