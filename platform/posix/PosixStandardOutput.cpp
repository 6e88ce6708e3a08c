#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>

#include "installer/StandardOutput.h"

namespace output {

bool PrepareStandardOutput() {
  // A reader that goes away must not end the install halfway; the trace is then dropped.
  std::signal(SIGPIPE, SIG_IGN);
  if (fcntl(STDOUT_FILENO, F_GETFD) == -1) {
    // Without this, the next file the installer opened would become standard output.
    const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink >= 0 && sink != STDOUT_FILENO) {
      dup2(sink, STDOUT_FILENO);
      close(sink);
    }
    return false;
  }
  return isatty(STDOUT_FILENO) != 0;
}

bool TranslatesLineFeeds() { return false; }

int ErrorTerminalColumns() {
  if (isatty(STDERR_FILENO) == 0) return 0;
  winsize size{};
  // A terminal that gives no size is taken as the classic 80 columns.
  return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

}  // namespace output
