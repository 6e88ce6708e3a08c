#include "installer/Trace.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "installer/Format.h"
#include "installer/StandardOutput.h"
#include "installer/TextEncoding.h"

namespace {

constexpr std::size_t kTraceBufferBytes = 4096;
bool g_traceIsInteractive = false;
bool g_traceOffTerminal = false;  // the trace goes to the log only
std::mutex g_traceLock;
std::function<void()> g_stepAside;  // the terminal's other writer
bool g_tracePrepared = false;
int g_traceWriteError = 0;
std::atomic<bool> g_traceInsideLine{false};  // the last text written ended without a line feed
// The log has a lock of its own, taken inside the trace's: a front end notes its lines
// there while another thread may hold the trace (a progress window drawing its line).
std::mutex g_logLock;
TraceLog* g_traceLog = nullptr;

void NoteWriteError() {
  if (g_traceWriteError == 0 && std::ferror(stdout) != 0) g_traceWriteError = output::WriteErrorNumber();
}

// Writes `text` to `stream` with each line feed as CR LF, a run of other characters at
// a time.
void WriteWithCrLf(std::string_view text, std::FILE* stream) {
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::fwrite(text.data() + start, 1, end - start, stream);
    if (end == text.size()) break;
    std::fwrite("\r\n", 1, 2, stream);
    start = end + 1;
  }
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

namespace {

void WriteTrace(const std::string& text) {
  if (!g_traceOffTerminal) {
    if (g_traceIsInteractive && g_stepAside) g_stepAside();
    if (output::TranslatesLineFeeds()) {
      std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
      WriteWithCrLf(text, stdout);
    }
    if (g_traceIsInteractive) std::fflush(stdout);
    // Before the log is written: its writes must not change the error noted.
    NoteWriteError();
  }
  {
    const std::lock_guard logLock(g_logLock);
    if (g_traceLog != nullptr) {
      const bool endsLine = text.ends_with('\n');
      g_traceLog->Write(files::ShownText(std::string_view(text).substr(0, text.size() - (endsLine ? 1 : 0))));
      if (endsLine) g_traceLog->Write("\r\n");
    }
  }
  if (!text.empty()) g_traceInsideLine = text.back() != '\n';
}

}  // namespace

void Trace(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::string text = FormatTextV(format, arguments);
  va_end(arguments);

  const std::lock_guard lock(g_traceLock);
  WriteTrace(text);
}

void KeepTraceOffTerminal() {
  const std::lock_guard lock(g_traceLock);
  g_traceOffTerminal = g_traceIsInteractive;
}

void EndTraceLine() {
  const std::lock_guard lock(g_traceLock);
  if (g_traceInsideLine) WriteTrace("\n");
}

void ShareTraceLog(TraceLog* log) {
  const std::lock_guard lock(g_logLock);
  g_traceLog = log;
}

void WriteTraceLogLine(std::string_view line) {
  const std::lock_guard lock(g_logLock);
  if (g_traceLog == nullptr) return;
  // A line the trace left open is ended first, so that the note starts a line of its own.
  if (g_traceInsideLine) g_traceLog->Write("\r\n");
  g_traceLog->Write(files::ShownText(line));
  g_traceLog->Write("\r\n");
}

void FlushTrace() {
  const std::lock_guard lock(g_traceLock);
  std::fflush(stdout);
  NoteWriteError();
}

int TraceWriteError() { return g_traceWriteError; }

void ShareTraceTerminal(std::function<void()> stepAside) {
  const std::lock_guard lock(g_traceLock);
  g_stepAside = std::move(stepAside);
}

std::unique_lock<std::mutex> HoldTrace() { return std::unique_lock(g_traceLock); }
