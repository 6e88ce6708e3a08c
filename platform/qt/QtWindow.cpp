#include "platform/qt/QtWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QValidator>

#include "framework/Types.h"

namespace port {
namespace {

// The Japanese Gothic font the templates name, by the name Debian's fonts carry.
void MapDialogFont() {
  static const bool mapped = [] {
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
    return true;
  }();
  (void)mapped;
}

// Dialog units to pixels with rounding, as MulDiv does.
int DialogUnitsToPixels(int units, int base, int divisor) { return (units * base + divisor / 2) / divisor; }

// The width an edit field shows its text in.
int VisibleTextWidth(const QLineEdit& edit) {
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
  const QRect contents = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
  const QMargins margins = edit.textMargins();
  constexpr int kLineEditSideMargins = 2 * 2;  // QLineEdit's own horizontal margin on each side
  return contents.width() - margins.left() - margins.right() - kLineEditSideMargins;
}

// A field without automatic horizontal scrolling: the user's typing and pasting
// stop when the text fills the visible width. Text the program puts in is not
// limited, and deleting from it is always possible.
class FitsVisibleWidth : public QValidator {
 public:
  explicit FitsVisibleWidth(QLineEdit& edit) : QValidator(&edit), m_edit(edit) {
    connect(&edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_shown = text; });
  }
  State validate(QString& input, int&) const override {
    const QFontMetrics& metrics = m_edit.fontMetrics();
    const int width = metrics.horizontalAdvance(input);
    return (width <= VisibleTextWidth(m_edit) || width <= metrics.horizontalAdvance(m_shown)) ? Acceptable : Invalid;
  }

 private:
  QLineEdit& m_edit;
  QString m_shown;  // the text before the edit being validated
};

// Notifications from controls carry a nonzero origin, as a control's handle on Windows.
constexpr std::intptr_t kFromControl = 1;

}  // namespace

Window::Window(const res::DialogTemplate& dialogTemplate, Window* owner, MessageSink& sink)
    : QDialog(owner), m_sink(sink), m_templateId(dialogTemplate.id) {
  MapDialogFont();
  setObjectName(QStringLiteral("dialog-%1").arg(dialogTemplate.id));
  setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
  // A caption and a close box, no minimise or maximise box; an unowned dialog is a
  // window of its own with its own taskbar entry.
  setWindowFlags((owner != nullptr ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  QFont font(QString::fromUtf8(dialogTemplate.fontName));
  font.setPointSize(dialogTemplate.fontPoints);
  setFont(font);
  // The dialog base units: the average width of the 52 letters, and the font's height.
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int baseWidth = (letters / 26 + 1) / 2;
  const int baseHeight = metrics.height();

  // A label names the control that follows it, which its mnemonic focuses, as the
  // dialog manager reads a template; a label with no such control shows no "&".
  std::vector<QLabel*> naming;
  for (const res::ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = CreateControl(control, baseWidth, baseHeight);
    if (!naming.empty() && naming.back()->buddy() == nullptr && widget->focusPolicy() != Qt::NoFocus) {
      naming.back()->setBuddy(widget);
    }
    if (control.kind == res::ControlKind::kText && (control.style & res::style::kNoPrefix) == 0) {
      naming.push_back(qobject_cast<QLabel*>(widget));
    }
  }
  for (QLabel* label : naming) {
    if (label->buddy() == nullptr) label->setText(label->text().remove(QLatin1Char('&')));
  }
  for (std::size_t i = 1; i < m_tabStops.size(); ++i) setTabOrder(m_tabStops[i - 1], m_tabStops[i]);
  setFixedSize(DialogUnitsToPixels(dialogTemplate.cx, baseWidth, 4), DialogUnitsToPixels(dialogTemplate.cy, baseHeight, 8));

  // Shift+F10 and the Menu key open the window menu, as the system menu opens on Windows.
  for (const QKeySequence& keys : {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)}) {
    auto* shortcut = new QShortcut(keys, this);  // owned by the window
    connect(shortcut, &QShortcut::activated, this, [this] { ShowSystemMenu(mapToGlobal(rect().center())); });
  }
}

QWidget* Window::CreateControl(const res::ControlTemplate& control, int baseWidth, int baseHeight) {
  const QRect area(DialogUnitsToPixels(control.x, baseWidth, 4), DialogUnitsToPixels(control.y, baseHeight, 8),
                   DialogUnitsToPixels(control.cx, baseWidth, 4), DialogUnitsToPixels(control.cy, baseHeight, 8));
  const QString text = QString::fromUtf8(control.text);
  const auto id = static_cast<unsigned>(control.id);
  QWidget* widget = nullptr;
  switch (control.kind) {
    case res::ControlKind::kPushButton: {
      auto* button = new QPushButton(text, this);  // owned by the window
      button->setAutoDefault(true);
      // The window menu opens on the dialog's background, not on its buttons.
      button->setContextMenuPolicy(Qt::PreventContextMenu);
      button->setDefault((control.style & res::style::kDefPushButton) != 0);
      connect(button, &QPushButton::clicked, this, [this, id] { Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), kFromControl); });
      widget = button;
      break;
    }
    case res::ControlKind::kEdit: {
      if ((control.style & res::style::kMultiLine) != 0) {
        auto* lines = new QPlainTextEdit(this);  // owned by the window
        lines->setReadOnly((control.style & res::style::kReadOnly) != 0);
        // A read-only field shows its caret and selects by keyboard too, as on Windows,
        // so that the focus can be seen there.
        if (lines->isReadOnly()) {
          lines->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        }
        lines->setTabChangesFocus(true);  // Tab moves on, as in a dialog's multi-line field
        lines->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        if ((control.style & res::style::kVScroll) == 0) lines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(lines, &QPlainTextEdit::textChanged, this, [this, id] { Send(WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), kFromControl); });
        widget = lines;
        break;
      }
      auto* edit = new QLineEdit(this);  // owned by the window
      edit->setFrame((control.style & res::style::kBorder) != 0);
      if ((control.style & res::style::kAutoHScroll) == 0) edit->setValidator(new FitsVisibleWidth(*edit));
      // Every change notifies, as on Windows; the framework tells the program's own apart.
      connect(edit, &QLineEdit::textChanged, this, [this, id] { Send(WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), kFromControl); });
      widget = edit;
      break;
    }
    case res::ControlKind::kText: {
      auto* label = new QLabel(this);  // owned by the window
      label->setTextFormat(Qt::PlainText);
      // "&" marks a mnemonic unless the text asks for none: the label draws it underlined
      // once it names a control.
      label->setText(text);
      label->setProperty(kElideMiddleProperty, (control.style & res::style::kPathEllipsis) != 0);
      widget = label;
      break;
    }
    case res::ControlKind::kHeading: {
      auto* label = new QLabel(text, this);  // owned by the window
      label->setTextFormat(Qt::PlainText);
      QFont heading = font();
      heading.setBold(true);
      heading.setPointSizeF(heading.pointSizeF() * 1.25);
      label->setFont(heading);
      widget = label;
      break;
    }
    case res::ControlKind::kProgressBar: {
      auto* bar = new QProgressBar(this);  // owned by the window
      bar->setRange(0, port::kProgressScale);
      bar->setTextVisible(false);  // the Windows bar shows no percentage either
      widget = bar;
      break;
    }
    case res::ControlKind::kIcon: {
      auto* label = new QLabel(this);  // owned by the window
      if (const Icon* icon = LoadIcon(control.iconId)) label->setPixmap(icon->pixmap);
      widget = label;
      break;
    }
  }
  widget->setGeometry(area);
  widget->installEventFilter(this);
  widget->setObjectName(QStringLiteral("control-%1").arg(control.id));
  if (control.id != -1) m_controls[control.id] = widget;
  if (control.accessibleName != nullptr) widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
  if ((control.style & res::style::kTabStop) != 0) {
    widget->setFocusPolicy(Qt::StrongFocus);
    m_tabStops.push_back(widget);
  } else {
    widget->setFocusPolicy(Qt::NoFocus);
  }
  return widget;
}

QWidget* Window::Control(int id) const {
  const auto found = m_controls.find(id);
  return found != m_controls.end() ? found->second : nullptr;
}

std::intptr_t Window::Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  return m_sink.Receive(message, wParam, lParam);
}

void Window::AppendMenuEntry(unsigned flags, unsigned commandId, const std::string& text) {
  m_menuEntries.push_back({flags, commandId, QString::fromStdString(text)});
}

void Window::ShowSystemMenu(const QPoint& where) {
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("system-menu"));
  connect(menu.addAction(QStringLiteral("&Close\tAlt+F4")), &QAction::triggered, this, [this] { Send(WM_SYSCOMMAND, SC_CLOSE); });
  for (const MenuEntry& entry : m_menuEntries) {
    if ((entry.flags & MF_SEPARATOR) != 0) {
      menu.addSeparator();
    } else {
      const unsigned id = entry.commandId;
      connect(menu.addAction(entry.text), &QAction::triggered, this, [this, id] { Send(WM_SYSCOMMAND, id); });
    }
  }
  menu.exec(where);
}

void Window::FocusFirstTabStop() {
  if (!m_tabStops.empty()) m_tabStops.front()->setFocus(Qt::OtherFocusReason);
}

namespace {

// While a dialog runs modally, its owner takes no input, as a disabled owner on
// Windows: its keys and clicks are dropped, and a click on it brings the dialog
// forward. Unlike Qt's window modality this keeps the owner hearing the window
// manager's close request, which the framework hands on to the dialog.
class OwnerInputBlock : public QObject {
 public:
  OwnerInputBlock(QWidget& owner, QWidget& dialog) : m_owner(owner), m_dialog(dialog) { qApp->installEventFilter(this); }
  OwnerInputBlock(const OwnerInputBlock&) = delete;
  OwnerInputBlock& operator=(const OwnerInputBlock&) = delete;
  ~OwnerInputBlock() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (widget == nullptr || widget->window() != &m_owner) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        if (m_dialog.isVisible()) {
          m_dialog.raise();
          m_dialog.activateWindow();
        }
        return true;
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::ContextMenu:
        return true;
      default:
        return false;
    }
  }

 private:
  QWidget& m_owner;
  QWidget& m_dialog;
};

}  // namespace

int Window::RunModal() {
  // An owned dialog blocks its owner only; an unowned one blocks nothing, so that
  // windows without an owner, such as the folder chooser, stay usable beside it.
  std::optional<OwnerInputBlock> blocked;
  if (parentWidget() != nullptr) blocked.emplace(*parentWidget(), *this);
  show();
  activateWindow();
  if (!m_result) {
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
  }
  hide();
  return m_result.value_or(IDCANCEL);
}

void Window::EndModal(int result) {
  m_result = result;
  // A loop nested inside (a folder chooser) finishes first; this one ends after it.
  if (m_loop) m_loop->exit(result);
}

void Window::reject() { Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)); }

void Window::closeEvent(QCloseEvent* event) {
  event->ignore();
  Send(WM_SYSCOMMAND, SC_CLOSE);
}

void Window::keyPressEvent(QKeyEvent* event) {
  // The function keys and Enter, by their Windows numbers, go to the framework first.
  const int key = event->key();
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24 && m_sink.PreTranslate(WM_KEYDOWN, VK_F1 + static_cast<unsigned>(key - Qt::Key_F1))) {
    return;
  }
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_sink.PreTranslate(WM_KEYDOWN, VK_RETURN)) return;
  QDialog::keyPressEvent(event);  // Enter presses the default button, Esc rejects
}

bool Window::eventFilter(QObject* watched, QEvent* event) {
  // A push button takes Enter itself before the window sees it.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_sink.PreTranslate(WM_KEYDOWN, VK_RETURN)) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void Window::StartTimer(unsigned timerId, unsigned milliseconds) {
  QTimer*& timer = m_timers[timerId];
  if (timer == nullptr) {
    timer = new QTimer(this);  // owned by the window
    connect(timer, &QTimer::timeout, this, [this, timerId] { Send(WM_TIMER, timerId); });
  }
  timer->start(static_cast<int>(milliseconds));
}

void Window::StopTimer(unsigned timerId) {
  if (const auto found = m_timers.find(timerId); found != m_timers.end()) found->second->stop();
}

void Window::contextMenuEvent(QContextMenuEvent* event) { ShowSystemMenu(event->globalPos()); }

void Window::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  // Windows paints a minimised window's face; here it is kept as an image.
  if (event->type() == QEvent::WindowStateChange && isMinimized()) Send(WM_PAINT);
}

void Window::paintEvent(QPaintEvent*) { Send(WM_PAINT); }

}  // namespace port
