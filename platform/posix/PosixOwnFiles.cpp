// The program's own files on Linux: its logs and the server's configuration, at paths
// of this system as they stand. Nothing here waits on a FIFO or a device.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "installer/FileServices.h"
#include "platform/posix/DirectoryStream.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/UniqueFd.h"

namespace files {

struct OwnFileState {
  posix::UniqueFd fd;
};

void StateCloser::operator()(OwnFileState* file) const noexcept { std::default_delete<OwnFileState>()(file); }

namespace {

OwnFileHandle Own(posix::UniqueFd fd) {
  return OwnFileHandle(std::make_unique<OwnFileState>(OwnFileState{std::move(fd)}).release());
}

bool IsRegular(int fd) {
  struct stat status {};
  return fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

OwnFileHandle CreateNewFile(const char* path) {
  // O_EXCL fails on any name that is there, a dangling link included.
  posix::UniqueFd fd(open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
  if (!fd) {
    posix::FailWith(errno == EEXIST ? kErrorFileExists : posix::Win32ErrorFromErrno(errno));
    return nullptr;
  }
  return Own(std::move(fd));
}

OwnFileHandle OpenFileToReplace(const char* path) {
  // Non-blocking, so that a FIFO with no reader fails at once instead of waiting for one.
  posix::UniqueFd fd(open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644));
  if (!fd) {
    const int error = errno;
    struct stat status {};
    // A FIFO without a reader refuses with ENXIO, a folder with EISDIR.
    posix::FailWith(stat(path, &status) == 0 && !S_ISREG(status.st_mode) ? kErrorInvalidParameter
                                                                           : posix::Win32ErrorFromErrno(error));
    return nullptr;
  }
  if (!IsRegular(fd.Get())) {
    posix::FailWith(kErrorInvalidParameter);
    return nullptr;
  }
  if (ftruncate(fd.Get(), 0) != 0 || fcntl(fd.Get(), F_SETFL, 0) != 0) {
    posix::FailWithErrno(errno);
    return nullptr;
  }
  return Own(std::move(fd));
}

bool WriteToFile(OwnFileState& file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(file.fd.Get(), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return posix::FailWithErrno(written < 0 ? errno : ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool ReadSmallFile(const char* path, std::size_t limit, std::string& text) {
  text.clear();
  posix::UniqueFd fd(open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd) return posix::FailWithErrno(errno);
  if (!IsRegular(fd.Get())) return posix::FailWith(kErrorInvalidParameter);
  text.resize(limit);
  std::size_t got = 0;
  while (got < limit) {
    const ssize_t read = ::read(fd.Get(), text.data() + got, limit - got);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return posix::FailWithErrno(errno);
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  text.resize(got);
  return true;
}

bool CreateFolders(const char* path) {
  const std::string whole = path;
  // Each level from the top, so that the ones missing are made in order.
  for (std::size_t end = whole.find('/', 1);; end = whole.find('/', end + 1)) {
    const std::string level = whole.substr(0, end);
    if (!level.empty() && mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return posix::FailWithErrno(errno);
    if (end == std::string::npos) break;
  }
  struct stat status {};
  if (stat(path, &status) != 0) return posix::FailWithErrno(errno);
  return S_ISDIR(status.st_mode) ? true : posix::FailWith(kErrorPathNotFound);
}

bool ListRegularFiles(const char* path, const std::function<void(const std::string& name)>& take) {
  const posix::DirectoryStream directory = posix::ReadDirectory(std::string(path));
  if (!directory) return posix::FailWithErrno(errno);
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(directory.get());
    if (entry == nullptr) break;
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat status {};
      regular = fstatat(dirfd(directory.get()), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(status.st_mode);
    }
    if (regular) take(entry->d_name);
  }
  return errno == 0 ? true : posix::FailWithErrno(errno);
}

bool RemoveFile(const char* path) { return unlink(path) == 0 ? true : posix::FailWithErrno(errno); }

std::optional<FolderIdentity> IdentifyFolderOfFile(const char* path) {
  // A link is followed to the file it names, whose folder is the one that matters.
  char resolved[PATH_MAX];
  const std::string whole = realpath(path, resolved) != nullptr ? resolved : path;
  const std::size_t slash = whole.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : whole.substr(0, slash);
  struct stat status {};
  if (stat(folder.c_str(), &status) != 0) {
    posix::FailWithErrno(errno);
    return std::nullopt;
  }
  return FolderIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace files
