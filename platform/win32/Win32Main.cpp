// The program's entry on Windows: the shell's folder chooser wants COM, then the
// framework's entry runs the application.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>

#include "framework/Entry.h"

namespace {

// Whether a window can be made at all: under Wine without a display none can, and the
// dialog would vanish without a word.
bool CanShowWindows() {
  const HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!CanShowWindows()) {
    std::fputs("zandrel2: no window can be shown (no display); without one, install with zandrel2-install\n", stderr);
    return 1;
  }
  const HRESULT com = CoInitialize(nullptr);
  const int exitCode = AfxWinMain(__argc, __argv);
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
