// File copies on Linux: a source found as Windows finds it but never through a link,
// its content copied in the kernel where the file systems allow.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>

#include "platform/posix/ErrorMapping.h"
#include "platform/posix/FolderLookup.h"
#include "platform/posix/PortPaths.h"
#include "platform/posix/PosixHandles.h"

namespace {

using posix::FailWith;
using posix::FailWithErrno;

// A source is read without following a link, and without waiting on a device or pipe.
constexpr int kSourceFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

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

// The buffer of the copies into `folder` that are read and written here, made at the
// first of them.
constexpr std::size_t kBufferBytes = std::size_t{1} << 17;
char* BufferOf(files::FolderState& folder) {
  if (!folder.copyBuffer) folder.copyBuffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  return folder.copyBuffer.get();
}

bool CopyByReading(int from, int to, off_t size, off_t total, char* buffer, const files::CopyWatch* watch) {
  for (;;) {
    const ssize_t got = read(from, buffer, kBufferBytes);
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
      const ssize_t put = write(to, buffer + written, static_cast<std::size_t>(got - written));
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
bool CopyContent(int from, int to, off_t size, bool& inKernelCopyRefused, char* buffer,
                 const files::CopyWatch* watch) {
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
  return CopyByReading(from, to, size, total, buffer, watch);
}

// Whether `status` tells of a file with holes worth keeping: fewer blocks than its size
// takes, and large enough that the holes matter.
bool HasHoles(const struct stat& status) {
  constexpr off_t kSmallestSparse = off_t{1} << 20;
  return status.st_size >= kSmallestSparse && static_cast<off_t>(status.st_blocks) * 512 < status.st_size;
}

// Copies the data of `from` (of `size` bytes) into `to` a run at a time, as the file
// system reports its data and holes, and leaves the holes as holes: a sparse file of
// 2 GB takes on the target what it takes on the disc. Nothing, with no error, where
// the file system cannot tell (the caller then copies it whole).
std::optional<bool> CopyKeepingHoles(int from, int to, off_t size, char* buffer, const files::CopyWatch* watch) {
  off_t position = 0;
  while (position < size) {
    const off_t data = lseek(from, position, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only a hole to the end
    if (data < 0) return position == 0 ? std::nullopt : std::optional(FailWithErrno(errno));
    const off_t hole = std::min(lseek(from, data, SEEK_HOLE), size);
    if (hole < 0) return FailWithErrno(errno);
    for (off_t at = data; at < hole;) {
      const ssize_t got = pread(from, buffer, static_cast<std::size_t>(std::min<off_t>(hole - at, kBufferBytes)), at);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return FailWithErrno(got < 0 ? errno : EIO);
      for (ssize_t written = 0; written < got;) {
        const ssize_t put = pwrite(to, buffer + written, static_cast<std::size_t>(got - written), at + written);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return FailWithErrno(errno);
        written += put;
      }
      at += got;
      if (!Continues(watch, at)) return false;
    }
    position = hole;
  }
  return ftruncate(to, size) == 0 || FailWithErrno(errno);
}

bool SetModified(int fd, const timespec& modified) {
  const timespec times[2] = {{0, UTIME_OMIT}, modified};
  return futimens(fd, times) == 0 || FailWithErrno(errno);
}

}  // namespace

namespace files {

void StateCloser::operator()(SourceState* source) const noexcept { std::default_delete<SourceState>()(source); }

SourceHandle OpenSource(FolderState& folder, const char* name) {
  // The name as Windows settles it; "." and ".." are folders.
  const std::string settled = posix::SettledName(name);
  if (settled.empty()) {
    FailWith(kErrorAccessDenied);
    return nullptr;
  }
  // The name as written, and where that is not there, the name the folder holds in
  // another case; a link is never followed.
  struct stat status {};
  std::string held = settled;
  if (fstatat(folder.fd.Get(), held.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    const std::optional<std::string> other = posix::FindNameInFolder(folder.path, settled);
    if (!other) {
      FailWith(kErrorFileNotFound);
      return nullptr;
    }
    held = *other;
    if (fstatat(folder.fd.Get(), held.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
      FailWithErrno(errno);
      return nullptr;
    }
  }
  if (RefusedAsNoFile(status)) return nullptr;
  posix::UniqueFd fd(openat(folder.fd.Get(), held.c_str(), kSourceFlags));
  if (!fd) {
    FailWithErrno(errno);
    return nullptr;
  }
  return SourceHandle(std::make_unique<SourceState>(SourceState{std::move(fd), status, folder}).release());
}

bool WriteCopy(NewFileState& file, SourceState& source, std::uint64_t& bytesWritten, const CopyWatch* watch) {
  const std::optional<bool> sparseCopied =
      HasHoles(source.status)
          ? CopyKeepingHoles(source.fd.Get(), file.fd.Get(), source.status.st_size, BufferOf(file.folder), watch)
          : std::nullopt;
  const bool copied = sparseCopied.has_value()
                          ? *sparseCopied
                          : CopyContent(source.fd.Get(), file.fd.Get(), source.status.st_size,
                                        source.folder.inKernelCopyRefused, BufferOf(file.folder), watch);
  if (!copied || !SetModified(file.fd.Get(), source.status.st_mtim)) return false;
  bytesWritten = static_cast<std::uint64_t>(source.status.st_size);
  return true;
}

}  // namespace files
