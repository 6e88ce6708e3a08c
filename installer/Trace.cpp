#include "installer/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>

#include "installer/Format.h"
#include "installer/StandardOutput.h"

namespace {

constexpr std::size_t kTraceBufferBytes = 4096;
bool g_traceIsInteractive = false;
bool g_tracePrepared = false;

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
  if (std::exchange(g_tracePrepared, true)) return;
  g_traceIsInteractive = output::PrepareStandardOutput();
  if (!g_traceIsInteractive) std::setvbuf(stdout, nullptr, _IOFBF, kTraceBufferBytes);
}

namespace {
// Before main: a window toolkit opens files of its own at start-up, and none of them
// may become standard output.
const bool g_preparedAtStart = (PrepareTraceOutput(), true);
}  // namespace

void Trace(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::string text = FormatTextV(format, arguments);
  va_end(arguments);

  const std::string line = output::TranslatesLineFeeds() ? text : WithCrLf(text);
  std::fwrite(line.data(), 1, line.size(), stdout);
  if (g_traceIsInteractive) std::fflush(stdout);
}
