// File copies on Linux: a source found as Windows finds it but never through a link,
// its content copied in the kernel where the file systems allow, into a new file that
// takes the destination's name only once it is whole and complete.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>

#include "installer/FileServices.h"
#include "platform/posix/DestinationFolder.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/NewFile.h"
#include "platform/posix/PathMapping.h"
#include "platform/posix/PortPaths.h"
#include "platform/posix/SearchedFolder.h"
#include "platform/posix/UniqueFd.h"

namespace {

using posix::FailWith;
using posix::FailWithErrno;

// A source is read without following a link, and without waiting on a device or pipe.
constexpr int kSourceFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// A source file as found, not yet opened: where it is, as the *at calls take it.
struct FoundSource {
  int folderFd = AT_FDCWD;
  std::string name;  // relative to folderFd, or the whole path
  struct stat status {};
  bool* inKernelCopyRefused = nullptr;  // where its folder remembers that
};

// Looks `name` up in `folder` (open at `folderFd`, or AT_FDCWD) without following a
// link: the name as written, and where that is not there, the name the folder holds
// in another case.
bool StatInFolder(int folderFd, const std::string& folder, std::string_view name, FoundSource& source) {
  const auto at = [&](std::string_view held) {
    source.name = folderFd == AT_FDCWD ? posix::JoinPath(folder, held) : std::string(held);
    return fstatat(folderFd, source.name.c_str(), &source.status, AT_SYMLINK_NOFOLLOW) == 0;
  };
  if (at(name)) return true;
  const std::optional<std::string> held = posix::FindNameInFolder(folder, name);
  if (!held) return FailWith(files::kErrorFileNotFound);
  return at(*held) || FailWithErrno(errno);
}

// Finds a source: in the folder searched last where it is in that folder (the folder
// copies do), else along its path.
std::optional<FoundSource> FindSource(std::string_view source) {
  FoundSource found;
  posix::SearchedFolder& searched = posix::LastSearchedFolder();
  const std::string_view folderText = posix::FolderTextOf(source);
  const std::string_view name = source.substr(folderText.size());
  if (searched.directory && folderText == searched.folderText && posix::IsPlainName(name)) {
    found.folderFd = searched.Fd();
    found.inKernelCopyRefused = &searched.inKernelCopyRefused;
    if (!StatInFolder(found.folderFd, searched.path, name, found)) return std::nullopt;
    return found;
  }

  const std::optional<posix::WindowsPath> from = posix::ParseForCall(source);
  if (!from) return std::nullopt;
  if (!from->root.empty() && !from->components.empty()) {
    found.name = posix::JoinAsWritten(*from, from->components.size());
    if (lstat(found.name.c_str(), &found.status) == 0) return found;
  }
  const std::optional<posix::ResolvedFolder> folder = posix::ParentFolderOf(*from);
  if (!folder) return std::nullopt;
  if (!StatInFolder(AT_FDCWD, folder->path, from->components.back(), found)) return std::nullopt;
  return found;
}

// Only a regular file is opened: a link is never followed (O_NOFOLLOW holds even if
// one is put in its place before the open), and a FIFO, a device or a socket is not
// opened (opening one can block or act on the device).
bool RefusedAsNoFile(const struct stat& status) {
  if (S_ISREG(status.st_mode)) return false;
  if (S_ISDIR(status.st_mode)) return !FailWith(files::kErrorAccessDenied);
  if (S_ISLNK(status.st_mode)) return !FailWith(files::kErrorCantAccessFile);
  return !FailWith(files::kErrorInvalidParameter);
}

// A watched copy moves a piece at a time, so that it reports its bytes and can be
// abandoned within a piece; an unwatched one asks the kernel for everything at once.
constexpr std::size_t kWatchedPieceBytes = std::size_t{4} << 20;
constexpr std::size_t kUnwatchedPieceBytes = std::size_t{1} << 30;

// False, with kErrorCancelled, where the watch abandons the copy at `total` bytes.
bool Continues(const files::CopyWatch* watch, off_t total) {
  return watch == nullptr || (*watch)(static_cast<std::uint64_t>(total)) || FailWith(files::kErrorCancelled);
}

bool CopyByReading(int from, int to, off_t size, off_t total, const files::CopyWatch* watch) {
  constexpr std::size_t kBufferBytes = std::size_t{1} << 17;
  thread_local const auto buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  for (;;) {
    const ssize_t got = read(from, buffer.get(), kBufferBytes);
    if (got == 0) return total == size || FailWithErrno(EIO);
    if (got < 0) {
      // A signal that broke off a stalled read may be a stop.
      if (errno == EINTR) {
        if (!Continues(watch, total)) return false;
        continue;
      }
      return FailWithErrno(errno);
    }
    for (ssize_t written = 0; written < got;) {
      const ssize_t put = write(to, buffer.get() + written, static_cast<std::size_t>(got - written));
      if (put < 0) {
        if (errno == EINTR) continue;
        return FailWithErrno(errno);
      }
      written += put;
    }
    total += got;
    if (!Continues(watch, total)) return false;
  }
}

// Copies `from`, which held `size` bytes when found, into `to`: in the kernel unless
// this folder's file system refused that before (a FUSE-mounted disc refuses it for
// every file), else by reading and writing. A file system that copies in the kernel
// reports true sizes, so there the copy ends with the size's last byte without asking
// for more. A source that ends before its size without an error fails as an I/O
// error: a short copy is never taken for a whole one.
bool CopyContent(int from, int to, off_t size, bool& inKernelCopyRefused, const files::CopyWatch* watch) {
  off_t total = 0;
  const std::size_t piece = watch != nullptr ? kWatchedPieceBytes : kUnwatchedPieceBytes;
  while (!inKernelCopyRefused) {
    const ssize_t copied = copy_file_range(from, nullptr, to, nullptr, piece, 0);
    if (copied > 0) {
      total += copied;
      if (total == size) return true;
      if (!Continues(watch, total)) return false;
      continue;
    }
    if (copied == 0) return total == size || FailWithErrno(EIO);
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) return FailWithErrno(errno);
    inKernelCopyRefused = true;
  }
  return CopyByReading(from, to, size, total, watch);
}

bool SetModified(int fd, const timespec& modified) {
  const timespec times[2] = {{0, UTIME_OMIT}, modified};
  return futimens(fd, times) == 0 || FailWithErrno(errno);
}

}  // namespace

namespace files {

bool CopyFileReplacing(const char* source, const char* destination, std::uint64_t* bytesCopied,
                       const CopyWatch* watch) {
  if (posix::RefusedAsTooLong(source)) return false;
  std::optional<FoundSource> found = FindSource(source);
  if (!found || RefusedAsNoFile(found->status)) return false;
  const posix::UniqueFd input(openat(found->folderFd, found->name.c_str(), kSourceFlags));
  if (!input) return FailWithErrno(errno);

  if (posix::RefusedAsTooLong(destination)) return false;
  std::optional<posix::Destination> place = posix::FindDestination(destination);
  if (!place) return false;
  // A folder in the way is not replaced.
  const auto isFolder = [&](const std::string& name) {
    struct stat existing {};
    const int at = place->folderFd >= 0 ? place->folderFd : AT_FDCWD;
    const std::string where = place->folderFd >= 0 ? name : posix::JoinPath(place->folder, name);
    return fstatat(at, where.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(existing.st_mode);
  };
  if (place->existing && isFolder(*place->existing)) return FailWith(kErrorAccessDenied);

  posix::NewFile copy(place->folder, place->folderFd);
  if (!copy) return false;
  bool refusedHere = false;
  bool& inKernelCopyRefused = found->inKernelCopyRefused != nullptr ? *found->inKernelCopyRefused : refusedHere;
  if (!CopyContent(input.Get(), copy.Fd(), found->status.st_size, inKernelCopyRefused, watch) ||
      !SetModified(copy.Fd(), found->status.st_mtim)) {
    return false;
  }
  if (bytesCopied != nullptr) *bytesCopied = static_cast<std::uint64_t>(found->status.st_size);
  if (!place->existing) {
    switch (copy.TakeFreeName(place->name)) {
      case posix::NewFile::Named::kDone:
        posix::NoteNameAdded(place->name);
        return true;
      case posix::NewFile::Named::kFailed:
        return false;
      case posix::NewFile::Named::kTaken:
        // Another writer gave the name meanwhile: the copy replaces that entry.
        place->existing = posix::FindNameInFolder(place->folder, place->name).value_or(place->name);
        if (isFolder(*place->existing)) return FailWith(kErrorAccessDenied);
        break;
    }
  }
  return copy.Replace(*place->existing);
}

}  // namespace files
