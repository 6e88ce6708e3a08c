// The file-services port on Windows: the platform's own file calls with the
// installer's paths as they stand, and a copy of our own that replaces a destination
// only with a whole, complete file.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "installer/FileServices.h"
#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32TemporaryFile.h"

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

// Starts a wide search for the ANSI `pattern`, up to the length the narrow search takes.
HANDLE StartSearch(const char* pattern, WIN32_FIND_DATAW& data) {
  const std::optional<std::wstring> wide = win32::WideOf(pattern);
  if (!wide) return INVALID_HANDLE_VALUE;
  if (wide->size() > kLongestPath) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return INVALID_HANDLE_VALUE;
  }
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
bool CopyContent(HANDLE input, HANDLE output, std::uint64_t& copied, const CopyWatch* watch) {
  constexpr DWORD kBufferBytes = DWORD{1} << 20;
  thread_local const auto buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  ULONGLONG total = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(input, buffer.get(), kBufferBytes, &got, nullptr)) return false;
    if (got == 0) break;
    DWORD put = 0;
    if (!WriteFile(output, buffer.get(), got, &put, nullptr)) return false;
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

// A destination file's read-only mark, cleared so that a copy can replace it, and put
// back unless the copy took its place.
class ReadOnlyMarkLifted {
 public:
  explicit ReadOnlyMarkLifted(const std::wstring& path) : m_path(path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
      return;
    }
    if (SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) m_restore = attributes;
  }
  ReadOnlyMarkLifted(const ReadOnlyMarkLifted&) = delete;
  ReadOnlyMarkLifted& operator=(const ReadOnlyMarkLifted&) = delete;
  ~ReadOnlyMarkLifted() {
    if (m_restore == 0) return;
    const ErrorKeeper keep;
    SetFileAttributesW(m_path.c_str(), m_restore);
  }

  bool Lifted() const { return m_restore != 0; }
  void Replaced() { m_restore = 0; }

 private:
  const std::wstring& m_path;
  DWORD m_restore = 0;
};

// Renames that meet a destination held for a moment by another install: 20 attempts
// wait about 0.2 s in all.
constexpr int kRenameAttempts = 20;

// Renames `copy` over `target`. A destination marked read-only refuses it: its mark is
// lifted and put back unless the copy took its place. One that another install has
// just put in place and holds open for a moment yet (or, without POSIX semantics, that
// a reader holds open) refuses it too: the rename is tried again a bounded number of
// times. The mark is asked for only after a refusal: asking for a name that is not
// there yet costs a look-up through the whole folder on some file systems.
bool PutInPlace(win32::TemporaryFile& copy, const std::wstring& target) {
  for (int attempt = 1;; ++attempt) {
    if (copy.RenameOver(target)) return true;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
    if (attempt == 1) {
      ReadOnlyMarkLifted mark(target);
      if (mark.Lifted()) {
        if (!copy.RenameOver(target)) return false;
        mark.Replaced();
        return true;
      }
    }
    if (attempt == kRenameAttempts) return false;
    Sleep(static_cast<DWORD>(attempt));
  }
}

}  // namespace

void SearchCloser::operator()(SearchState* search) const noexcept {
  if (search->handle != INVALID_HANDLE_VALUE) {
    const ErrorKeeper keep;
    FindClose(search->handle);
  }
  std::default_delete<SearchState>()(search);
}

SearchHandle FindFirst(const char* pattern, FoundEntry& entry) {
  win32::ForgetSweptFolder();
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

bool CreateFolder(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool CopyFileReplacing(const char* source, const char* destination, std::uint64_t* bytesCopied,
                       const CopyWatch* watch) {
  // A link is never followed, to a folder or a file, and a folder is no file.
  const DWORD attributes = GetFileAttributesA(source);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (IsLink(attributes)) return Fail(ERROR_CANT_ACCESS_FILE);
  if (IsFolder(attributes)) return Fail(ERROR_ACCESS_DENIED);
  const win32::UniqueHandle input(CreateFileA(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!input) return false;
  // What was opened is asked again before a byte is read: a link put in the file's
  // place meanwhile opens as itself, and is refused here.
  FILE_ATTRIBUTE_TAG_INFO opened{};
  if (!GetFileInformationByHandleEx(input.Get(), FileAttributeTagInfo, &opened, sizeof opened)) return false;
  if (IsLink(opened.FileAttributes)) return Fail(ERROR_CANT_ACCESS_FILE);

  // The copy is written beside the destination and renamed over it once whole: the
  // platform's own copy would truncate the destination in place.
  const std::optional<std::wstring> target = win32::LongPathOf(destination);
  if (!target) return false;
  const std::wstring folder = win32::FolderOf(*target);
  win32::SweepAbandonedOnce(folder);
  win32::TemporaryFile copy(folder);
  if (!copy) return false;
  std::uint64_t copied = 0;
  if (!CopyContent(input.Get(), copy.Get(), copied, watch) || !TakeOverTimeAndAttributes(input.Get(), copy.Get())) return false;
  if (!PutInPlace(copy, *target)) return false;
  if (bytesCopied != nullptr) *bytesCopied = copied;
  return true;
}

std::optional<FolderIdentity> IdentifyFolder(const char* path) {
  // No access is asked for: the folder's identity is all that is read.
  const win32::UniqueHandle folder(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

std::string ErrorText(unsigned long code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<char*>(&text), 0, nullptr);
  const std::unique_ptr<char, decltype(&LocalFree)> owned(text, &LocalFree);
  if (length == 0) return "Error " + std::to_string(code) + ".";
  std::string message(text, length);
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
  // A lead byte of the ANSI code page's double-byte characters, with its trail byte.
  return (text.size() >= 2 && IsDBCSLeadByte(static_cast<BYTE>(text[0]))) ? 2 : 1;
}

}  // namespace files
