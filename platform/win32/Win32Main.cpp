// The program's entry on Windows: the shell's folder chooser wants COM, then the
// framework's entry runs the application.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>

#include "framework/Entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const HRESULT com = CoInitialize(nullptr);
  const int exitCode = AfxWinMain(__argc, __argv);
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
