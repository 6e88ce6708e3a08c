#include "platform/win32/Win32TemporaryFile.h"

#include <cstddef>
#include <random>
#include <vector>

#include "installer/FileServices.h"

namespace win32 {
namespace {

std::wstring TemporaryPrefix() {
  return {files::kTemporaryPrefix.begin(), files::kTemporaryPrefix.end()};
}

std::wstring RandomTemporaryName() {
  static constexpr wchar_t kCharacters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kCharacters) - 2);
  std::wstring name = TemporaryPrefix();
  for (std::size_t i = 0; i < files::kTemporaryRandomCharacters; ++i) name += kCharacters[pick(generator)];
  return name;
}

// A capability note: this system refuses the rename with POSIX semantics.
thread_local bool t_renameExRefused = false;

// FileRenameInfoEx (Windows 10 1709), which these headers name only for newer targets.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

bool IsTemporaryName(const std::wstring& name) {
  return name.size() == files::kTemporaryPrefix.size() + files::kTemporaryRandomCharacters &&
         name.starts_with(TemporaryPrefix());
}

}  // namespace

TemporaryFile::TemporaryFile(const std::wstring& folder) {
  // No sharing at all: another install can neither open nor delete the file meanwhile.
  constexpr int kAttempts = 64;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    m_file = UniqueHandle(CreateFileW((folder + RandomTemporaryName()).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (m_file || ::GetLastError() != ERROR_FILE_EXISTS) return;
  }
}

TemporaryFile::~TemporaryFile() {
  if (!m_file || m_renamed) return;
  const ErrorKeeper keep;
  FILE_DISPOSITION_INFO dispose{};
  dispose.DeleteFile = TRUE;
  SetFileInformationByHandle(m_file.Get(), FileDispositionInfo, &dispose, sizeof dispose);
}

bool TemporaryFile::RenameOver(const std::wstring& destination) {
  // Renamed through its own handle, so it is never free for a sweep between the last
  // write and the rename. The call takes the system's own form "\??\C:\...".
  const std::wstring target = LR"(\??\)" + destination.substr(4);
  const std::size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  target.copy(rename->FileName, target.size());
  const auto size = static_cast<DWORD>(buffer.size());
  // With POSIX semantics a destination that a reader (the web server, a scanner) has
  // open is replaced all the same; systems before Windows 10 refuse the request, and
  // then the classic rename is the one there is.
  // With POSIX semantics a destination that a reader (the web server, a scanner) has
  // open is replaced all the same; systems before Windows 10 (and Wine 8) refuse the
  // request, and then the classic rename is the one there is. The refusal is noted:
  // asking again would cost a look-up of the destination's name for every file.
  bool renamed = false;
  if (!t_renameExRefused) {
    rename->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
    renamed = SetFileInformationByHandle(m_file.Get(), kFileRenameInfoEx, rename, size) != 0;
    if (!renamed) {
      const DWORD error = ::GetLastError();
      t_renameExRefused = error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
                          error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
      if (!t_renameExRefused) return false;
    }
  }
  if (!renamed) {
    rename->Flags = 0;
    rename->ReplaceIfExists = TRUE;
    if (!SetFileInformationByHandle(m_file.Get(), FileRenameInfo, rename, size)) return false;
  }
  m_renamed = true;
  // Let go of the file at once: another install may be about to replace it in turn.
  m_file = UniqueHandle();
  return true;
}

namespace {
thread_local std::wstring t_sweptLast;
}  // namespace

void ForgetSweptFolder() { t_sweptLast.clear(); }

void SweepAbandonedOnce(const std::wstring& folder) {
  if (folder == t_sweptLast) return;
  t_sweptLast = folder;
  const ErrorKeeper keep;
  WIN32_FIND_DATAW found{};
  const UniqueFind search(FindFirstFileW((folder + TemporaryPrefix() + L"*").c_str(), &found));
  if (!search) return;
  do {
    // A file a running copy holds refuses deletion (sharing violation) and stays.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsTemporaryName(found.cFileName)) {
      DeleteFileW((folder + found.cFileName).c_str());
    }
  } while (FindNextFileW(search.Get(), &found));
}

}  // namespace win32
