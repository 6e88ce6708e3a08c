// The file-services port on Windows: searches, folders and the copy's reads and writes
// through the platform's wide file calls, each path converted once where it comes in.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "installer/FileServices.h"
#include "installer/SystemPath.h"
#include "installer/TextEncoding.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32Text.h"

namespace files {

// Searches are wide: each name is taken as the folder holds it and converted once,
// so a name the code page cannot hold is reported instead of read as another.
struct SearchState {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};
};

namespace {

using win32::ErrorKeeper;

// A reparse point (a symbolic link, a junction) is no folder: it is reported, never
// followed.
bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
bool IsFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(attributes); }

// "." and ".." are folders whatever else they are marked (Wine marks the ".." of a
// folder on a mounted disc's root as a reparse point).
bool IsFolderEntry(const WIN32_FIND_DATAW& data) {
  const std::wstring_view name = data.cFileName;
  return name == L"." || name == L".." || IsFolder(data.dwFileAttributes);
}

FoundEntry EntryOf(const WIN32_FIND_DATAW& data) {
  win32::NarrowName name = win32::NarrowOf(data.cFileName);
  return {std::move(name.text), IsFolderEntry(data), name.exact ? kErrorSuccess : kErrorNoUnicodeTranslation};
}

// Starts a wide search for the ANSI `pattern`. A pattern is settled by the search
// itself, as the narrow search settles it: its wildcards and a separator at its end
// mean something there.
HANDLE StartSearch(const char* pattern, WIN32_FIND_DATAW& data) {
  const std::optional<std::wstring> wide = win32::WideOf(pattern);
  if (!wide) return INVALID_HANDLE_VALUE;
  return FindFirstFileW(wide->c_str(), &data);
}

bool Fail(DWORD code) {
  ::SetLastError(code);
  return false;
}

// Copies all of `input` into `output`. True only when every read and write succeeded
// and the bytes written are as many as the open source holds: a disc whose reads end
// early without an error (as the platform's own copy lets through) fails as an I/O
// error instead of leaving a short file.
constexpr DWORD kBufferBytes = DWORD{1} << 20;
bool CopyContent(HANDLE input, HANDLE output, char* buffer, std::uint64_t& copied, const CopyWatch* watch) {
  ULONGLONG total = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(input, buffer, kBufferBytes, &got, nullptr)) return false;
    if (got == 0) break;
    DWORD put = 0;
    if (!WriteFile(output, buffer, got, &put, nullptr)) return false;
    // A file written without buffering of its own takes fewer bytes only when the disk
    // is full (Wine reports ENOSPC so, where Windows fails the write with 112 itself).
    if (put != got) return Fail(ERROR_DISK_FULL);
    total += got;
    // Each buffer is reported, and a stop abandons the copy here.
    if (watch != nullptr && !(*watch)(total)) return Fail(ERROR_CANCELLED);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(input, &size)) return false;
  copied = total;
  return total == static_cast<ULONGLONG>(size.QuadPart) || Fail(ERROR_IO_DEVICE);
}

// Gives the copy the source's modification time and attributes, but not its read-only
// mark: a CD's marks do not travel, so the next install can replace the file.
bool TakeOverTimeAndAttributes(HANDLE source, HANDLE copy) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(source, &information)) return false;
  FILE_BASIC_INFO basic{};
  basic.LastWriteTime.LowPart = information.ftLastWriteTime.dwLowDateTime;
  basic.LastWriteTime.HighPart = static_cast<LONG>(information.ftLastWriteTime.dwHighDateTime);
  const DWORD kept = information.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
  basic.FileAttributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(copy, FileBasicInfo, &basic, sizeof basic) != 0;
}

}  // namespace

void StateCloser::operator()(SearchState* search) const noexcept {
  if (search->handle != INVALID_HANDLE_VALUE) {
    const ErrorKeeper keep;
    FindClose(search->handle);
  }
  std::default_delete<SearchState>()(search);
}

SearchHandle FindFirst(const char* pattern, FoundEntry& entry) {
  auto search = std::make_unique<SearchState>();
  search->handle = StartSearch(pattern, search->data);
  if (search->handle == INVALID_HANDLE_VALUE) return nullptr;
  entry = EntryOf(search->data);
  return SearchHandle(search.release());
}

bool FindNext(SearchState& search, FoundEntry& entry) {
  if (!FindNextFileW(search.handle, &search.data)) return false;
  entry = EntryOf(search.data);
  return true;
}

bool TallyEntries(const char* pattern, EntryTally& tally) {
  WIN32_FIND_DATAW data{};
  const win32::UniqueFind search(StartSearch(pattern, data));
  if (!search) return false;
  do {
    if (IsFolderEntry(data)) continue;
    ++tally.files;
    tally.bytes += (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  } while (FindNextFileW(search.Get(), &data));
  return true;
}

bool CreateFolder(const char* path) {
  const std::optional<std::wstring> folder = win32::LongPathOf(path);
  return folder && CreateDirectoryW(folder->c_str(), nullptr) != 0;
}

std::optional<FolderIdentity> IdentifyFolder(const char* path) {
  const std::optional<std::wstring> longPath = win32::LongPathOf(path);
  if (!longPath) return std::nullopt;
  // No access is asked for: the folder's identity is all that is read.
  const win32::UniqueHandle folder(CreateFileW(longPath->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(folder.Get(), &information)) return std::nullopt;
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    Fail(ERROR_DIRECTORY);
    return std::nullopt;
  }
  return FolderIdentity{information.dwVolumeSerialNumber,
                        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

std::optional<std::wstring> FolderState::EntryPath(const char* name) const {
  const std::optional<std::wstring> wide = win32::WideOf(name);
  if (!wide) return std::nullopt;
  const std::optional<std::wstring> full = win32::FullPathOf(path + *wide);
  if (!full) return std::nullopt;
  return win32::LongFormOf(*full);
}

void StateCloser::operator()(FolderState* folder) const noexcept { std::default_delete<FolderState>()(folder); }

FolderHandle OpenFolder(const char* path) {
  const std::optional<std::wstring> wide = win32::WideOf(path);
  if (!wide) return nullptr;
  std::optional<std::wstring> full = win32::FullPathOf(*wide);
  if (!full) return nullptr;
  // A file call in a folder that is not there, or is a plain file, fails with 3.
  const DWORD attributes = GetFileAttributesW(win32::LongFormOf(*full).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    Fail(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  if (!full->ends_with(L'\\')) *full += L'\\';
  return FolderHandle(std::make_unique<FolderState>(FolderState{std::move(*full), false, nullptr}).release());
}

void ListFiles(FolderState& folder, const std::function<void(const std::string& name)>& take) {
  WIN32_FIND_DATAW data{};
  const win32::UniqueFind search(FindFirstFileW(win32::LongFormOf(folder.path + L"*").c_str(), &data));
  if (!search) return;
  do {
    if (IsFolderEntry(data)) continue;
    const win32::NarrowName name = win32::NarrowOf(data.cFileName);
    if (name.exact) take(name.text);
  } while (FindNextFileW(search.Get(), &data));
}

bool RemoveUnheldFile(FolderState& folder, const char* name) {
  // A file a running copy holds refuses deletion (sharing violation) and stays.
  const std::optional<std::wstring> path = folder.EntryPath(name);
  return path && DeleteFileW(path->c_str()) != 0;
}

void StateCloser::operator()(SourceState* source) const noexcept { std::default_delete<SourceState>()(source); }

SourceHandle OpenSource(FolderState& folder, const char* name) {
  const std::optional<std::wstring> path = folder.EntryPath(name);
  if (!path) return nullptr;
  // A link is never followed, to a folder or a file, and a folder is no file.
  const DWORD attributes = GetFileAttributesW(path->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
  if (IsLink(attributes) || IsFolder(attributes)) {
    Fail(IsLink(attributes) ? ERROR_CANT_ACCESS_FILE : ERROR_ACCESS_DENIED);
    return nullptr;
  }
  win32::UniqueHandle input(CreateFileW(path->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
  if (!input) return nullptr;
  // What was opened is asked again before a byte is read: a link put in the file's
  // place meanwhile opens as itself, and is refused here.
  FILE_ATTRIBUTE_TAG_INFO opened{};
  if (!GetFileInformationByHandleEx(input.Get(), FileAttributeTagInfo, &opened, sizeof opened)) return nullptr;
  if (IsLink(opened.FileAttributes)) {
    Fail(ERROR_CANT_ACCESS_FILE);
    return nullptr;
  }
  return SourceHandle(std::make_unique<SourceState>(SourceState{std::move(input)}).release());
}

bool WriteCopy(NewFileState& file, SourceState& source, std::uint64_t& bytesWritten, const CopyWatch* watch) {
  std::uint64_t copied = 0;
  // The folder's buffer, made at its first copy.
  std::unique_ptr<char[]>& buffer = file.folder.copyBuffer;
  if (!buffer) buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  if (!CopyContent(source.file.Get(), file.file.Get(), buffer.get(), copied, watch) ||
      !TakeOverTimeAndAttributes(source.file.Get(), file.file.Get())) {
    return false;
  }
  bytesWritten = copied;
  return true;
}

std::string ErrorText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const std::unique_ptr<wchar_t, decltype(&LocalFree)> owned(text, &LocalFree);
  if (length == 0) return TableText(code);
  // The system's words in the program's narrow encoding, converted once, here.
  std::string message = win32::AnsiFromWide(std::wstring_view(text, length));
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

std::string SystemPath(const char* path) { return path; }

unsigned long LastError() { return ::GetLastError(); }

void SetLastError(unsigned long code) { ::SetLastError(code); }

std::size_t CharacterLength(std::string_view text) {
  if (text.empty()) return 0;
  // A lead byte of the ANSI code page's double-byte characters, with its trail byte;
  // no double-byte code page has a trail byte below 0x40, so a control character after
  // a stray lead byte stays a character of its own.
  const bool trailed = text.size() >= 2 && static_cast<BYTE>(text[1]) >= 0x40;
  return trailed && IsDBCSLeadByte(static_cast<BYTE>(text[0])) ? 2 : 1;
}

}  // namespace files
