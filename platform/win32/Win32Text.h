// Text between our UTF-8 resources and Windows: UTF-16 for templates, and the ANSI
// code page for the narrow strings the program works with.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

std::wstring WideFromUtf8(std::string_view text);
std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromUtf8(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);

}  // namespace win32
