#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "frontend/ProgressLine.h"
#include "installer/StandardOutput.h"
#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32Text.h"

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

int WriteErrorNumber() {
  // No standard output at all (a desktop launch, or one closed at the start: Wine then
  // gives a handle that refuses every write): the text is dropped without a word.
  if (errno == EBADF) return 0;
  // The runtime calls a pipe whose reader has gone EINVAL (measured under Wine 8, where
  // the write fails with ERROR_PIPE_NOT_CONNECTED); Linux calls it EPIPE.
  const DWORD error = GetLastError();
  if (error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED) return EPIPE;
  return errno != 0 ? errno : EIO;
}

// Standard output stays in text mode, as the runtime opens it.
bool TranslatesLineFeeds() { return true; }

void WriteErrorLine(std::string_view text) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
      GetConsoleMode(handle, &mode)) {
    // A console takes UTF-16 whatever its code page (Wine's on a UTF-8 terminal showed
    // the system's Japanese texts, in code page 932, garbled): converted once, here.
    std::string line(text);
    line += '\n';
    const std::wstring wide = win32::WideFromAnsi(line);
    std::fflush(stderr);
    DWORD written = 0;
    if (!wide.empty() && WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) return;
  }
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::string LogFolder(std::string& whyNone) {
  wchar_t temporary[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
  if (length == 0 || length > MAX_PATH) {
    whyNone = "the temporary folder is not known";
    return {};
  }
  // GetTempPath's answer ends with a separator.
  const win32::NarrowName folder = win32::NarrowOf((std::wstring(temporary) + L"zandrel2").c_str());
  if (!folder.exact) {
    whyNone = "the temporary folder's path does not fit the system's code page";
    return {};
  }
  return folder.text;
}

}  // namespace output

int ErrorTerminalColumns() {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_CHAR) return 0;
  CONSOLE_SCREEN_BUFFER_INFO console{};
  if (!GetConsoleScreenBufferInfo(handle, &console)) return 80;
  return console.srWindow.Right - console.srWindow.Left + 1;
}
