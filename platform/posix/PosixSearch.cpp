// Directory searches on Linux: Windows wildcards without regard to case, "." and ".."
// first, then the order NTFS and CD file systems list a folder.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "installer/FileServices.h"
#include "platform/posix/DestinationFolder.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/NameMatching.h"
#include "platform/posix/PortPaths.h"
#include "platform/posix/SearchedFolder.h"

namespace files {

struct SearchState {
  std::vector<FoundEntry> entries;
  std::size_t next = 0;
  unsigned long endError = kErrorNoMoreFiles;  // what the search ends with after the last entry
};

}  // namespace files

namespace posix {

SearchedFolder& LastSearchedFolder() {
  thread_local SearchedFolder t_searched;
  return t_searched;
}

}  // namespace posix

namespace {

using posix::FailWith;

bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

// The entry as a search yields it; its size only where asked for.
files::FoundEntry EntryOf(int folderFd, const dirent& entry, files::EntrySizes sizes) {
  files::FoundEntry found{entry.d_name, entry.d_type == DT_DIR};
  if (entry.d_type != DT_UNKNOWN && (found.isFolder || sizes == files::EntrySizes::kLeftOut)) return found;
  struct stat status {};
  if (fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) return found;
  found.isFolder = S_ISDIR(status.st_mode);
  if (!found.isFolder && sizes == files::EntrySizes::kRead) found.size = static_cast<std::uint64_t>(status.st_size);
  return found;
}

// "." and ".." first, as Windows yields them, then the listing order.
bool YieldedBefore(const files::FoundEntry& left, const files::FoundEntry& right) {
  const bool leftDots = IsDotName(left.name);
  if (leftDots != IsDotName(right.name)) return leftDots;
  if (leftDots) return left.name.size() < right.name.size();
  return posix::ComesBefore(left.name, right.name);
}

}  // namespace

namespace files {

void SearchCloser::operator()(SearchState* search) const noexcept {
  // The folder copies came from is let go with its search, so that a disc can be
  // taken out while the dialog stays open; so is the one they went into.
  posix::SearchedFolder& searched = posix::LastSearchedFolder();
  if (searched.search == search) {
    searched = {};
    posix::EndDestinationRun();
  }
  std::default_delete<SearchState>()(search);
}

SearchHandle FindFirst(const char* pattern, FoundEntry& entry, EntrySizes sizes) {
  // A search starts a folder's copy: what is known of the folders copied from and
  // into is checked again.
  posix::SearchedFolder& searched = posix::LastSearchedFolder();
  searched = {};
  posix::EndDestinationRun();

  const std::optional<posix::WindowsPath> path = posix::ParseForCall(pattern);
  if (!path) return nullptr;
  // A pattern that ends in a separator names no entry: Windows finds nothing for it.
  if (const std::string_view text = pattern; !text.empty() && (text.back() == '\\' || text.back() == '/')) {
    FailWith(kErrorFileNotFound);
    return nullptr;
  }
  if (path->components.empty()) {
    FailWith(kErrorFileNotFound);
    return nullptr;
  }
  const posix::ResolvedFolder folder = posix::ResolveFolder(*path, path->components.size() - 1);
  if (folder.error != 0) {
    FailWith(folder.error);
    return nullptr;
  }
  posix::DirectoryStream directory = posix::ReadDirectory(folder.path);
  if (!directory) {
    posix::FailWithErrno(errno);
    return nullptr;
  }

  // A drive root has no "." and ".." entries on Windows.
  const bool inDriveRoot = path->components.size() == 1;
  const std::string& filter = path->components.back();
  SearchHandle search(std::make_unique<SearchState>().release());
  for (;;) {
    errno = 0;
    const dirent* found = readdir(directory.get());
    if (found == nullptr) break;
    const std::string_view name = found->d_name;
    if (name.find('\\') != std::string_view::npos) continue;
    if (inDriveRoot && IsDotName(name)) continue;
    if (!posix::MatchesWildcard(filter, name)) continue;
    search->entries.push_back(EntryOf(dirfd(directory.get()), *found, sizes));
  }
  // A folder that cannot be read to its end (a damaged disc) yields what was read,
  // then ends with the error rather than as if nothing were missing.
  const int readError = errno;
  if (readError != 0) search->endError = posix::Win32ErrorFromErrno(readError);
  if (search->entries.empty()) {
    FailWith(readError != 0 ? search->endError : kErrorFileNotFound);
    return nullptr;
  }
  searched = {std::string(posix::FolderTextOf(pattern)), folder.path, std::move(directory), search.get()};
  std::sort(search->entries.begin(), search->entries.end(), YieldedBefore);
  FindNext(*search, entry);
  return search;
}

bool FindNext(SearchState& search, FoundEntry& entry) {
  if (search.next == search.entries.size()) return FailWith(search.endError);
  entry = std::move(search.entries[search.next++]);
  return true;
}

}  // namespace files
