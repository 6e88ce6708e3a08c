#include "Zandrel2.h"

#include "Zandrel2Dlg.h"

BEGIN_MESSAGE_MAP(CZandrel2App, CWinApp)
  ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// Constructed before the install context's catalog root, destroyed after it.
CZandrel2App theApp;

BOOL CZandrel2App::InitInstance() {
  Enable3dControlsStatic();

  CZandrel2Dlg dlg;
  m_pMainWnd = &dlg;
  // Every ending of the dialog leads to the same stop.
  dlg.DoModal();

  // No message loop of our own: the application ends here.
  return FALSE;
}
