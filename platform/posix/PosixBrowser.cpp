// Hands an address to the desktop's opener, which knows the user's browser.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

#include "frontend/Browser.h"

extern char** environ;

namespace desktop {

bool OpenInBrowser(const std::string& address, std::string& problem) {
  std::string opener = "xdg-open";
  char* const arguments[] = {opener.data(), const_cast<char*>(address.c_str()), nullptr};
  // The opener starts with no signal blocked or ignored: this program blocks its stop
  // signals for a thread that watches them, and ignores SIGPIPE and SIGXFSZ.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t reset;
  sigemptyset(&reset);
  sigaddset(&reset, SIGPIPE);
  sigaddset(&reset, SIGXFSZ);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &reset);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t child = 0;
  const int error = posix_spawnp(&child, opener.c_str(), nullptr, &attributes, arguments, environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    problem = "xdg-open could not be started: " + std::string(std::strerror(error));
    return false;
  }
  // The opener hands over and ends at once where a desktop runs; one that goes on
  // running the browser itself is left to it, and reaped on its own thread.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) {
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
      problem = "xdg-open found no browser (exit status " +
                std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")";
      return false;
    }
    if (ended == -1 && errno != EINTR) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  try {
    std::thread([child] {
      int ignored = 0;
      while (waitpid(child, &ignored, 0) == -1 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to reap it: the system does so when this program ends.
  }
  return true;
}

}  // namespace desktop
