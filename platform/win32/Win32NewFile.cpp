// New files on Windows: there are no files without a name, so each is created under a
// held name and renamed over its destination through its own handle once whole.
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/win32/Win32Handles.h"

namespace {

using files::NewFileState;

// FileRenameInfoEx (Windows 10 1709), which these headers name only for newer targets.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

bool Fail(DWORD code) {
  ::SetLastError(code);
  return false;
}

// Renames the file over `target` (a long path) through its own handle, so it is never
// free for a sweep between the last write and the rename.
bool RenameOver(NewFileState& file, const std::wstring& target, bool replacing) {
  // The call takes the system's own form "\??\C:\...".
  const std::wstring systemForm = LR"(\??\)" + target.substr(4);
  const std::size_t nameBytes = systemForm.size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  systemForm.copy(rename->FileName, systemForm.size());
  const auto size = static_cast<DWORD>(buffer.size());
  // With POSIX semantics a destination that a reader (the web server, a scanner) has
  // open is replaced all the same; systems before Windows 10 (and Wine 8) refuse the
  // request, and then the classic rename is the one there is. The refusal is noted on
  // the folder: asking again would cost a look-up of the destination's name per file.
  bool renamed = false;
  bool& refused = file.folder.renameExRefused;
  if (replacing && !refused) {
    rename->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    renamed = SetFileInformationByHandle(file.file.Get(), kFileRenameInfoEx, rename, size) != 0;
    if (!renamed) {
      const DWORD error = ::GetLastError();
      refused = error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
                error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
      if (!refused) return false;
    }
  }
  if (!renamed) {
    rename->Flags = 0;
    rename->ReplaceIfExists = replacing ? TRUE : FALSE;
    if (!SetFileInformationByHandle(file.file.Get(), FileRenameInfo, rename, size)) return false;
  }
  file.placed = true;
  // Let go of the file at once: another install may be about to replace it in turn.
  file.file = win32::UniqueHandle();
  return true;
}

}  // namespace

namespace files {

void StateCloser::operator()(NewFileState* file) const noexcept {
  if (file->file && !file->placed) {
    const win32::ErrorKeeper keep;
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    SetFileInformationByHandle(file->file.Get(), FileDispositionInfo, &dispose, sizeof dispose);
  }
  std::default_delete<NewFileState>()(file);
}

NewFileHandle CreateUnnamedFile(FolderState&) {
  Fail(kErrorNotSupported);
  return nullptr;
}

NewFileHandle CreateHeldFile(FolderState& folder, const char* name) {
  const std::optional<std::wstring> path = folder.EntryPath(name);
  if (!path) return nullptr;
  // No sharing at all: another install can neither open nor delete the file meanwhile.
  win32::UniqueHandle file(
      CreateFileW(path->c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    if (::GetLastError() == ERROR_FILE_EXISTS) Fail(kErrorAlreadyExists);
    return nullptr;
  }
  return NewFileHandle(std::make_unique<NewFileState>(NewFileState{folder, std::move(file)}).release());
}

bool HoldUnderName(NewFileState&, const char*) { return Fail(kErrorNotSupported); }

bool ClearReadOnlyMark(FolderState& folder, const char* name) {
  const std::optional<std::wstring> path = folder.EntryPath(name);
  if (!path) return false;
  const DWORD attributes = GetFileAttributesW(path->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
    return false;
  }
  return SetFileAttributesW(path->c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

bool SetReadOnlyMark(FolderState& folder, const char* name) {
  const std::optional<std::wstring> path = folder.EntryPath(name);
  if (!path) return false;
  const DWORD attributes = GetFileAttributesW(path->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return SetFileAttributesW(path->c_str(), attributes | FILE_ATTRIBUTE_READONLY) != 0;
}

bool PutInPlace(NewFileState& file, const char* name, Placing how) {
  const std::optional<std::wstring> target = file.folder.EntryPath(name);
  if (!target) return false;
  if (how == Placing::kReplacing) return RenameOver(file, *target, true);
  return RenameOver(file, *target, false) || (::GetLastError() == ERROR_FILE_EXISTS && Fail(kErrorAlreadyExists));
}

}  // namespace files
