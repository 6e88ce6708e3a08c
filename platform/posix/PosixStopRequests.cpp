#include <unistd.h>

#include <atomic>
#include <csignal>

#include "installer/StopRequests.h"

namespace stops {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<void (*)(int)> g_onStop{nullptr};
static_assert(std::atomic<void (*)(int)>::is_always_lock_free, "read in a signal handler");

extern "C" void CallOnStop(int signal) {
  if (void (*onStop)(int) = g_onStop.load()) onStop(128 + signal);
}

}  // namespace

void WatchStopRequests(void (*onStop)(int exitStatus)) {
  g_onStop = onStop;
  for (const int signal : kStopSignals) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    struct sigaction handling {};
    handling.sa_handler = &CallOnStop;
    sigemptyset(&handling.sa_mask);
    // Reads and writes under way go on after the handler: the copy looks for the stop
    // between files.
    handling.sa_flags = SA_RESTART;
    sigaction(signal, &handling, nullptr);
  }
}

void EndProcessNow(int status) { _exit(status); }

}  // namespace stops
