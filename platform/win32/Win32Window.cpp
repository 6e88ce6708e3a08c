// The window port on Win32: dialogs built in memory from the shared templates, our
// own modal loop as the framework runs it, and the platform's window services.
#include <windows.h>
#include <commctrl.h>
#include <initguid.h>  // the accessibility GUIDs below are defined here
#include <oleacc.h>
#include <shobjidl.h>
// The port's own names, not the platform's wide/narrow macros.
#undef LoadString
#undef LoadIcon

#include <memory>
#include <type_traits>
#include <vector>

#include "framework/Port.h"
#include "platform/win32/Win32Text.h"
#include "framework/Resources.h"

namespace port {

namespace {

struct ComRelease {
  void operator()(IUnknown* object) const noexcept { object->Release(); }
};

struct FontDelete {
  void operator()(HFONT font) const noexcept { DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDelete>;

}  // namespace

struct Window {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  MessageSink* sink = nullptr;
  WNDPROC dialogProcedure = nullptr;  // the dialog manager's own, for default handling
  bool ended = false;
  int result = IDCANCEL;
  std::unique_ptr<ITaskbarList3, ComRelease> taskbar;  // once its progress is shown
  bool noTaskbarProgress = false;
  std::vector<HWND> namedControls;  // named for assistive technology until the window goes
  UniqueFont headingFont;  // the headings' font, until the window goes
};

namespace {

constexpr wchar_t kWindowProperty[] = L"Zandrel2.Window";

// The dialog template in memory, as DLGTEMPLATE and its items lay it out.
class TemplateBuilder {
 public:
  void Word(WORD value) { m_words.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Text(std::string_view utf8) {
    for (const wchar_t c : win32::WideFromUtf8(utf8)) Word(static_cast<WORD>(c));
    Word(0);
  }
  void AlignToDword() {
    if (m_words.size() % 2 != 0) Word(0);
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

 private:
  std::vector<WORD> m_words;
};

DWORD ControlStyle(const res::ControlTemplate& control, WORD& controlClass) {
  DWORD style = WS_CHILD | WS_VISIBLE | control.style;
  switch (control.kind) {
    case res::ControlKind::kPushButton:
      controlClass = 0x0080;
      break;
    case res::ControlKind::kEdit:
      controlClass = 0x0081;
      break;
    case res::ControlKind::kText:
    case res::ControlKind::kHeading:
    case res::ControlKind::kIcon:
      controlClass = 0x0082;
      break;
    case res::ControlKind::kProgressBar:
      controlClass = 0;  // named, not one of the system's numbered classes
      break;
  }
  const bool label = control.kind == res::ControlKind::kText || control.kind == res::ControlKind::kHeading;
  if (label && (control.style & res::style::kNoPrefix) != 0) {
    style = (style & ~DWORD{res::style::kNoPrefix}) | SS_NOPREFIX;
  }
  return style;
}

TemplateBuilder BuildTemplate(const res::DialogTemplate& dialog) {
  TemplateBuilder builder;
  builder.Dword(dialog.style);
  builder.Dword(dialog.exStyle);
  builder.Word(static_cast<WORD>(dialog.controls.size()));
  for (const int value : {dialog.x, dialog.y, dialog.cx, dialog.cy}) builder.Word(static_cast<WORD>(value));
  builder.Word(0);  // no menu
  builder.Word(0);  // the standard dialog class
  builder.Text(dialog.caption);
  builder.Word(static_cast<WORD>(dialog.fontPoints));
  builder.Text(dialog.fontName);
  for (const res::ControlTemplate& control : dialog.controls) {
    builder.AlignToDword();
    WORD controlClass = 0;
    builder.Dword(ControlStyle(control, controlClass));
    builder.Dword(0);
    for (const int value : {control.x, control.y, control.cx, control.cy}) builder.Word(static_cast<WORD>(value));
    builder.Word(static_cast<WORD>(control.id));
    if (controlClass != 0) {
      builder.Word(0xFFFF);
      builder.Word(controlClass);
    } else {
      builder.Text("msctls_progress32");
    }
    if (control.kind == res::ControlKind::kIcon && control.iconId != 0) {
      builder.Word(0xFFFF);
      builder.Word(static_cast<WORD>(control.iconId));
    } else {
      builder.Text(control.text);
    }
    builder.Word(0);  // no creation data
  }
  return builder;
}

// The system's service that names controls for assistive technology; null where it has none.
std::unique_ptr<IAccPropServices, ComRelease> AccessibilityNames() {
  IAccPropServices* services = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                              reinterpret_cast<void**>(&services)))) {
    return nullptr;
  }
  return std::unique_ptr<IAccPropServices, ComRelease>(services);
}

// Names the controls whose text alone does not say what they do; the others are named
// by the label before them, as the system reads a dialog. The names go with the window.
void NameControls(Window& window, const res::DialogTemplate& dialogTemplate) {
  const auto services = AccessibilityNames();
  if (!services) return;
  for (const res::ControlTemplate& control : dialogTemplate.controls) {
    if (control.accessibleName == nullptr) continue;
    const HWND hwnd = GetDlgItem(window.hwnd, control.id);
    if (SUCCEEDED(services->SetHwndPropStr(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                           win32::WideFromUtf8(control.accessibleName).c_str()))) {
      window.namedControls.push_back(hwnd);
    }
  }
}

// The headings take the dialog's font, bold and a size larger; the window keeps it.
void EmphasiseHeadings(Window& window, const res::DialogTemplate& dialogTemplate) {
  for (const res::ControlTemplate& control : dialogTemplate.controls) {
    if (control.kind != res::ControlKind::kHeading) continue;
    if (!window.headingFont) {
      LOGFONTW font{};
      const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(window.hwnd, WM_GETFONT, 0, 0));
      if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof font, &font) == 0) return;
      font.lfWeight = FW_BOLD;
      font.lfHeight = font.lfHeight * 5 / 4;
      window.headingFont.reset(CreateFontIndirectW(&font));
      if (!window.headingFont) return;
    }
    SendDlgItemMessageW(window.hwnd, control.id, WM_SETFONT, reinterpret_cast<WPARAM>(window.headingFont.get()), FALSE);
  }
}

void ForgetControlNames(const Window& window) {
  if (window.namedControls.empty()) return;
  const auto services = AccessibilityNames();
  if (!services) return;
  MSAAPROPID name = PROPID_ACC_NAME;
  for (const HWND hwnd : window.namedControls) {
    services->ClearHwndProps(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
  }
}

Window* WindowOf(HWND hwnd) { return static_cast<Window*>(GetPropW(hwnd, kWindowProperty)); }

// Every message after creation goes to the framework first.
LRESULT CALLBACK FrameworkWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = WindowOf(hwnd);
  if (window == nullptr || window->sink == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  const LRESULT result = window->sink->Receive(message, wParam, lParam);
  if (message == WM_NCDESTROY) RemovePropW(hwnd, kWindowProperty);
  return result;
}

// The dialog procedure handles nothing but creation: it hands the window to the
// framework, whose window procedure then sees every message.
INT_PTR CALLBACK CreationDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  auto* window = reinterpret_cast<Window*>(lParam);
  window->hwnd = hwnd;
  SetPropW(hwnd, kWindowProperty, window);
  window->dialogProcedure =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameworkWindowProc)));
  window->sink->Attach(window);
  // Nonzero: the dialog manager puts the focus on the first tab stop.
  return window->sink->Receive(WM_INITDIALOG, wParam, 0) != 0 ? TRUE : FALSE;
}

}  // namespace

Window* CreateDialogWindow(const res::DialogTemplate& dialogTemplate, Window* owner, MessageSink& sink) {
  // The progress bar's class comes with the common controls, registered once.
  static const bool controlsReady = [] {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    return InitCommonControlsEx(&classes) != FALSE;
  }();
  (void)controlsReady;
  auto window = std::make_unique<Window>();
  window->owner = owner != nullptr ? owner->hwnd : nullptr;
  window->sink = &sink;
  const TemplateBuilder layout = BuildTemplate(dialogTemplate);
  const HWND hwnd = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), layout.Get(), window->owner,
                                               &CreationDialogProc, reinterpret_cast<LPARAM>(window.get()));
  if (hwnd == nullptr) return nullptr;
  NameControls(*window, dialogTemplate);
  EmphasiseHeadings(*window, dialogTemplate);
  return window.release();  // until DestroyWindow
}

void DestroyWindow(Window* window) {
  const std::unique_ptr<Window> destroyed(window);
  ForgetControlNames(*destroyed);
  ::DestroyWindow(destroyed->hwnd);
}

namespace {

// True for the keys and clicks meant for `owner` or its controls, which the loop of a
// dialog it owns drops; a click brings the dialog forward instead. The owner is not
// disabled, as the dialog manager would: a disabled window hears no close request
// from a window manager, and its close box must still reach the dialog over it.
bool IsOwnerInput(const MSG& message, HWND owner, HWND dialog) {
  if (owner == nullptr || (message.hwnd != owner && !IsChild(owner, message.hwnd))) return false;
  const UINT type = message.message;
  const bool key = type >= WM_KEYFIRST && type <= WM_KEYLAST;
  const bool click = (type >= WM_MOUSEFIRST && type <= WM_MOUSELAST) ||
                     (type >= WM_NCLBUTTONDOWN && type <= WM_NCXBUTTONDBLCLK && message.wParam != HTCLOSE);
  if (!key && !click) return false;
  if (type == WM_LBUTTONDOWN || type == WM_RBUTTONDOWN || type == WM_NCLBUTTONDOWN || type == WM_NCRBUTTONDOWN) {
    SetActiveWindow(dialog);
  }
  return true;
}

}  // namespace

int RunModalLoop(Window* window) {
  // The owner takes no input while the dialog runs, but for its close box.
  ShowWindow(window->hwnd, SW_SHOW);
  MSG message{};
  BOOL got = TRUE;
  while (!window->ended && (got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    if (IsOwnerInput(message, window->owner, window->hwnd)) continue;
    // Keys go to the framework window that is active before the dialog manager sees them.
    if (message.message == WM_KEYDOWN) {
      const Window* active = WindowOf(GetActiveWindow());
      if (active != nullptr && active->sink->PreTranslate(WM_KEYDOWN, message.wParam)) continue;
    }
    if (!IsDialogMessageW(window->hwnd, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // WM_QUIT ends this loop as Cancel would, and is posted again, so that every loop
  // around it ends too, as the system's own modal loops pass it on.
  if (got == 0) {
    window->result = IDCANCEL;
    PostQuitMessage(static_cast<int>(message.wParam));
  }
  // Activate the owner before hiding, so the focus returns to it.
  if (window->owner != nullptr) SetActiveWindow(window->owner);
  ShowWindow(window->hwnd, SW_HIDE);
  return window->result;
}

void EndModalLoop(Window* window, int result) {
  window->result = result;
  window->ended = true;
  // Wakes the loop; a loop nested inside (a folder chooser) finishes first.
  PostMessageW(window->hwnd, WM_NULL, 0, 0);
}

std::intptr_t DefaultProcessing(Window* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (window == nullptr) return 0;
  return CallWindowProcW(window->dialogProcedure, window->hwnd, message, wParam, lParam);
}

std::string GetControlText(Window* window, int controlId) {
  const HWND control = GetDlgItem(window->hwnd, controlId);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return win32::AnsiFromWide(text);
}

void SetControlText(Window* window, int controlId, const std::string& text) {
  SetDlgItemTextW(window->hwnd, controlId, win32::WideFromAnsi(text).c_str());
}

void EnableControl(Window* window, int controlId, bool enabled) {
  EnableWindow(GetDlgItem(window->hwnd, controlId), enabled ? TRUE : FALSE);
}

void SetProgressBar(Window* window, int controlId, int thousandths) {
  // A marquee bar is busy without a position; the style switches between the two.
  const HWND bar = GetDlgItem(window->hwnd, controlId);
  const LONG_PTR style = GetWindowLongPtrW(bar, GWL_STYLE);
  const bool busy = thousandths == port::kProgressBusy;
  if (busy != ((style & PBS_MARQUEE) != 0)) {
    SetWindowLongPtrW(bar, GWL_STYLE, busy ? (style | PBS_MARQUEE) : (style & ~static_cast<LONG_PTR>(PBS_MARQUEE)));
    SendMessageW(bar, PBM_SETMARQUEE, busy ? TRUE : FALSE, 0);
  }
  if (busy) return;
  SendMessageW(bar, PBM_SETRANGE32, 0, port::kProgressScale);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(thousandths), 0);
}

void SetWindowTitle(Window* window, const std::string& text) {
  // The program's own text, like every other: the ANSI code page.
  SetWindowTextW(window->hwnd, win32::WideFromAnsi(text).c_str());
}

void PostToWindow(Window* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  PostMessageW(window->hwnd, message, wParam, lParam);
}

void StartTimer(Window* window, unsigned timerId, unsigned milliseconds) {
  ::SetTimer(window->hwnd, timerId, milliseconds, nullptr);
}

void StopTimer(Window* window, unsigned timerId) { ::KillTimer(window->hwnd, timerId); }

ScreenRect WindowFrame(Window* window) {
  RECT frame{};
  GetWindowRect(window->hwnd, &frame);
  return {frame.left, frame.top, frame.right, frame.bottom};
}

ScreenRect WorkArea(Window* window) {
  RECT area{};
  if (window != nullptr) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window->hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
    area = monitor.rcWork;
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  return {area.left, area.top, area.right, area.bottom};
}

void MoveWindowFrame(Window* window, int left, int top) {
  SetWindowPos(window->hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScreenRect ControlArea(Window* window, int controlId) {
  RECT area{};
  GetWindowRect(GetDlgItem(window->hwnd, controlId), &area);
  MapWindowPoints(nullptr, window->hwnd, reinterpret_cast<POINT*>(&area), 2);
  return {area.left, area.top, area.right, area.bottom};
}

void PlaceControl(Window* window, int controlId, const ScreenRect& area) {
  SetWindowPos(GetDlgItem(window->hwnd, controlId), nullptr, area.left, area.top, area.right - area.left,
               area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetClientSize(Window* window, int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window->hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(window->hwnd, GWL_EXSTYLE)));
  SetWindowPos(window->hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TextHeight(Window* window, int controlId) {
  const HWND field = GetDlgItem(window->hwnd, controlId);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
  // The text wrapped as the field wraps it, at the width of its formatting rectangle
  // with no scroll bar beside it.
  RECT format{};
  SendMessageW(field, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  RECT client{};
  GetClientRect(field, &client);
  RECT outer{};
  GetWindowRect(field, &outer);
  const bool scrollBar = (GetWindowLongPtrW(field, GWL_STYLE) & WS_VSCROLL) != 0;
  RECT wrapped{0, 0, format.right - format.left + (scrollBar ? GetSystemMetrics(SM_CXVSCROLL) : 0), 0};
  const HDC dc = GetDC(field);
  if (dc == nullptr) return outer.bottom - outer.top;
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(field, WM_GETFONT, 0, 0)));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped,
            DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, previous);
  ReleaseDC(field, dc);
  // Above and below the text: the formatting rectangle's margins, then the frame.
  const int margins = (client.bottom - client.top) - (format.bottom - format.top);
  const int frame = (outer.bottom - outer.top) - (client.bottom - client.top);
  return (wrapped.bottom - wrapped.top) + margins + frame;
}

void ShowVerticalScrollBar(Window* window, int controlId, bool shown) {
  ShowScrollBar(GetDlgItem(window->hwnd, controlId), SB_VERT, shown ? TRUE : FALSE);
}

bool ModifierKeyDown() { return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0; }

void SetTaskbarProgress(Window* window, int thousandths) {
  if (!window->taskbar && !window->noTaskbarProgress) {
    ITaskbarList3* taskbar = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void**>(&taskbar)))) {
      window->taskbar.reset(taskbar);
    }
    if (!window->taskbar || FAILED(window->taskbar->HrInit())) {
      window->taskbar.reset();
      window->noTaskbarProgress = true;  // a system without it: asked once
    }
  }
  if (!window->taskbar) return;
  if (thousandths < 0) {
    window->taskbar->SetProgressState(window->hwnd, TBPF_NOPROGRESS);
  } else {
    window->taskbar->SetProgressValue(window->hwnd, static_cast<ULONGLONG>(thousandths), port::kProgressScale);
  }
}

bool HasSystemMenu(Window* window) { return GetSystemMenu(window->hwnd, FALSE) != nullptr; }

void AppendSystemMenu(Window* window, unsigned flags, unsigned commandId, const std::string& text) {
  const std::wstring wide = win32::WideFromAnsi(text);
  AppendMenuW(GetSystemMenu(window->hwnd, FALSE), flags, commandId, (flags & MF_SEPARATOR) != 0 ? nullptr : wide.c_str());
}

bool LoadString(int id, std::string& text) {
  const char* found = res::FindString(id);
  if (found == nullptr) return false;
  text = win32::AnsiFromUtf8(found);
  return true;
}

Icon* LoadIcon(int resourceId) {
  return reinterpret_cast<Icon*>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId)));
}

Icon* LoadStandardIcon(int iconId) {
  // The system's shared icons, never destroyed.
  return reinterpret_cast<Icon*>(LoadIconW(nullptr, MAKEINTRESOURCEW(iconId)));
}

void SetControlIcon(Window* window, int controlId, Icon* icon) {
  SendDlgItemMessageW(window->hwnd, controlId, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void SetIcon(Window* window, Icon* icon, bool big) {
  SendMessageW(window->hwnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool IsIconic(Window* window) { return ::IsIconic(window->hwnd) != FALSE; }

void GetClientSize(Window* window, int& width, int& height) {
  RECT client{};
  GetClientRect(window->hwnd, &client);
  width = client.right - client.left;
  height = client.bottom - client.top;
}

int SystemMetric(int index) { return GetSystemMetrics(index); }

struct PaintContext {
  PAINTSTRUCT paint{};
  HDC dc = nullptr;
};

PaintContext* BeginPaint(Window* window) {
  auto context = std::make_unique<PaintContext>();
  context->dc = ::BeginPaint(window->hwnd, &context->paint);
  return context.release();  // until EndPaint
}

void EndPaint(Window* window, PaintContext* context) {
  const std::unique_ptr<PaintContext> painted(context);
  ::EndPaint(window->hwnd, &painted->paint);
}

void DrawIcon(PaintContext* context, int x, int y, Icon* icon) {
  ::DrawIcon(context->dc, x, y, reinterpret_cast<HICON>(icon));
}

int ShowMessageBox(Window* owner, const std::string& text, const std::string& caption, unsigned flags) {
  return MessageBoxW(owner != nullptr ? owner->hwnd : nullptr, win32::WideFromAnsi(text).c_str(),
                     win32::WideFromAnsi(caption).c_str(), flags);
}

bool LaunchHelp(const std::string& helpFile, unsigned command, std::uintptr_t data) {
  return WinHelpW(GetActiveWindow(), win32::WideFromAnsi(helpFile).c_str(), command, data) != FALSE;
}

void SetCriticalErrorMode() {
  // A drive without a medium then fails with an error code instead of a system dialog.
  SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::string ExecutablePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return win32::AnsiFromWide(path);
}

std::string LastNameOf(const std::string& path) {
  const std::wstring wide = win32::WideFromAnsi(path);
  const std::size_t separator = wide.find_last_of(L"\\/:");
  return win32::AnsiFromWide(separator == std::wstring::npos ? wide : wide.substr(separator + 1));
}

}  // namespace port
