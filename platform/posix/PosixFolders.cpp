// Folders open for a copy on Linux: found as Windows finds them, indexed by their names
// without regard to case, and swept of temporary files that no copy holds.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/posix/DirectoryStream.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/NameMatching.h"
#include "platform/posix/FolderLookup.h"
#include "platform/posix/PortPaths.h"
#include "platform/posix/PosixHandles.h"

namespace files {

std::optional<std::string> FolderState::EntryNamed(std::string_view name) {
  if (!indexRead) {
    indexRead = true;
    const posix::DirectoryStream directory = posix::ReadDirectory(fd.Get());
    if (directory) {
      for (;;) {
        errno = 0;
        const dirent* entry = readdir(directory.get());
        if (entry == nullptr) break;
        NoteAdded(entry->d_name);
      }
      // A listing cut short proves nothing absent.
      indexed = errno == 0;
    }
  }
  if (indexed && !names.contains(posix::HashIgnoringCase(name))) return std::nullopt;
  return posix::FindNameInFolder(path, name);
}

void FolderState::NoteAdded(std::string_view name) {
  if (name.find('\\') == std::string_view::npos) names.insert(posix::HashIgnoringCase(name));
}

void StateCloser::operator()(FolderState* folder) const noexcept { std::default_delete<FolderState>()(folder); }

FolderHandle OpenFolder(const char* path) {
  const std::optional<posix::WindowsPath> parsed = posix::ParseForCall(path);
  if (!parsed) return nullptr;
  // A file call in a folder that is not there, or is a plain file, fails with 3.
  posix::ResolvedFolder found = posix::ResolveFolder(*parsed, parsed->components.size());
  if (found.error != 0) {
    posix::FailWith(kErrorPathNotFound);
    return nullptr;
  }
  posix::UniqueFd fd(open(found.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!fd) {
    posix::FailWithErrno(errno == ENOENT || errno == ENOTDIR ? ENOTDIR : errno);
    return nullptr;
  }
  auto folder = std::make_unique<FolderState>();
  folder->path = std::move(found.path);
  folder->fd = std::move(fd);
  return FolderHandle(folder.release());
}

void ListFiles(FolderState& folder, const std::function<void(const std::string& name)>& take) {
  const posix::DirectoryStream directory = posix::ReadDirectory(folder.fd.Get());
  if (!directory) return;
  while (const dirent* entry = readdir(directory.get())) {
    if (entry->d_type != DT_DIR) take(entry->d_name);
  }
}

bool RemoveUnheldFile(FolderState& folder, const char* name) {
  const posix::UniqueFd file(openat(folder.fd.Get(), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!file) return posix::FailWithErrno(errno);
  struct stat status {};
  if (fstat(file.Get(), &status) != 0) return posix::FailWithErrno(errno);
  if (!S_ISREG(status.st_mode)) return posix::FailWith(kErrorAccessDenied);
  // A running copy holds its file's lock from before the file has its name.
  if (flock(file.Get(), LOCK_EX | LOCK_NB) != 0) return posix::FailWith(kErrorSharingViolation);
  return unlinkat(folder.fd.Get(), name, 0) == 0 || posix::FailWithErrno(errno);
}

}  // namespace files
