// printf-style formatting into a string that grows as needed.
#pragma once

#include <cstdarg>
#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, std::va_list arguments) __attribute__((format(printf, 1, 0)));
