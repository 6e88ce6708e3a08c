// Trace lines on standard output, written as Windows text-mode output writes them:
// every line feed leaves as CR LF.
#pragma once

#include <functional>
#include <mutex>
#include <string_view>

// Readies standard output for the trace before anything is written: a terminal gets
// each trace call at once, a file or pipe a 4096-byte buffer written out at normal
// exit, and a process without standard output drops the trace silently. Runs by
// itself before main; later calls do nothing.
void PrepareTraceOutput();

// Keeps the trace off standard output where that is a terminal (a person reading it
// takes the copy lines for news); a log still gets it. Elsewhere it changes nothing.
void KeepTraceOffTerminal();

// Writes one trace text, formatted like printf.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Ends a trace whose last text ended inside a line (the ERR-01 text, which the next
// line continues) with a line end, for a copy that stopped before that next line.
void EndTraceLine();

// Where the trace goes besides standard output: a log, given its bytes a piece at a time.
class TraceLog {
 public:
  virtual ~TraceLog() = default;
  virtual void Write(std::string_view bytes) = 0;
};

// A log the trace goes to as well (null: none any more), every line end as CR LF. A
// log is read by a person: a control character inside a trace text (a name's line
// feed) is written out there, and only the text's own line end ends a line.
void ShareTraceLog(TraceLog* log);
// Writes `line` and a line end to the log alone, after the trace written so far; it
// does not wait for the trace's lock.
void WriteTraceLogLine(std::string_view line);

// Writes out what the trace holds so far, so that a log that also takes the notices
// keeps the order in which things happened.
void FlushTrace();

// The first error (an errno value) that writing the trace met; 0 while there is none.
// Writing goes on after it: the install is never cut short for its trace.
int TraceWriteError();

// Another writer to the terminal the trace goes to: `stepAside` is called, under the
// trace's lock, before each trace write to a terminal, and the other writer holds that
// lock while it writes, so that the two never mix on the screen. Empty: none any more.
void ShareTraceTerminal(std::function<void()> stepAside);
std::unique_lock<std::mutex> HoldTrace();
