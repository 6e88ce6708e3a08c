#include "platform/win32/Win32Text.h"

#include <windows.h>

namespace win32 {

namespace {

// The one conversion into UTF-16, from text in `codePage`.
std::wstring WideFrom(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) { return WideFrom(CP_UTF8, text); }

std::wstring WideFromAnsi(std::string_view text) { return WideFrom(CP_ACP, text); }

std::string AnsiFromUtf8(std::string_view text) { return AnsiFromWide(WideFromUtf8(text)); }

std::string AnsiFromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length, nullptr, nullptr);
  return ansi;
}

}  // namespace win32
