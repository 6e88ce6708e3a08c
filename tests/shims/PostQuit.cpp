// post_quit.exe TITLE: posts WM_QUIT to the thread of the top-level window titled TITLE,
// as a program that tells another to quit does. Exit status 1 when there is no such window.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const HWND window = FindWindowW(nullptr, argv[1]);
  if (window == nullptr) return 1;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  return PostThreadMessageW(thread, WM_QUIT, 0, 0) != FALSE ? 0 : 1;
}
