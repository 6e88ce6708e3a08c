// The application object and the framework's entry: start-up, one InitInstance,
// and the exit step; plus the help command and message boxes without a window.
#pragma once

#include <string>

#include "framework/CWnd.h"
#include "framework/Entry.h"

class CWinApp : public CCmdTarget {
 public:
  // The one application object; without a name, the executable's file name serves.
  explicit CWinApp(const char* appName = nullptr);
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  ~CWinApp() override;

  virtual BOOL InitApplication();
  virtual BOOL InitInstance();
  // The message loop of applications with a main frame; a dialog application never reaches it.
  virtual int Run();
  virtual int ExitInstance();

  // The three-dimensional look for dialog controls: built in on every platform we run on.
  BOOL Enable3dControlsStatic() { return TRUE; }
  // The icon resource `id`, loaded once; null when there is none.
  HICON LoadIcon(UINT id) const;
  // The system's icon IDI_ERROR, IDI_WARNING or IDI_INFORMATION; null where there is none.
  HICON LoadStandardIcon(UINT id) const;
  // Asks the help viewer for `data` in the application's help file.
  void WinHelp(DWORD data, UINT command = HELP_CONTEXT);
  // F1: the help context of the dialog that holds the focus.
  void OnHelp();

  CWnd* m_pMainWnd = nullptr;
  const char* m_pszAppName = nullptr;
  const char* m_pszHelpFilePath = nullptr;
  const char* m_lpCmdLine = nullptr;

 private:
  friend int AfxWinMain(int argc, char** argv);
  friend void AfxWinInit(const std::string& executablePath, const std::string& commandLine);
  std::string m_appName;
  std::string m_helpFilePath;
  std::string m_commandLine;

  DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// A message box owned by the main window, captioned with the application's name.
int AfxMessageBox(const char* text, UINT type = MB_OK);

// The framework's start-up: the error mode for drives without a medium, the
// application's name and help file from the executable's path, the command line.
void AfxWinInit(const std::string& executablePath, const std::string& commandLine);
