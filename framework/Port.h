// The window port: the handful of window-system operations the framework is built
// on. One implementation per platform (Qt on Linux, Win32 on Windows). Messages,
// notification codes and flags travel as their Win32 numbers in plain integers.
// Every text crosses it as the program's narrow strings: the ANSI code page on Windows,
// as the system's narrow calls take it, and UTF-8 on Linux; a port converts them once,
// where they enter it, into what its system takes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace res {
struct DialogTemplate;
}  // namespace res

namespace port {

struct Window;        // a dialog window, owned by the port
struct Icon;          // an icon, loaded once and kept for the process's life
struct PaintContext;  // a paint context of one window
struct ItemList;      // a folder chosen in the folder chooser

// Where a window's messages go: the framework's window object.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // The window is made: told before its first message.
  virtual void Attach(Window* window) = 0;
  virtual std::intptr_t Receive(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // A key pressed in the window or one of its controls, before the window system acts
  // on it (WM_KEYDOWN and the virtual key); true when the framework took it.
  virtual bool PreTranslate(unsigned message, std::uintptr_t wParam) = 0;
};

// A rectangle on the screen, in pixels; right and bottom lie outside it.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Resources. String `id` of the string table in the platform's narrow encoding;
// false when there is none.
bool LoadString(int id, std::string& text);

// Process. Called once by the framework's entry before anything else.
void SetCriticalErrorMode();      // media errors as error codes, never as system dialogs
std::string ExecutablePath();     // the running executable's full path
// The last name of a path of this system ("Zandrel2.exe" of "C:\カタログ\Zandrel2.exe"),
// found a character at a time: in a double-byte code page a character's second byte
// can be the separator's.
std::string LastNameOf(const std::string& path);

// Dialog windows. Creating one sends it WM_INITDIALOG; when that returns nonzero
// the focus goes to the first tab stop. Null when the window cannot be created.
Window* CreateDialogWindow(const res::DialogTemplate& dialogTemplate, Window* owner, MessageSink& sink);
void DestroyWindow(Window* window);  // sends WM_DESTROY
// Shows the window and runs until EndModalLoop; the owner takes no input meanwhile.
int RunModalLoop(Window* window);
void EndModalLoop(Window* window, int result);
std::intptr_t DefaultProcessing(Window* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

// The text of an edit field, a label or a button.
std::string GetControlText(Window* window, int controlId);
void SetControlText(Window* window, int controlId, const std::string& text);
void EnableControl(Window* window, int controlId, bool enabled);
// A progress bar's position, in parts of its length: kProgressScale is the whole bar;
// kProgressBusy shows it busy, moving without a position, while the whole is not known.
inline constexpr int kProgressScale = 1000;
inline constexpr int kProgressBusy = -1;
void SetProgressBar(Window* window, int controlId, int thousandths);
void SetWindowTitle(Window* window, const std::string& text);

// From any thread: queues a message for the window's thread, which hands it to the
// window's sink in its turn; dropped when the window is gone by then.
void PostToWindow(Window* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
// WM_TIMER with `timerId` every `milliseconds`, until stopped or the window is destroyed.
void StartTimer(Window* window, unsigned timerId, unsigned milliseconds);
void StopTimer(Window* window, unsigned timerId);

// Where windows are: a window's frame, the work area of the screen a window is on
// (the primary screen's for null), and moving a window's frame.
ScreenRect WindowFrame(Window* window);
ScreenRect WorkArea(Window* window);
void MoveWindowFrame(Window* window, int left, int top);

// Where controls are, in pixels of the window's client area, and the client area's size.
ScreenRect ControlArea(Window* window, int controlId);
void PlaceControl(Window* window, int controlId, const ScreenRect& area);
void SetClientSize(Window* window, int width, int height);
// The height, its frame included, in which a multi-line field shows all its text at
// its width, without a scroll bar.
int TextHeight(Window* window, int controlId);
// A multi-line field's vertical scroll bar: shown, or not at all.
void ShowVerticalScrollBar(Window* window, int controlId, bool shown);

// True while Shift, Ctrl or Alt is held down.
bool ModifierKeyDown();

// The progress shown on the window's taskbar button, in thousandths; negative for none.
// Quietly nothing where the system shows no such progress.
void SetTaskbarProgress(Window* window, int thousandths);

bool HasSystemMenu(Window* window);
void AppendSystemMenu(Window* window, unsigned flags, unsigned commandId, const std::string& text);

// Icons and painting.
Icon* LoadIcon(int resourceId);  // null when there is no such icon
// The system's icon by its Win32 number (IDI_ERROR, IDI_WARNING, IDI_INFORMATION), as
// message boxes show it; null where the system has none.
Icon* LoadStandardIcon(int iconId);
// Shows `icon` in the icon control `controlId`, which takes the icon's size.
void SetControlIcon(Window* window, int controlId, Icon* icon);
void SetIcon(Window* window, Icon* icon, bool big);
bool IsIconic(Window* window);
void GetClientSize(Window* window, int& width, int& height);
int SystemMetric(int index);
PaintContext* BeginPaint(Window* window);
void EndPaint(Window* window, PaintContext* context);
void DrawIcon(PaintContext* context, int x, int y, Icon* icon);

// A modal message box with one OK button (flags as Win32's); returns the button's id.
int ShowMessageBox(Window* owner, const std::string& text, const std::string& caption, unsigned flags);

// The folder chooser, modal in a loop of its own and owned by nobody, so the other
// windows stay usable. `initialise` runs once the chooser is up, with a handle that
// SelectFolderInChooser understands. Null when the user cancels.
struct ChooserSettings {
  std::string title;
  unsigned flags = 0;
  void (*initialise)(void* chooser, std::intptr_t data) = nullptr;
  std::intptr_t data = 0;
};
struct ItemListFree {
  void operator()(ItemList* list) const noexcept;  // the platform's task-memory free
};
using ItemListPtr = std::unique_ptr<ItemList, ItemListFree>;
ItemListPtr BrowseForFolder(const ChooserSettings& settings);
void SelectFolderInChooser(void* chooser, const char* path);
// Writes the chosen folder's path into `path`; false, with `path` empty, when there
// is no folder or it does not fit.
bool PathFromItemList(const ItemList* list, std::span<char> path);

// Help: false when no help viewer could be started.
bool LaunchHelp(const std::string& helpFile, unsigned command, std::uintptr_t data);

}  // namespace port
