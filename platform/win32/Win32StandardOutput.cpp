#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "installer/StandardOutput.h"

namespace output {

bool PrepareStandardOutput() {
  // Standard error carries the command-line front end's notices: plain lines ending
  // in a line feed, byte for byte as on Linux. Standard output keeps text mode.
  _setmode(_fileno(stderr), _O_BINARY);
  // Without a standard output, as usual for a window program, the runtime drops
  // what is written; a console gets each trace call at once.
  const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR;
}

// Standard output stays in text mode, as the runtime opens it.
bool TranslatesLineFeeds() { return true; }

int ErrorTerminalColumns() {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_CHAR) return 0;
  CONSOLE_SCREEN_BUFFER_INFO console{};
  if (!GetConsoleScreenBufferInfo(handle, &console)) return 80;
  return console.srWindow.Right - console.srWindow.Left + 1;
}

}  // namespace output
