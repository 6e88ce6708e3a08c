#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>

#include "frontend/ProgressLine.h"
#include "platform/posix/DriveMap.h"
#include "installer/StandardOutput.h"

namespace output {

bool PrepareStandardOutput() {
  // A reader that goes away must not end the install halfway; the trace is then dropped.
  std::signal(SIGPIPE, SIG_IGN);
  // Nor a write past the file size limit (ulimit -f): it fails, and the copy reports it.
  std::signal(SIGXFSZ, SIG_IGN);
  // A standard stream that is closed gets a sink: otherwise the next file the program
  // opened would take its place, and the trace or the progress line would go into it.
  for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(stream, F_GETFD) != -1) continue;
    const int sink = open("/dev/null", O_RDWR);
    if (sink >= 0 && sink != stream) {
      dup2(sink, stream);
      close(sink);
    }
  }
  return isatty(STDOUT_FILENO) != 0;
}

int WriteErrorNumber() { return errno != 0 ? errno : EIO; }

bool TranslatesLineFeeds() { return false; }

void WriteErrorLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::string LogFolder(std::string& whyNone) {
  // The XDG rule: a relative XDG_STATE_HOME is ignored.
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/zandrel2";
  if (const std::optional<std::string> home = posix::HomeFolder()) return *home + "/.local/state/zandrel2";
  whyNone = "neither XDG_STATE_HOME nor HOME names an absolute folder";
  return {};
}

}  // namespace output

int ErrorTerminalColumns() {
  if (isatty(STDERR_FILENO) == 0) return 0;
  winsize size{};
  // A terminal that gives no size is taken as the classic 80 columns.
  return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}
