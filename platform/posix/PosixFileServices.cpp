// The file-services port on Linux: Windows paths mapped by the drive map, Win32
// search order and error numbers, and file copies that replace a destination whole.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "installer/FileServices.h"
#include "platform/posix/DestinationFolder.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/NameMatching.h"
#include "platform/posix/PathMapping.h"
#include "platform/posix/UniqueFd.h"

namespace files {

struct SearchState {
  std::vector<FoundEntry> entries;
  std::size_t next = 0;
  unsigned long endError = kErrorNoMoreFiles;  // what the search ends with after the last entry
};

}  // namespace files

namespace {

using posix::FailWith;
using posix::FailWithErrno;

thread_local unsigned long t_lastError = files::kErrorSuccess;

struct DirectoryCloser {
  void operator()(DIR* directory) const noexcept { closedir(directory); }
};

bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

// Windows takes a path only up to its longest length, counted in UTF-16 units; a
// longer one fails at once with 206, whatever else is wrong with it.
bool RefusedAsTooLong(std::string_view path) {
  std::size_t units = 0;
  while (!path.empty()) {
    const std::size_t length = files::CharacterLength(path);
    units += length == 4 ? 2 : 1;  // beyond U+FFFF: a surrogate pair
    path.remove_prefix(length);
  }
  return units > files::kLongestPath && !FailWith(files::kErrorFilenameTooLong);
}

bool IsFolder(const std::string& folder, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_DIR;
  struct stat status {};
  return lstat((folder + '/' + entry.d_name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// "." and ".." first, as Windows yields them, then the listing order.
bool YieldedBefore(const files::FoundEntry& left, const files::FoundEntry& right) {
  const bool leftDots = IsDotName(left.name);
  if (leftDots != IsDotName(right.name)) return leftDots;
  if (leftDots) return left.name.size() < right.name.size();
  return posix::ComesBefore(left.name, right.name);
}

// The folder that holds the path's last component, for creating or copying into it.
// A plain file on the way means the path does not exist.
std::optional<posix::ResolvedFolder> ParentFolderOf(const posix::WindowsPath& path) {
  if (path.components.empty()) {
    // A drive or file-system root itself, or a drive that is not there.
    FailWith(path.root.empty() ? files::kErrorPathNotFound : files::kErrorAccessDenied);
    return std::nullopt;
  }
  posix::ResolvedFolder parent = posix::ResolveFolder(path, path.components.size() - 1);
  if (parent.error != 0) {
    FailWith(files::kErrorPathNotFound);
    return std::nullopt;
  }
  return parent;
}

mode_t NewFileMode() {
  static const mode_t mask = [] {
    const mode_t current = umask(0);
    umask(current);
    return current;
  }();
  return 0666 & ~mask;
}

// Copies the rest of `from`, which held `size` bytes when opened, into `to`, in the
// kernel where it can. A file system that copies in the kernel reports true sizes, so
// there the copy ends with the size's last byte without asking for more. A source
// that ends before its size without reporting an error fails as an I/O error: a short
// copy is never taken for a whole one.
bool CopyContent(int from, int to, off_t size) {
  const auto endedEarly = [&](off_t total) { return total < size ? FailWithErrno(EIO) : true; };
  bool inKernel = true;
  off_t total = 0;
  for (;;) {
    if (inKernel) {
      const ssize_t copied = copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0);
      if (copied > 0) {
        total += copied;
        if (total == size) return true;
        continue;
      }
      if (copied == 0) return endedEarly(total);
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) return FailWithErrno(errno);
      inKernel = false;
    }
    constexpr std::size_t kBufferBytes = std::size_t{1} << 17;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
    for (;;) {
      const ssize_t got = read(from, buffer.get(), kBufferBytes);
      if (got == 0) return endedEarly(total);
      if (got < 0) {
        if (errno == EINTR) continue;
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
    }
  }
}

// A new file under a temporary name beside the destination, removed unless it is
// renamed over the destination once it is whole.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& folder)
      : m_path(folder + '/' + std::string(files::kTemporaryPrefix) + "XXXXXX") {
    static_assert(files::kTemporaryRandomCharacters == 6, "mkostemp replaces six X");
    m_fd = posix::UniqueFd(mkostemp(m_path.data(), O_CLOEXEC));
    if (!m_fd) {
      m_path.clear();
      return;
    }
    posix::ClaimTemporaryFile(m_fd.Get());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!m_path.empty()) unlink(m_path.c_str());
  }

  int Fd() const { return m_fd.Get(); }
  explicit operator bool() const { return static_cast<bool>(m_fd); }

  // Closes the file and renames it to `destination`; false with the last error set.
  bool CommitAs(const std::string& destination) {
    // The claim lasts while any descriptor of the file is open, so a second one keeps
    // it through the rename while closing the first still reports late write errors.
    const posix::UniqueFd claim(fcntl(m_fd.Get(), F_DUPFD_CLOEXEC, 0));
    if (!claim) return FailWithErrno(errno);
    if (m_fd.Close() != 0) return FailWithErrno(errno);
    if (rename(m_path.c_str(), destination.c_str()) != 0) return FailWithErrno(errno);
    m_path.clear();
    return true;
  }

 private:
  std::string m_path;
  posix::UniqueFd m_fd;
};

// A source is read without following a link, and without waiting on a device or pipe.
constexpr int kSourceFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// A source file as found, not yet opened.
struct FoundSource {
  std::string path;
  struct stat status {};
};

// Finds a source without following a link: the name as written at once, and where
// that is not there, the name the folder holds in another case.
std::optional<FoundSource> FindSource(const posix::WindowsPath& from) {
  FoundSource source;
  if (!from.root.empty() && !from.components.empty()) {
    source.path = posix::JoinAsWritten(from, from.components.size());
    if (lstat(source.path.c_str(), &source.status) == 0) return source;
  }
  const std::optional<posix::ResolvedFolder> folder = ParentFolderOf(from);
  if (!folder) return std::nullopt;
  const std::optional<std::string> name = posix::FindNameInFolder(folder->path, from.components.back());
  if (!name) {
    FailWith(files::kErrorFileNotFound);
    return std::nullopt;
  }
  source.path = folder->path + '/' + *name;
  if (lstat(source.path.c_str(), &source.status) != 0) {
    FailWithErrno(errno);
    return std::nullopt;
  }
  return source;
}

// Only a regular file is opened: a link is never followed, and a FIFO, a device or a
// socket is never touched (opening one can block or act on the device).
bool RefusedAsNoFile(const struct stat& status) {
  if (S_ISREG(status.st_mode)) return false;
  if (S_ISDIR(status.st_mode)) return !FailWith(files::kErrorAccessDenied);
  if (S_ISLNK(status.st_mode)) return !FailWith(files::kErrorCantAccessFile);
  return !FailWith(files::kErrorInvalidParameter);
}

bool SetModified(int fd, const timespec& modified) {
  const timespec times[2] = {{0, UTIME_OMIT}, modified};
  return futimens(fd, times) == 0 || FailWithErrno(errno);
}

// Where a copy's file gets its name: the folder by path and, while it is open, by
// descriptor, which spares the kernel walking the path again.
struct Target {
  const std::string& folder;
  int folderFd;  // -1: by path only
  const std::string& name;
  const std::string& path;

  int AtFd() const { return folderFd >= 0 ? folderFd : AT_FDCWD; }
  const char* AtName() const { return folderFd >= 0 ? name.c_str() : path.c_str(); }
};

enum class NewFile { kLinked, kFailed, kNotHere };

// Gives the unnamed file `fd` its name: straight from the descriptor where the kernel
// lets this process, else through the descriptor's entry in /proc.
bool LinkUnnamed(int fd, const Target& target) {
  if (linkat(fd, "", target.AtFd(), target.AtName(), AT_EMPTY_PATH) == 0) return true;
  if (errno != ENOENT && errno != EPERM) return false;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, self.c_str(), target.AtFd(), target.AtName(), AT_SYMLINK_FOLLOW) == 0;
}

// Copies `input` into a file without a name in the target's folder and links it under
// the target's name, which is free: the copy appears only once it is whole, a copy cut
// short leaves nothing, and it costs one directory entry, as a plain create does.
// kNotHere where the file system has no such files or the name was taken meanwhile.
NewFile WriteUnnamed(int input, const struct stat& source, const Target& target) {
  const char* folder = target.folderFd >= 0 ? "." : target.folder.c_str();
  posix::UniqueFd output(openat(target.AtFd(), folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (!output) return NewFile::kNotHere;
  if (!CopyContent(input, output.Get(), source.st_size) || !SetModified(output.Get(), source.st_mtim)) {
    return NewFile::kFailed;
  }
  if (!LinkUnnamed(output.Get(), target)) return NewFile::kNotHere;
  if (output.Close() != 0) {
    const int error = errno;
    unlinkat(target.AtFd(), target.AtName(), 0);
    FailWithErrno(error);
    return NewFile::kFailed;
  }
  return NewFile::kLinked;
}

// Copies `input` to the target: a free name gets a file that appears whole; an existing
// entry is replaced by a temporary file beside it, renamed over it once it is whole.
// False, with the last error set, and the target as it was.
bool WriteReplacing(int input, const struct stat& source, const Target& target, bool nameIsFree) {
  if (nameIsFree) {
    switch (WriteUnnamed(input, source, target)) {
      case NewFile::kLinked:
        return true;
      case NewFile::kFailed:
        return false;
      case NewFile::kNotHere:
        if (lseek(input, 0, SEEK_SET) != 0) return FailWithErrno(errno);
        break;
    }
  }
  TemporaryFile output(target.folder);
  if (!output) return FailWithErrno(errno);
  // A CD's read-only marks do not travel: the copy gets a new file's ordinary permissions.
  if (fchmod(output.Fd(), NewFileMode()) != 0) return FailWithErrno(errno);
  if (!CopyContent(input, output.Fd(), source.st_size) || !SetModified(output.Fd(), source.st_mtim)) return false;
  return output.CommitAs(target.path);
}

}  // namespace

namespace files {

void SearchCloser::operator()(SearchState* search) const noexcept { std::default_delete<SearchState>()(search); }

SearchHandle FindFirst(const char* pattern, FoundEntry& entry) {
  if (RefusedAsTooLong(pattern)) return nullptr;
  // A pattern that ends in a separator names no entry: Windows finds nothing for it.
  if (const std::string_view text = pattern; !text.empty() && (text.back() == '\\' || text.back() == '/')) {
    FailWith(kErrorFileNotFound);
    return nullptr;
  }
  const posix::WindowsPath path = posix::ParseWindowsPath(pattern);
  if (path.invalidName) {
    FailWith(kErrorInvalidName);
    return nullptr;
  }
  if (path.components.empty()) {
    FailWith(kErrorFileNotFound);
    return nullptr;
  }
  const posix::ResolvedFolder folder = posix::ResolveFolder(path, path.components.size() - 1);
  if (folder.error != 0) {
    FailWith(folder.error);
    return nullptr;
  }
  std::unique_ptr<DIR, DirectoryCloser> directory(opendir(folder.path.c_str()));
  if (!directory) {
    FailWithErrno(errno);
    return nullptr;
  }

  // A drive root has no "." and ".." entries on Windows.
  const bool inDriveRoot = path.components.size() == 1;
  const std::string& filter = path.components.back();
  SearchHandle search(std::make_unique<SearchState>().release());
  for (;;) {
    errno = 0;
    const dirent* found = readdir(directory.get());
    if (found == nullptr) break;
    const std::string_view name = found->d_name;
    if (name.find('\\') != std::string_view::npos) continue;
    if (inDriveRoot && IsDotName(name)) continue;
    if (!posix::MatchesWildcard(filter, name)) continue;
    search->entries.push_back({std::string(name), IsFolder(folder.path, *found)});
  }
  // A folder that cannot be read to its end (a damaged disc) yields what was read,
  // then ends with the error rather than as if nothing were missing.
  const int readError = errno;
  if (readError != 0) search->endError = posix::Win32ErrorFromErrno(readError);
  if (search->entries.empty()) {
    FailWith(readError != 0 ? search->endError : kErrorFileNotFound);
    return nullptr;
  }
  std::sort(search->entries.begin(), search->entries.end(), YieldedBefore);
  FindNext(*search, entry);
  return search;
}

bool FindNext(SearchState& search, FoundEntry& entry) {
  if (search.next == search.entries.size()) return FailWith(search.endError);
  entry = std::move(search.entries[search.next++]);
  return true;
}

bool CreateFolder(const char* path) {
  if (RefusedAsTooLong(path)) return false;
  const posix::WindowsPath parsed = posix::ParseWindowsPath(path);
  if (parsed.invalidName) return FailWith(kErrorInvalidName);
  const std::optional<posix::ResolvedFolder> parent = ParentFolderOf(parsed);
  if (!parent) return false;
  const std::string& name = parsed.components.back();
  if (posix::FindNameInFolder(parent->path, name)) return FailWith(kErrorAlreadyExists);
  if (mkdir((parent->path + '/' + name).c_str(), 0777) != 0) return FailWithErrno(errno);
  return true;
}

bool CopyFileReplacing(const char* source, const char* destination) {
  if (RefusedAsTooLong(source)) return false;
  const posix::WindowsPath from = posix::ParseWindowsPath(source);
  if (from.invalidName) return FailWith(kErrorInvalidName);
  const std::optional<FoundSource> found = FindSource(from);
  if (!found || RefusedAsNoFile(found->status)) return false;
  posix::UniqueFd input(open(found->path.c_str(), kSourceFlags));
  if (!input) return FailWithErrno(errno);
  const struct stat& status = found->status;

  if (RefusedAsTooLong(destination)) return false;
  const posix::WindowsPath to = posix::ParseWindowsPath(destination);
  if (to.invalidName) return FailWith(kErrorInvalidName);
  const std::optional<posix::ResolvedFolder> toFolder = ParentFolderOf(to);
  if (!toFolder) return false;
  const posix::Destination place = posix::FindDestination(toFolder->path, toFolder->status, to.components.back());
  const std::string toName = place.existing.value_or(to.components.back());
  const std::string toPath = toFolder->path + '/' + toName;
  struct stat existing {};
  if (place.existing && lstat(toPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    return FailWith(kErrorAccessDenied);
  }

  const Target target{toFolder->path, place.folderFd, toName, toPath};
  const bool copied = WriteReplacing(input.Get(), status, target, !place.existing);
  posix::NoteDestinationChanged(copied ? std::string_view(toName) : std::string_view());
  return copied;
}

unsigned long LastError() { return t_lastError; }

void SetLastError(unsigned long code) { t_lastError = code; }

std::size_t CharacterLength(std::string_view text) {
  // UTF-8: a lead byte and the continuation bytes it announces, all present, making a
  // value that is a character: no longer form than needed, no surrogate, at most U+10FFFF.
  if (text.empty()) return 0;
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
  if (length == 1 || length > text.size()) return 1;
  char32_t value = lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 1;
    value = (value << 6) | (next & 0x3Fu);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
  return length;
}

}  // namespace files
