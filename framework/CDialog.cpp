#include "framework/CDialog.h"

#include <algorithm>
#include <vector>

#include "framework/CWinApp.h"
#include "framework/Resources.h"

namespace {

// The modal dialogs running now, innermost last.
std::vector<CDialog*> g_modalDialogs;

// The owner a dialog is created for: its parent, or else the application's main
// window, unless that is the dialog itself or has no window yet.
CWnd* OwnerOf(CDialog* dialog, CWnd* parent) {
  CWnd* owner = parent != nullptr ? parent : AfxGetMainWnd();
  return (owner != nullptr && owner != dialog && owner->GetSafeHwnd() != nullptr) ? owner : nullptr;
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, CDialog::OnOK)
  ON_COMMAND(IDCANCEL, CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

int CDialog::DoModal() {
  const res::DialogTemplate* dialogTemplate = res::FindDialogTemplate(static_cast<int>(m_templateId));
  CWnd* owner = OwnerOf(this, m_parent);
  port::Window* ownerWindow = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
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
  if (message == WM_INITDIALOG) {
    CenterWindow(OwnerOf(this, m_parent));
    return OnInitDialog();
  }
  // Closing a dialog that another modal dialog runs over closes that one instead, as
  // its own close box would: the one below ends only once the one above has.
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE && !g_modalDialogs.empty() &&
      g_modalDialogs.back() != this) {
    return g_modalDialogs.back()->SendMessage(WM_SYSCOMMAND, wParam, lParam);
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

void CDialog::FitDlgItemToText(int id) {
  port::Window* window = GetSafeHwnd();
  const res::DialogTemplate* dialogTemplate = res::FindDialogTemplate(static_cast<int>(m_templateId));
  if (window == nullptr || dialogTemplate == nullptr) return;
  const port::ScreenRect field = port::ControlArea(window, id);
  const int largest = field.bottom - field.top;
  const int needed = port::TextHeight(window, id);
  if (needed <= 0) return;  // not a multi-line field
  port::ShowVerticalScrollBar(window, id, needed > largest);
  const int change = std::min(needed, largest) - largest;
  if (change == 0) return;
  port::PlaceControl(window, id, {field.left, field.top, field.right, field.bottom + change});
  for (const res::ControlTemplate& control : dialogTemplate->controls) {
    if (control.id == id || control.id == -1) continue;
    port::ScreenRect area = port::ControlArea(window, control.id);
    if (area.top < field.bottom) continue;
    area.top += change;
    area.bottom += change;
    port::PlaceControl(window, control.id, area);
  }
  int width = 0;
  int height = 0;
  port::GetClientSize(window, width, height);
  port::SetClientSize(window, width, height + change);
  const port::ScreenRect frame = port::WindowFrame(window);
  port::MoveWindowFrame(window, frame.left, frame.top - change / 2);
}

void DDX_Text(CDataExchange* exchange, int id, CString& value) {
  port::Window* window = exchange->m_pDlgWnd->GetSafeHwnd();
  if (exchange->m_bSaveAndValidate) {
    value = port::GetControlText(window, id).c_str();
  } else if (port::GetControlText(window, id) != value.GetString()) {
    port::SetControlText(window, id, value.GetString());
  }
}

void DDX_Progress(CDataExchange* exchange, int id, int& thousandths) {
  if (!exchange->m_bSaveAndValidate) port::SetProgressBar(exchange->m_pDlgWnd->GetSafeHwnd(), id, thousandths);
}
