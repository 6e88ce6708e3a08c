// The program's entry on Linux: the Qt application, then the framework's entry.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QRegularExpression>
#include <cstdio>

#include "framework/Entry.h"

namespace {

// A socket that closes itself.
struct Socket {
  int fd;
  explicit Socket(int opened) : fd(opened) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd >= 0) close(fd);
  }
};

// True where a window can be shown: a platform chosen in QT_QPA_PLATFORM, a Wayland
// session, a remote X display (Qt finds out), or a local X display whose socket
// answers. Qt itself would abort with a message of its own.
bool CanOpenDisplay() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) return true;
  const QString display = qEnvironmentVariable("DISPLAY");
  const QRegularExpressionMatch local =
      QRegularExpression(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$")).match(display);
  if (!local.hasMatch()) return !display.isEmpty();
  const QByteArray socketPath = "/tmp/.X11-unix/X" + local.captured(1).toUtf8();
  const Socket client(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (client.fd < 0 || static_cast<std::size_t>(socketPath.size()) >= sizeof address.sun_path) return true;
  socketPath.toStdString().copy(address.sun_path, sizeof address.sun_path - 1);
  return connect(client.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!CanOpenDisplay()) {
    const QByteArray display = qgetenv("DISPLAY");
    std::fprintf(stderr, "zandrel2: cannot open a display%s%s%s; without one, install with zandrel2-install\n",
                 display.isEmpty() ? " (DISPLAY is not set" : " (DISPLAY=", display.constData(),
                 display.isEmpty() ? ")" : ")");
    return 1;
  }
  QApplication application(argc, argv);
  return AfxWinMain(argc, argv);
}
