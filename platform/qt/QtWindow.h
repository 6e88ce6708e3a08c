// The Qt port's dialog window: controls placed from the dialog template in dialog
// units, and the user's actions turned into the framework's messages.
#pragma once

#include <QDialog>
#include <QEventLoop>
#include <QImage>
#include <QPointer>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/Port.h"
#include "framework/Resources.h"

class QMenu;
class QTimer;

// A label property: a long text loses its middle instead of its end.
inline constexpr const char* kElideMiddleProperty = "zandrel2-path-ellipsis";

namespace port {

struct Icon {
  QPixmap pixmap;
};

struct PaintContext {
  QImage image;
};

struct Window : public QDialog {
  Q_OBJECT

 public:
  Window(const res::DialogTemplate& dialogTemplate, Window* owner, MessageSink& sink);

  QWidget* Control(int id) const;
  // Sends the framework a message, as the window system would.
  std::intptr_t Send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

  void AppendMenuEntry(unsigned flags, unsigned commandId, const std::string& text);
  void ShowSystemMenu(const QPoint& where);

  // Esc: Cancel, as the dialog manager sends it.
  void reject() override;

  void FocusFirstTabStop();
  void StartTimer(unsigned timerId, unsigned milliseconds);
  void StopTimer(unsigned timerId);
  int RunModal();
  void EndModal(int result);
  bool Ending() const { return m_result.has_value(); }

  // What the window shows while minimised: the last iconic paint.
  QImage iconicFace;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Enter pressed on a control goes to the framework first, as on the window itself.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct MenuEntry {
    unsigned flags;
    unsigned commandId;
    QString text;
  };

  QWidget* CreateControl(const res::ControlTemplate& control, int baseWidth, int baseHeight);

  MessageSink& m_sink;
  int m_templateId;
  std::map<int, QWidget*> m_controls;
  std::vector<QWidget*> m_tabStops;
  std::vector<MenuEntry> m_menuEntries;
  std::map<unsigned, QTimer*> m_timers;  // owned by the window
  QPointer<QEventLoop> m_loop;
  std::optional<int> m_result;
};

}  // namespace port
