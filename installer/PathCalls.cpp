#include "installer/PathCalls.h"

#include <algorithm>
#include <string>

#include "installer/TextEncoding.h"

namespace {

bool Refuse() {
  files::SetLastError(files::kErrorFilenameTooLong);
  return false;
}

}  // namespace

bool WithinPathLimit(std::string_view path) { return files::Utf16Length(path) <= kLongestPath || Refuse(); }

bool WithinPathLimit(const ComposedPath& path) { return path.Fits() ? WithinPathLimit(path.Text()) : Refuse(); }

std::size_t PathLimitExcess(const ComposedPath& path) {
  const std::size_t bytes = path.Text().size();
  const std::size_t units = files::Utf16Length(path.Text());
  return std::max(bytes >= path.BufferSize() ? bytes - (path.BufferSize() - 1) : 0,
                  units > kLongestPath ? units - kLongestPath : 0);
}

files::SearchHandle FindFirstAt(std::string_view pattern, files::FoundEntry& entry) {
  if (!WithinPathLimit(pattern)) return nullptr;
  return files::FindFirst(std::string(pattern).c_str(), entry);
}

files::SearchHandle FindFirstAt(const ComposedPath& pattern, files::FoundEntry& entry) {
  if (!pattern.Fits()) {
    Refuse();
    return nullptr;
  }
  return FindFirstAt(pattern.Text(), entry);
}

bool TallyEntriesAt(const ComposedPath& pattern, files::EntryTally& tally) {
  return WithinPathLimit(pattern) && files::TallyEntries(pattern.c_str(), tally);
}

bool EntryExists(std::string_view path) {
  files::FoundEntry entry;
  return FindFirstAt(path, entry) != nullptr;
}

bool EntryExists(const ComposedPath& path) { return path.Fits() ? EntryExists(path.Text()) : Refuse(); }

bool CreateFolderAt(std::string_view path) {
  if (files::Utf16Length(path) > kLongestFolderPath) return Refuse();
  return files::CreateFolder(std::string(path).c_str());
}

bool CreateFolderAt(const ComposedPath& path) { return path.Fits() ? CreateFolderAt(path.Text()) : Refuse(); }

std::optional<files::FolderIdentity> IdentifyFolderAt(std::string_view path) {
  if (!WithinPathLimit(path)) return std::nullopt;
  return files::IdentifyFolder(std::string(path).c_str());
}

files::FolderHandle OpenFolderAt(std::string_view path) {
  if (!WithinPathLimit(path)) return nullptr;
  return files::OpenFolder(std::string(path).c_str());
}
