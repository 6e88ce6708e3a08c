#include "installer/PathCalls.h"

namespace {

bool Refuse() {
  files::SetLastError(files::kErrorFilenameTooLong);
  return false;
}

}  // namespace

files::SearchHandle FindFirstAt(const ComposedPath& pattern, files::FoundEntry& entry) {
  if (!pattern.Fits()) {
    Refuse();
    return nullptr;
  }
  return files::FindFirst(pattern.c_str(), entry);
}

bool EntryExists(const char* path) {
  files::FoundEntry entry;
  return files::FindFirst(path, entry) != nullptr;
}

bool EntryExists(const ComposedPath& path) { return path.Fits() ? EntryExists(path.c_str()) : Refuse(); }

bool CreateFolderAt(const ComposedPath& path) { return path.Fits() ? files::CreateFolder(path.c_str()) : Refuse(); }

bool CopyFileAt(const ComposedPath& source, const ComposedPath& destination, std::uint64_t* bytesCopied,
                const files::CopyWatch* watch) {
  if (!source.Fits() || !destination.Fits()) return Refuse();
  return files::CopyFileReplacing(source.c_str(), destination.c_str(), bytesCopied, watch);
}
