// Directory searches on Linux: Windows wildcards without regard to case, "." and ".."
// first, then the order NTFS and CD file systems list a folder.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/FileServices.h"
#include "platform/posix/DirectoryStream.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/NameMatching.h"
#include "platform/posix/FolderLookup.h"
#include "platform/posix/PortPaths.h"

namespace files {

struct SearchState {
  std::vector<FoundEntry> entries;
  std::size_t next = 0;
  unsigned long endError = kErrorNoMoreFiles;  // what the search ends with after the last entry
};

}  // namespace files

namespace {

using posix::FailWith;

bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

bool IsFolder(int folderFd, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_DIR;
  struct stat status {};
  return fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

// "." and ".." first, as Windows yields them, then the listing order.
bool YieldedBefore(const files::FoundEntry& left, const files::FoundEntry& right) {
  const bool leftDots = IsDotName(left.name);
  if (leftDots != IsDotName(right.name)) return leftDots;
  if (leftDots) return left.name.size() < right.name.size();
  return posix::ComesBefore(left.name, right.name);
}

// The folder a search pattern names, open for reading, with what its entries must
// match; nothing, with the last error set, where the search would find nothing.
struct SearchedListing {
  posix::DirectoryStream directory;
  std::string filter;
  bool inDriveRoot;  // a drive root has no "." and ".." entries on Windows
};

std::optional<SearchedListing> OpenListing(const char* pattern) {
  const std::optional<posix::WindowsPath> path = posix::ParseForCall(pattern);
  if (!path) return std::nullopt;
  // A pattern that ends in a separator names no entry: Windows finds nothing for it.
  if (const std::string_view text = pattern; !text.empty() && (text.back() == '\\' || text.back() == '/')) {
    FailWith(files::kErrorFileNotFound);
    return std::nullopt;
  }
  if (path->components.empty()) {
    FailWith(files::kErrorFileNotFound);
    return std::nullopt;
  }
  const posix::ResolvedFolder folder = posix::ResolveFolder(*path, path->components.size() - 1);
  if (folder.error != 0) {
    FailWith(folder.error);
    return std::nullopt;
  }
  posix::DirectoryStream directory = posix::ReadDirectory(folder.path);
  if (!directory) {
    posix::FailWithErrno(errno);
    return std::nullopt;
  }
  return SearchedListing{std::move(directory), path->components.back(), path->components.size() == 1};
}

// Calls `take` with each entry of the listing that the search yields, in listing
// order; returns the error that ended the listing early, or 0.
template <typename Take>
int ReadListing(const SearchedListing& listing, Take take) {
  for (;;) {
    errno = 0;
    const dirent* found = readdir(listing.directory.get());
    if (found == nullptr) return errno;
    const std::string_view name = found->d_name;
    if (listing.inDriveRoot && IsDotName(name)) continue;
    if (!posix::MatchesWildcard(listing.filter, name)) continue;
    take(*found);
  }
}

}  // namespace

namespace files {

void StateCloser::operator()(SearchState* search) const noexcept { std::default_delete<SearchState>()(search); }

SearchHandle FindFirst(const char* pattern, FoundEntry& entry) {
  std::optional<SearchedListing> listing = OpenListing(pattern);
  if (!listing) return nullptr;
  SearchHandle search(std::make_unique<SearchState>().release());
  const int folderFd = dirfd(listing->directory.get());
  const int readError = ReadListing(*listing, [&](const dirent& found) {
    // A name holding a backslash is yielded, to be reported: no Windows path names it.
    const std::string_view name = found.d_name;
    const unsigned long unnamable = name.find('\\') != std::string_view::npos ? kErrorInvalidName : kErrorSuccess;
    search->entries.push_back({std::string(name), IsFolder(folderFd, found), unnamable});
  });
  // A folder that cannot be read to its end (a damaged disc) yields what was read,
  // then ends with the error rather than as if nothing were missing.
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

bool TallyEntries(const char* pattern, EntryTally& tally) {
  const std::optional<SearchedListing> listing = OpenListing(pattern);
  if (!listing) return false;
  const int folderFd = dirfd(listing->directory.get());
  bool found = false;
  ReadListing(*listing, [&](const dirent& entry) {
    found = true;
    if (entry.d_type == DT_DIR) return;
    struct stat status {};
    if (fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(status.st_mode)) return;
    ++tally.files;
    tally.bytes += static_cast<std::uint64_t>(status.st_size);
  });
  return found || FailWith(kErrorFileNotFound);
}

}  // namespace files
