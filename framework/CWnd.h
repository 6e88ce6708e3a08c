// Windows of the framework: command targets with message maps, and the window
// object that receives a port window's messages and routes them through its map.
#pragma once

#include <memory>
#include <string>

#include "framework/CString.h"
#include "framework/MessageMap.h"
#include "framework/Port.h"
#include "framework/Types.h"

// Anything with a message map.
class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  static const MessageMap* GetThisMessageMap();
  virtual const MessageMap* GetMessageMap() const;

  // Runs the first handler in the map chain for the message; false when none matches.
  bool DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

struct CRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// A window's system menu, as far as the framework extends it.
class CMenu {
 public:
  explicit CMenu(port::Window* window) : m_window(window) {}
  BOOL AppendMenu(UINT flags, UINT id = 0, const char* text = nullptr);

 private:
  port::Window* m_window;
};

class CWnd;

// One data exchange: its direction and its window.
struct CDataExchange {
  BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
  CWnd* m_pDlgWnd;
};

class CWnd : public CCmdTarget, private port::MessageSink {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  ~CWnd() override = default;

  port::Window* GetSafeHwnd() const { return m_window; }

  CMenu* GetSystemMenu(BOOL revert);
  HICON SetIcon(HICON icon, BOOL big);
  BOOL IsIconic() const;
  void GetClientRect(CRect* rect) const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // From any thread: the message reaches this window on its own thread, later.
  void PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // WM_TIMER with `id` every `milliseconds`, until KillTimer or the window's end.
  void SetTimer(UINT id, UINT milliseconds);
  void KillTimer(UINT id);
  void SetWindowText(const char* text);
  void SetDlgItemText(int id, const char* text);
  // Shows `icon` in the icon control `id`.
  void SetDlgItemIcon(int id, HICON icon);
  void EnableDlgItem(int id, BOOL enable);
  // The progress on the taskbar button of this window, in thousandths; negative for none.
  void SetTaskbarProgress(int thousandths);
  // Centres the window's frame over its owner, or in the work area without one, and
  // keeps it inside the work area of the owner's screen.
  void CenterWindow(CWnd* owner);
  // A modal message box owned by this window, captioned with the application's name when `caption` is null.
  int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

  // Exchanges data between the controls and the members; while it runs, the
  // controls' notifications are discarded, so program writes trigger no handler.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* exchange);

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // A key before the window system acts on it; true when taken. F1 without Shift, Ctrl
  // or Alt asks for help, wherever the focus is.
  virtual BOOL PreTranslateMessage(UINT message, WPARAM wParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // The platform's own handling of the message being processed.
  LRESULT Default();
  virtual void PostNcDestroy();

  void OnPaint() { Default(); }
  void OnSysCommand(UINT, LPARAM) { Default(); }

  port::Window* Detach();
  // What the port sends this window's messages to.
  port::MessageSink& Sink() { return *this; }

 private:
  void Attach(port::Window* window) override { m_window = window; }
  std::intptr_t Receive(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  bool PreTranslate(unsigned message, std::uintptr_t wParam) override { return PreTranslateMessage(message, wParam) != FALSE; }

  struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  };

  port::Window* m_window = nullptr;
  std::unique_ptr<CMenu> m_systemMenu;
  CurrentMessage m_current;
  bool m_exchangingData = false;
};
