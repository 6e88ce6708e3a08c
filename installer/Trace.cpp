#include "installer/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "installer/Format.h"
#include "installer/StandardOutput.h"

namespace {

constexpr std::size_t kTraceBufferBytes = 4096;
bool g_traceIsInteractive = false;

std::string WithCrLf(const std::string& text) {
  std::string converted;
  converted.reserve(text.size() + 2);
  for (const char c : text) {
    if (c == '\n') converted += '\r';
    converted += c;
  }
  return converted;
}

}  // namespace

void PrepareTraceOutput() {
  g_traceIsInteractive = output::PrepareStandardOutput();
  if (!g_traceIsInteractive) std::setvbuf(stdout, nullptr, _IOFBF, kTraceBufferBytes);
}

void Trace(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::string text = FormatTextV(format, arguments);
  va_end(arguments);

  const std::string line = WithCrLf(text);
  std::fwrite(line.data(), 1, line.size(), stdout);
  if (g_traceIsInteractive) std::fflush(stdout);
}
