// Trace lines on standard output, written as Windows text-mode output writes them:
// every line feed leaves as CR LF.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string_view>

// Readies standard output for the trace before anything is written: a terminal gets
// each trace call at once, a file or pipe a 4096-byte buffer written out at normal
// exit, and a process without standard output drops the trace silently. Runs by
// itself before main; later calls do nothing.
void PrepareTraceOutput();

// Writes one trace text, formatted like printf.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Ends a trace whose last text ended inside a line (the ERR-01 text, which the next
// line continues) with a line end, for a copy that stopped before that next line.
void EndTraceLine();

// A log the trace goes to as well, every line end as CR LF (null: none any more).
void ShareTraceLog(std::FILE* log);
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
