#include "platform/win32/Win32Paths.h"

#include "installer/FileServices.h"

namespace win32 {

std::optional<std::wstring> LongPathOf(const char* path) {
  const int units = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (units == 0) return std::nullopt;
  if (static_cast<std::size_t>(units - 1) > files::kLongestPath) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return std::nullopt;
  }
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), units);
  wide.resize(static_cast<std::size_t>(units - 1));

  // The narrow calls settle ".", "..", doubled separators and final dots this way.
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::wstring full(size, L'\0');
  const DWORD written = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (written == 0) return std::nullopt;
  // Another thread changed the current folder in between: the text did not fit.
  if (written >= size) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return std::nullopt;
  }
  size = written;
  full.resize(size);

  if (full.starts_with(LR"(\\?\)") || full.starts_with(LR"(\\.\)")) return LR"(\\?\)" + full.substr(4);
  if (full.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

std::wstring FolderOf(const std::wstring& longPath) { return longPath.substr(0, longPath.find_last_of(L'\\') + 1); }

}  // namespace win32
