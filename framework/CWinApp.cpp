#include "framework/CWinApp.h"

#include <algorithm>

#include "framework/CDialog.h"

namespace {

CWinApp* g_app = nullptr;

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName) { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitApplication() { return TRUE; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() { return ExitInstance(); }

int CWinApp::ExitInstance() { return 0; }

HICON CWinApp::LoadIcon(UINT id) const { return port::LoadIcon(static_cast<int>(id)); }

HICON CWinApp::LoadStandardIcon(UINT id) const { return port::LoadStandardIcon(static_cast<int>(id)); }

void CWinApp::WinHelp(DWORD data, UINT command) {
  if (!port::LaunchHelp(m_helpFilePath, command, data)) AfxMessageBox("Failed to launch help.");
}

void CWinApp::OnHelp() { WinHelp(HID_BASE_RESOURCE + CDialog::ActiveTemplateId(), HELP_CONTEXT); }

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app != nullptr ? g_app->m_pMainWnd : nullptr; }

int AfxMessageBox(const char* text, UINT type) {
  CWnd* owner = AfxGetMainWnd();
  const char* caption = g_app != nullptr ? g_app->m_pszAppName : "";
  return port::ShowMessageBox(owner != nullptr ? owner->GetSafeHwnd() : nullptr, text, caption != nullptr ? caption : "",
                              type);
}

void AfxWinInit(const std::string& executablePath, const std::string& commandLine) {
  port::SetCriticalErrorMode();
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return;
  // The name is the executable's without its extension; the help file is beside it,
  // named the same with ".HLP". A dot is never the second byte of a character.
  const std::string name = port::LastNameOf(executablePath);
  const std::string stem = name.substr(0, std::min(name.rfind('.'), name.size()));
  if (app->m_pszAppName == nullptr) {
    app->m_appName = stem.empty() ? name : stem;
    app->m_pszAppName = app->m_appName.c_str();
  }
  app->m_helpFilePath = executablePath.substr(0, executablePath.size() - name.size()) + stem + ".HLP";
  app->m_pszHelpFilePath = app->m_helpFilePath.c_str();
  app->m_commandLine = commandLine;
  app->m_lpCmdLine = app->m_commandLine.c_str();
}

int AfxWinMain(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  AfxWinInit(port::ExecutablePath(), commandLine);
  CWinApp* app = AfxGetApp();
  if (app == nullptr || !app->InitApplication()) return -1;
  if (!app->InitInstance()) {
    // The main window's object lived in InitInstance; it must not outlive it here.
    app->m_pMainWnd = nullptr;
    return app->ExitInstance();
  }
  return app->Run();
}
