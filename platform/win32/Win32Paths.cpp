#include "platform/win32/Win32Paths.h"

#include "platform/win32/Win32Text.h"


namespace win32 {

std::optional<std::wstring> FullPathOf(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::nullopt;
  std::wstring full(size, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (written == 0) return std::nullopt;
  // Another thread changed the current folder in between: the text did not fit.
  if (written >= size) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return std::nullopt;
  }
  full.resize(written);
  return full;
}

std::wstring LongFormOf(const std::wstring& full) {
  if (full.starts_with(LR"(\\?\)") || full.starts_with(LR"(\\.\)")) return LR"(\\?\)" + full.substr(4);
  if (full.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

std::optional<std::wstring> LongPathOf(const char* path) {
  const std::optional<std::wstring> full = FullPathOf(WideFromAnsi(path));
  if (!full) return std::nullopt;
  return LongFormOf(*full);
}

}  // namespace win32
