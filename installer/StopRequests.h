// The port's service for requests from outside to end the process: Ctrl-C, a terminal
// closed, a service manager stopping the job (on Windows, the console's control events).
#pragma once

namespace stops {

// Calls `onStop` with the exit status that tells each request apart whenever one comes:
// 130 for Ctrl-C (and Ctrl-Break), 143 for SIGTERM, 129 for SIGHUP or a console closed,
// each 128 plus the signal's number as a shell reports it. `onStop` runs on a thread of
// its own (on Windows the console's control thread), whatever the other threads are
// waiting for, and true is returned; where no thread can be had, it runs in a signal
// handler, may only do what a handler may, and false is returned. A request the
// process was started ignoring (Ctrl-C for a script's background job, SIGHUP under
// nohup) stays ignored. Called first thing in main, before any other thread starts.
bool WatchStopRequests(void (*onStop)(int exitStatus));

// Ends the process at once with `status`, from anywhere, a signal handler included;
// nothing buffered is written out.
[[noreturn]] void EndProcessNow(int status);

}  // namespace stops
