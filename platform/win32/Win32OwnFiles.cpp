// The program's own files on Windows: its logs and the server's configuration, through
// the wide file calls, each path converted once where it comes in. Nothing here waits
// on a pipe or a device.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "installer/FileServices.h"
#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32Text.h"

namespace files {

struct OwnFileState {
  win32::UniqueHandle file;
};

void StateCloser::operator()(OwnFileState* file) const noexcept { std::default_delete<OwnFileState>()(file); }

namespace {

OwnFileHandle Own(win32::UniqueHandle file) {
  return OwnFileHandle(std::make_unique<OwnFileState>(OwnFileState{std::move(file)}).release());
}

// A file on a disk, not a folder, a pipe or a device.
bool IsRegular(HANDLE file) {
  if (GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  return GetFileInformationByHandle(file, &information) != 0 &&
         (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

template <typename Result>
Result FailWith(DWORD code, Result result) {
  ::SetLastError(code);
  return result;
}

}  // namespace

OwnFileHandle CreateNewFile(const char* path) {
  const std::optional<std::wstring> longPath = win32::LongPathOf(path);
  if (!longPath) return nullptr;
  // CREATE_NEW fails on any name that is there; a reparse point at it is not followed.
  win32::UniqueHandle file(CreateFileW(longPath->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return FailWith(::GetLastError() == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : ::GetLastError(), nullptr);
  return Own(std::move(file));
}

OwnFileHandle OpenFileToReplace(const char* path) {
  const std::optional<std::wstring> wide = win32::WideOf(path);
  if (!wide) return nullptr;
  // Device names (NUL, CON) and pipes are opened as named, to be refused below.
  win32::UniqueHandle file(CreateFileW(wide->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return FailWith(folder ? ERROR_INVALID_PARAMETER : error, nullptr);
  }
  if (!IsRegular(file.Get())) return FailWith(ERROR_INVALID_PARAMETER, nullptr);
  if (!SetEndOfFile(file.Get())) return nullptr;
  return Own(std::move(file));
}

bool WriteToFile(OwnFileState& file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), DWORD{1} << 20));
    if (!WriteFile(file.file.Get(), bytes.data(), piece, &written, nullptr)) return false;
    if (written == 0) return FailWith(ERROR_DISK_FULL, false);
    bytes.remove_prefix(written);
  }
  return true;
}

bool ReadSmallFile(const char* path, std::size_t limit, std::string& text) {
  text.clear();
  const std::optional<std::wstring> longPath = win32::LongPathOf(path);
  if (!longPath) return false;
  const win32::UniqueHandle file(CreateFileW(longPath->c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return false;
  if (!IsRegular(file.Get())) return FailWith(ERROR_INVALID_PARAMETER, false);
  text.resize(limit);
  std::size_t got = 0;
  while (got < limit) {
    DWORD read = 0;
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(limit - got, DWORD{1} << 20));
    if (!ReadFile(file.Get(), text.data() + got, piece, &read, nullptr)) return false;
    if (read == 0) break;
    got += read;
  }
  text.resize(got);
  return true;
}

bool CreateFolders(const char* path) {
  const std::optional<std::wstring> longPath = win32::LongPathOf(path);
  if (!longPath) return false;
  // Each level below the long form's root, from the top: the root is "\\?\C:\", or
  // "\\?\UNC\server\share\" for a share.
  constexpr std::wstring_view kUncForm = L"\\\\?\\UNC\\";
  std::size_t rootLength = longPath->find(L':') + 2;
  if (longPath->starts_with(kUncForm)) {
    const std::size_t share = longPath->find(L'\\', kUncForm.size());
    const std::size_t shareEnd = share == std::wstring::npos ? share : longPath->find(L'\\', share + 1);
    rootLength = shareEnd == std::wstring::npos ? longPath->size() : shareEnd + 1;
  }
  const std::size_t rootEnd = rootLength >= longPath->size() ? std::wstring::npos : longPath->find(L'\\', rootLength);
  for (std::size_t end = rootEnd;; end = longPath->find(L'\\', end + 1)) {
    const std::wstring level = longPath->substr(0, end);
    if (!CreateDirectoryW(level.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    if (end == std::wstring::npos) break;
  }
  const DWORD attributes = GetFileAttributesW(longPath->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? true : FailWith(ERROR_PATH_NOT_FOUND, false);
}

bool ListRegularFiles(const char* path, const std::function<void(const std::string& name)>& take) {
  const std::optional<std::wstring> longPath = win32::LongPathOf(path);
  if (!longPath) return false;
  WIN32_FIND_DATAW data{};
  // Only the names are read: the short names are not asked for.
  const win32::UniqueFind search(FindFirstFileExW((*longPath + L"\\*").c_str(), FindExInfoBasic, &data,
                                                  FindExSearchNameMatch, nullptr, 0));
  if (!search) return false;
  do {
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) continue;
    // A name the code page cannot hold is no name the program could have made.
    const win32::NarrowName name = win32::NarrowOf(data.cFileName);
    if (name.exact) take(name.text);
  } while (FindNextFileW(search.Get(), &data));
  return ::GetLastError() == ERROR_NO_MORE_FILES;
}

bool RemoveFile(const char* path) {
  const std::optional<std::wstring> longPath = win32::LongPathOf(path);
  return longPath && DeleteFileW(longPath->c_str()) != 0;
}

std::optional<FolderIdentity> IdentifyFolderOfFile(const char* path) {
  const std::optional<std::wstring> longPath = win32::LongPathOf(path);
  if (!longPath) return std::nullopt;
  // The separator is found in the wide path: in a double-byte code page a character's
  // second byte can be the separator's.
  const std::wstring folder = longPath->substr(0, longPath->rfind(L'\\') + 1);
  const win32::UniqueHandle handle(CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!handle || !GetFileInformationByHandle(handle.Get(), &information)) return std::nullopt;
  return FolderIdentity{information.dwVolumeSerialNumber,
                        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

}  // namespace files
