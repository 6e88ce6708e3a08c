#include "platform/win32/Win32Text.h"

#include <windows.h>

namespace win32 {

namespace {

// The one conversion into UTF-16, from text in `codePage`; nothing, with the last error
// set, where `flags` make it strict and the text is none of that code page.
std::optional<std::wstring> WideFrom(UINT codePage, DWORD flags, std::string_view text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
  return wide;
}

// The one conversion out of UTF-16, into the ANSI code page; `usedDefault`, where given,
// tells whether a character the code page lacks became its default character.
std::string AnsiFrom(std::wstring_view wide, DWORD flags, BOOL* usedDefault) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, usedDefault);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), size, ansi.data(), length, nullptr, usedDefault);
  return ansi;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) { return WideFrom(CP_UTF8, 0, text).value_or(std::wstring()); }

std::wstring WideFromAnsi(std::string_view text) { return WideFrom(CP_ACP, 0, text).value_or(std::wstring()); }

std::string AnsiFromUtf8(std::string_view text) { return AnsiFromWide(WideFromUtf8(text)); }

std::string AnsiFromWide(std::wstring_view wide) { return AnsiFrom(wide, 0, nullptr); }

std::optional<std::wstring> WideOf(std::string_view text) { return WideFrom(CP_ACP, MB_ERR_INVALID_CHARS, text); }

NarrowName NarrowOf(std::wstring_view name) {
  // Without best fit, a character the code page lacks becomes its default character;
  // UTF-8 takes every name and accepts neither the flag nor the question.
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL usedDefault = FALSE;
  NarrowName narrow{AnsiFrom(name, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, utf8 ? nullptr : &usedDefault)};
  if (narrow.text.empty() && !name.empty()) return {"?", false};
  // The name must also come back as it was: only then does the narrow name open it.
  const std::optional<std::wstring> back = WideOf(narrow.text);
  narrow.exact = !usedDefault && back && *back == name;
  return narrow;
}

}  // namespace win32
