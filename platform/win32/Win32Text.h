// Text between the program and Windows, converted here and nowhere else. The program's
// narrow strings are in the ANSI code page, as the system's narrow calls take them; our
// resources are UTF-8; every call this port makes takes UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace win32 {

// Text to be shown: converted as the system's narrow calls convert it, a byte that
// starts no character of the code page becoming a stand-in character.
std::wstring WideFromUtf8(std::string_view text);
std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromUtf8(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);

// `text` (ANSI code page) in UTF-16, strictly; nothing, with the last error set, where
// it is no text of that code page.
std::optional<std::wstring> WideOf(std::string_view text);

// A file name as a search gives it, in the ANSI code page. Not `exact` where the code
// page cannot hold it and gives back another name (a best-fit letter, a '?'), which
// must never be taken for the file of that other name.
struct NarrowName {
  std::string text;
  bool exact = true;
};
NarrowName NarrowOf(std::wstring_view name);

}  // namespace win32
