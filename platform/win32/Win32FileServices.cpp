// The file-services port on Windows: the platform's own file calls with the
// installer's paths as they stand, plus a copy that replaces a destination whole.
#include <windows.h>

#include <memory>
#include <string>

#include "installer/FileServices.h"

namespace files {

struct SearchState {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA data{};
};

namespace {

FoundEntry EntryOf(const WIN32_FIND_DATAA& data) {
  const DWORD notAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  return {data.cFileName, (data.dwFileAttributes & notAFile) == 0};
}

// Keeps the error being reported when cleaning up after it.
class ErrorKeeper {
 public:
  ErrorKeeper() : m_error(::GetLastError()) {}
  ErrorKeeper(const ErrorKeeper&) = delete;
  ErrorKeeper& operator=(const ErrorKeeper&) = delete;
  ~ErrorKeeper() { ::SetLastError(m_error); }

 private:
  DWORD m_error;
};

bool Fail(DWORD code) {
  ::SetLastError(code);
  return false;
}

// The folder part of a path, up to its last separator; "." when it has none.
std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  return path.substr(0, separator + 1);
}

// A new file beside the destination, deleted unless it is moved over the destination.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& folder) {
    char path[MAX_PATH] = {};
    if (GetTempFileNameA(folder.c_str(), "zdl", 0, path) != 0) m_path = path;
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (m_path.empty()) return;
    const ErrorKeeper keep;
    SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(m_path.c_str());
  }

  const std::string& Path() const { return m_path; }
  explicit operator bool() const { return !m_path.empty(); }
  void Release() { m_path.clear(); }

 private:
  std::string m_path;
};

}  // namespace

void SearchCloser::operator()(SearchState* search) const noexcept {
  if (search->handle != INVALID_HANDLE_VALUE) {
    const ErrorKeeper keep;
    FindClose(search->handle);
  }
  std::default_delete<SearchState>()(search);
}

SearchHandle FindFirst(const char* pattern, FoundEntry& entry) {
  auto search = std::make_unique<SearchState>();
  search->handle = FindFirstFileA(pattern, &search->data);
  if (search->handle == INVALID_HANDLE_VALUE) return nullptr;
  entry = EntryOf(search->data);
  return SearchHandle(search.release());
}

bool FindNext(SearchState& search, FoundEntry& entry) {
  if (!FindNextFileA(search.handle, &search.data)) return false;
  entry = EntryOf(search.data);
  return true;
}

bool CreateFolder(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool CopyFileReplacing(const char* source, const char* destination) {
  // A link is not followed and a folder is no file.
  const DWORD attributes = GetFileAttributesA(source);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) return Fail(ERROR_ACCESS_DENIED);

  // The platform's copy truncates its destination in place: copy beside it instead.
  TemporaryFile copy(FolderOf(destination));
  if (!copy) return false;
  if (!CopyFileA(source, copy.Path().c_str(), FALSE)) return false;
  // A CD's read-only mark does not travel, so the next install can replace the file.
  const DWORD kept = attributes & ~FILE_ATTRIBUTE_READONLY;
  if (!SetFileAttributesA(copy.Path().c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL)) return false;
  const DWORD existing = GetFileAttributesA(destination);
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) != 0 &&
      (existing & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetFileAttributesA(destination, existing & ~FILE_ATTRIBUTE_READONLY);
  }
  if (!MoveFileExA(copy.Path().c_str(), destination, MOVEFILE_REPLACE_EXISTING)) return false;
  copy.Release();
  return true;
}

unsigned long LastError() { return ::GetLastError(); }

void SetLastError(unsigned long code) { ::SetLastError(code); }

std::size_t CharacterLength(std::string_view text) {
  if (text.empty()) return 0;
  // A lead byte of the ANSI code page's double-byte characters, with its trail byte.
  return (text.size() >= 2 && IsDBCSLeadByte(static_cast<BYTE>(text[0]))) ? 2 : 1;
}

}  // namespace files
