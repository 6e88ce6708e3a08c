#include "framework/CDialog.h"

#include <vector>

#include "framework/CWinApp.h"
#include "res/Templates.h"

namespace {

// The modal dialogs running now, innermost last.
std::vector<const CDialog*> g_modalDialogs;

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, CDialog::OnOK)
  ON_COMMAND(IDCANCEL, CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

int CDialog::DoModal() {
  const res::DialogTemplate* dialogTemplate = res::FindDialogTemplate(static_cast<int>(m_templateId));
  // Without a parent, the application's main window owns the dialog, unless that is
  // this dialog itself or has no window yet.
  CWnd* owner = m_parent != nullptr ? m_parent : AfxGetMainWnd();
  port::Window* ownerWindow = (owner != nullptr && owner != this) ? owner->GetSafeHwnd() : nullptr;
  port::Window* window =
      dialogTemplate != nullptr ? port::CreateDialogWindow(*dialogTemplate, ownerWindow, Sink()) : nullptr;
  if (window == nullptr) {
    PostNcDestroy();
    return -1;
  }

  g_modalDialogs.push_back(this);
  const int result = port::RunModalLoop(window);
  g_modalDialogs.pop_back();
  // The window's last messages still reach this object; then it lets go of it.
  port::DestroyWindow(GetSafeHwnd());
  Detach();
  PostNcDestroy();
  return result;
}

void CDialog::EndDialog(int result) { port::EndModalLoop(GetSafeHwnd(), result); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

UINT CDialog::ActiveTemplateId() { return g_modalDialogs.empty() ? 0 : g_modalDialogs.back()->m_templateId; }

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog();
  return CWnd::WindowProc(message, wParam, lParam);
}

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
  port::Window* window = exchange->m_pDlgWnd->GetSafeHwnd();
  if (exchange->m_bSaveAndValidate) {
    value = port::GetControlText(window, id).c_str();
  } else if (port::GetControlText(window, id) != value.GetString()) {
    port::SetControlText(window, id, value.GetString());
  }
}
