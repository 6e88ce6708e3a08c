#include "platform/win32/Win32Paths.h"


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
  const int units = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (units == 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), units);
  wide.resize(static_cast<std::size_t>(units - 1));
  const std::optional<std::wstring> full = FullPathOf(wide);
  if (!full) return std::nullopt;
  return LongFormOf(*full);
}

std::optional<std::wstring> WideOf(const char* text) {
  const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (units == 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, wide.data(), units);
  wide.resize(static_cast<std::size_t>(units - 1));
  return wide;
}

NarrowName NarrowOf(const wchar_t* name) {
  // Without best fit, a character the code page lacks becomes its default character;
  // UTF-8 takes every name and accepts neither the flag nor the question.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* const askUsedDefault = utf8 ? nullptr : &usedDefault;
  const int bytes = WideCharToMultiByte(CP_ACP, flags, name, -1, nullptr, 0, nullptr, askUsedDefault);
  if (bytes == 0) return {"?", false};
  NarrowName narrow;
  narrow.text.assign(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, flags, name, -1, narrow.text.data(), bytes, nullptr, askUsedDefault);
  narrow.text.resize(static_cast<std::size_t>(bytes - 1));
  // The name must also come back as it was: only then does the narrow name open it.
  const std::optional<std::wstring> back = WideOf(narrow.text.c_str());
  narrow.exact = !usedDefault && back && *back == name;
  return narrow;
}


}  // namespace win32
