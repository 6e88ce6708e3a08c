#include "framework/CWnd.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "framework/CWinApp.h"

const MessageMap* CCmdTarget::GetThisMessageMap() {
  static const MessageMapEntry kEntries[] = {{0, 0, 0, nullptr}};
  static const MessageMap kMap = {nullptr, kEntries};
  return &kMap;
}

const MessageMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

bool CCmdTarget::DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
    for (const MessageMapEntry* entry = map->entries; entry->handler != nullptr; ++entry) {
      if (entry->message != message) continue;
      if (message == WM_COMMAND && (entry->controlId != LOWORD(wParam) || entry->notifyCode != HIWORD(wParam))) continue;
      result = entry->handler(*this, wParam, lParam);
      return true;
    }
  }
  return false;
}

BOOL CMenu::AppendMenu(UINT flags, UINT id, const char* text) {
  port::AppendSystemMenu(m_window, flags, id, text != nullptr ? text : "");
  return TRUE;
}

CMenu* CWnd::GetSystemMenu(BOOL) {
  if (m_window == nullptr || !port::HasSystemMenu(m_window)) return nullptr;
  if (!m_systemMenu) m_systemMenu = std::make_unique<CMenu>(m_window);
  return m_systemMenu.get();
}

HICON CWnd::SetIcon(HICON icon, BOOL big) {
  port::SetIcon(m_window, icon, big != FALSE);
  return icon;
}

void CWnd::SetDlgItemIcon(int id, HICON icon) { port::SetControlIcon(m_window, id, icon); }

BOOL CWnd::IsIconic() const { return port::IsIconic(m_window) ? TRUE : FALSE; }

void CWnd::GetClientRect(CRect* rect) const {
  *rect = CRect{};
  port::GetClientSize(m_window, rect->right, rect->bottom);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) { return Receive(message, wParam, lParam); }

void CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  port::PostToWindow(m_window, message, wParam, lParam);
}

void CWnd::SetTimer(UINT id, UINT milliseconds) { port::StartTimer(m_window, id, milliseconds); }

void CWnd::KillTimer(UINT id) { port::StopTimer(m_window, id); }

void CWnd::SetWindowText(const char* text) { port::SetWindowTitle(m_window, text); }

void CWnd::SetDlgItemText(int id, const char* text) { port::SetControlText(m_window, id, text); }

void CWnd::EnableDlgItem(int id, BOOL enable) { port::EnableControl(m_window, id, enable != FALSE); }

void CWnd::SetTaskbarProgress(int thousandths) { port::SetTaskbarProgress(m_window, thousandths); }

void CWnd::CenterWindow(CWnd* owner) {
  port::Window* ownerWindow = owner != nullptr ? owner->GetSafeHwnd() : nullptr;
  const port::ScreenRect frame = port::WindowFrame(m_window);
  const port::ScreenRect area = port::WorkArea(ownerWindow);
  const port::ScreenRect around = ownerWindow != nullptr ? port::WindowFrame(ownerWindow) : area;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (around.left + around.right - width) / 2;
  const int top = (around.top + around.bottom - height) / 2;
  // Inside the work area, its top-left corner first where the window is the larger.
  port::MoveWindowFrame(m_window, std::max(area.left, std::min(left, area.right - width)),
                        std::max(area.top, std::min(top, area.bottom - height)));
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
  return port::ShowMessageBox(m_window, text, caption != nullptr ? caption : AfxGetApp()->m_pszAppName, type);
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  // Notifications are discarded while the exchange runs, and only then, even when
  // the exchange ends in an exception.
  struct ExchangeInProgress {
    explicit ExchangeInProgress(bool& flag) : m_flag(flag), m_outer(std::exchange(flag, true)) {}
    ExchangeInProgress(const ExchangeInProgress&) = delete;
    ExchangeInProgress& operator=(const ExchangeInProgress&) = delete;
    ~ExchangeInProgress() { m_flag = m_outer; }
    bool& m_flag;
    bool m_outer;
  } inProgress(m_exchangingData);
  CDataExchange exchange{saveAndValidate, this};
  DoDataExchange(&exchange);
  return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) return 0;
    return Default();
  }
  LRESULT result = 0;
  if (DispatchMessage(message, wParam, lParam, result)) return result;
  return Default();
}

BOOL CWnd::PreTranslateMessage(UINT message, WPARAM wParam) {
  if (message != WM_KEYDOWN || wParam != VK_F1 || port::ModifierKeyDown()) return FALSE;
  SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, 0));
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  // A control's notification while data is exchanged comes from the program's own write.
  if (lParam != 0 && m_exchangingData) return TRUE;
  LRESULT ignored = 0;
  if (DispatchMessage(WM_COMMAND, wParam, lParam, ignored)) return TRUE;
  // Commands nobody here handles, such as help, go to the application.
  CWinApp* app = AfxGetApp();
  return (app != nullptr && lParam == 0 && app->DispatchMessage(WM_COMMAND, wParam, lParam, ignored)) ? TRUE : FALSE;
}

LRESULT CWnd::Default() { return port::DefaultProcessing(m_window, m_current.message, m_current.wParam, m_current.lParam); }

void CWnd::PostNcDestroy() {
  CWinApp* app = AfxGetApp();
  if (app != nullptr && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
}

port::Window* CWnd::Detach() {
  m_systemMenu.reset();
  return std::exchange(m_window, nullptr);
}

std::intptr_t CWnd::Receive(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  const CurrentMessage outer = std::exchange(m_current, CurrentMessage{message, wParam, lParam});
  LRESULT result = 0;
  // An exception escaping a handler ends that handler only; the window goes on.
  try {
    result = WindowProc(message, wParam, lParam);
  } catch (const std::bad_alloc&) {
    AfxMessageBox("Out of memory.");
  } catch (const std::exception&) {
    AfxMessageBox("An unsupported operation was attempted.");
  }
  m_current = outer;
  return result;
}
