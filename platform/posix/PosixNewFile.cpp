// New files on Linux: written without a name where the file system has such files (a
// file can then appear only whole), else under a name held by a lock, which a sweep
// of another install respects; put in place by a link or a rename, in one step.
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/posix/ErrorMapping.h"
#include "platform/posix/PortPaths.h"
#include "platform/posix/PosixHandles.h"
#include "platform/posix/ServedModes.h"

namespace {

using files::NewFileHandle;
using files::NewFileState;
using posix::FailWith;
using posix::FailWithErrno;

// Holds a new file against sweeps for as long as any descriptor of it is open. False
// only where a sweep holds it already, about to remove it; a file system without locks
// holds nothing, and sweeps nothing either.
bool Hold(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

// A new file is readable by the web server whatever the umask: where the umask took
// its bits, they are given back (asked once per folder, so a usual umask costs nothing).
void GiveServedMode(files::FolderState& folder, int fd) {
  if (!folder.umaskAsked) {
    folder.umaskAsked = true;
    folder.umaskNarrows = posix::UmaskNarrowsServedModes();
  }
  if (folder.umaskNarrows) fchmod(fd, posix::kServedFileMode);
}

NewFileHandle Adopt(files::FolderState& folder, posix::UniqueFd fd, std::string heldName) {
  return NewFileHandle(
      std::make_unique<NewFileState>(NewFileState{folder, std::move(fd), std::move(heldName), {}, 0, false}).release());
}

// Links the unnamed file to `name`; errno set where it cannot.
bool LinkAs(const NewFileState& file, const std::string& name) {
  const int folderFd = file.folder.fd.Get();
  if (linkat(file.fd.Get(), "", folderFd, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  // Linking straight from the descriptor needs a privilege; its entry in /proc does not.
  if (errno != ENOENT && errno != EPERM) return false;
  const std::string self = "/proc/self/fd/" + std::to_string(file.fd.Get());
  return linkat(AT_FDCWD, self.c_str(), folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool IsFolder(const files::FolderState& folder, const std::string& name) {
  struct stat status {};
  return fstatat(folder.fd.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

// Renames the file, which holds a name, over `target`, in place of any entry there.
bool RenameOver(NewFileState& file, const std::string& target, bool onlyWhereFree) {
  // The hold lasts while any descriptor of the file is open, so a second one keeps it
  // through the rename while closing the first still reports late write errors.
  // A late write error stays the file's: a later attempt never puts it in place.
  if (file.writeError != 0) return FailWithErrno(file.writeError);
  if (file.fd) {
    file.hold = posix::UniqueFd(fcntl(file.fd.Get(), F_DUPFD_CLOEXEC, 0));
    if (!file.hold) return FailWithErrno(errno);
    if (file.fd.Close() != 0) {
      file.writeError = errno;
      return FailWithErrno(file.writeError);
    }
  }
  const int folderFd = file.folder.fd.Get();
  if (onlyWhereFree) {
    if (renameat2(folderFd, file.heldName.c_str(), folderFd, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    // A file system that cannot promise "only if free" gets the plain rename.
    if (errno != EINVAL && errno != ENOSYS) return FailWithErrno(errno);
  }
  return renameat(folderFd, file.heldName.c_str(), folderFd, target.c_str()) == 0 || FailWithErrno(errno);
}

}  // namespace

namespace files {

void StateCloser::operator()(NewFileState* file) const noexcept {
  // An unnamed file goes with its descriptor; a held name goes with the file.
  if (!file->placed && !file->heldName.empty()) unlinkat(file->folder.fd.Get(), file->heldName.c_str(), 0);
  std::default_delete<NewFileState>()(file);
}

NewFileHandle CreateUnnamedFile(FolderState& folder) {
  posix::UniqueFd fd(openat(folder.fd.Get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, posix::kServedFileMode));
  if (fd) {
    GiveServedMode(folder, fd.Get());
    return Adopt(folder, std::move(fd), {});
  }
  // Kernels without O_TMPFILE take it for O_DIRECTORY (EISDIR); file systems without
  // unnamed files refuse it (EOPNOTSUPP).
  FailWithErrno(errno == EISDIR || errno == EOPNOTSUPP || errno == EINVAL ? EOPNOTSUPP : errno);
  return nullptr;
}

NewFileHandle CreateHeldFile(FolderState& folder, const char* name) {
  posix::UniqueFd fd(openat(folder.fd.Get(), name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, posix::kServedFileMode));
  if (!fd) {
    FailWithErrno(errno);
    return nullptr;
  }
  GiveServedMode(folder, fd.Get());
  // A sweep can take a fresh file in the moment before it is held: then the name is
  // gone, or about to be, and counts as taken.
  struct stat status {};
  if (!Hold(fd.Get()) || fstat(fd.Get(), &status) != 0 || status.st_nlink == 0) {
    FailWith(kErrorAlreadyExists);
    return nullptr;
  }
  return Adopt(folder, std::move(fd), name);
}

bool HoldUnderName(NewFileState& file, const char* name) {
  // Held before it has any name, so no sweep can ever take it.
  Hold(file.fd.Get());
  if (!LinkAs(file, name)) return FailWithErrno(errno);
  file.heldName = name;
  return true;
}

bool PutInPlace(NewFileState& file, const char* name, Placing how) {
  const std::string settled = posix::SettledName(name);
  if (settled.empty()) return FailWith(kErrorAccessDenied);
  // The entry of that name in any case, as Windows finds it.
  std::optional<std::string> existing = file.folder.EntryNamed(settled);
  if (how == Placing::kWhereFree) {
    if (existing) return FailWith(kErrorAlreadyExists);
    if (!LinkAs(file, settled)) return FailWithErrno(errno);
    file.placed = true;
    file.folder.NoteAdded(settled);
    // A late write error shows when the file is closed: then the name goes again.
    if (file.fd.Close() != 0) {
      const int error = errno;
      unlinkat(file.folder.fd.Get(), settled.c_str(), 0);
      return FailWithErrno(error);
    }
    return true;
  }
  if (existing && IsFolder(file.folder, *existing)) return FailWith(kErrorAccessDenied);
  if (!RenameOver(file, existing.value_or(settled), !existing)) {
    // Another writer gave the name meanwhile, perhaps in another case: the folder's
    // index learns of it, so the next call finds that entry.
    if (!existing && files::LastError() == kErrorAlreadyExists) file.folder.NoteAdded(settled);
    return false;
  }
  file.placed = true;
  file.folder.NoteAdded(settled);
  return true;
}

bool ClearReadOnlyMark(FolderState&, const char*) { return false; }

bool SetReadOnlyMark(FolderState&, const char*) { return false; }

}  // namespace files
