#include <windows.h>

#include <atomic>

#include "installer/StopRequests.h"

namespace stops {
namespace {

// The statuses the Linux program ends with for SIGINT and SIGHUP.
constexpr int kInterruptStatus = 130;
constexpr int kHangUpStatus = 129;

std::atomic<void (*)(int)> g_onStop{nullptr};

BOOL WINAPI CallOnStop(DWORD event) {
  void (*onStop)(int) = g_onStop.load();
  if (onStop == nullptr) return FALSE;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      onStop(kInterruptStatus);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      onStop(kHangUpStatus);
      // The system ends the process as soon as this returns: the install's own end,
      // which ends this thread too, gets the few seconds the system allows.
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool WatchStopRequests(void (*onStop)(int exitStatus)) {
  g_onStop = onStop;
  SetConsoleCtrlHandler(&CallOnStop, TRUE);
  // The system calls the handler on a thread it starts for each event.
  return true;
}

void EndProcessNow(int status) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  // TerminateProcess does not return for the calling process.
  for (;;) Sleep(INFINITE);
}

}  // namespace stops
