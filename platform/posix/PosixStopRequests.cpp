#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <system_error>
#include <thread>

#include "installer/StopRequests.h"

namespace stops {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<void (*)(int)> g_onStop{nullptr};
static_assert(std::atomic<void (*)(int)>::is_always_lock_free, "read in a signal handler");

extern "C" void CallOnStop(int signal) {
  if (void (*onStop)(int) = g_onStop.load()) onStop(128 + signal);
}

// The handlers of the signals in `signals`, for a process that has no thread to spare.
void HandleInHandlers(const sigset_t& signals) {
  for (const int signal : kStopSignals) {
    if (sigismember(&signals, signal) != 1) continue;
    struct sigaction handling {};
    handling.sa_handler = &CallOnStop;
    sigemptyset(&handling.sa_mask);
    // Reads and writes under way go on after the handler: the copy looks for the stop
    // between files.
    handling.sa_flags = SA_RESTART;
    sigaction(signal, &handling, nullptr);
  }
}

}  // namespace

bool WatchStopRequests(void (*onStop)(int exitStatus)) {
  g_onStop = onStop;
  sigset_t watched;
  sigemptyset(&watched);
  for (const int signal : kStopSignals) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    sigaddset(&watched, signal);
  }
  // Blocked here and in every thread started later, the copying one included, whose
  // read of a stalled disc would otherwise hold a request until the read returns: the
  // watching thread takes them as they come.
  sigset_t before;
  pthread_sigmask(SIG_BLOCK, &watched, &before);
  try {
    std::thread([watched] {
      for (;;) {
        int signal = 0;
        if (sigwait(&watched, &signal) == 0) CallOnStop(signal);
      }
    }).detach();
    return true;
  } catch (const std::system_error&) {
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    HandleInHandlers(watched);
    return false;
  }
}

void EndProcessNow(int status) { _exit(status); }

}  // namespace stops
