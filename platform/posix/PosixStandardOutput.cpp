#include <fcntl.h>
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

}  // namespace output
