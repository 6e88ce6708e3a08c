// The window port on Qt: dialogs, message boxes, icons, painting, help.
#include <QApplication>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextLayout>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>

#include "framework/Port.h"
#include "framework/Types.h"
#include "platform/qt/QtWindow.h"
#include "framework/Resources.h"

// The compiled-in icon files; outside any namespace, as Qt's resource start-up wants.
static void InitialiseResources() { Q_INIT_RESOURCE(zandrel2); }

namespace port {
namespace {

// A label's whole text, where it shows a shortened one.
constexpr const char* kFullText = "zandrel2-full-text";

// The standard icon size of the system the dialogs were drawn for.
constexpr int kIconSize = 32;


// The image of the standard size with the most colours, as the platform's icon
// loading picks it for a display of many colours.
QPixmap LoadStandardImage(const QString& file) {
  QImageReader reader(file);
  QImage best;
  int bestDepth = -1;
  for (int i = 0; i < reader.imageCount(); ++i) {
    reader.jumpToImage(i);
    const QImage image = reader.read();
    const int depth = image.text(QStringLiteral("_q_icoOrigDepth")).toInt();
    if (image.size() == QSize(kIconSize, kIconSize) && depth > bestDepth) {
      best = image;
      bestDepth = depth;
    }
  }
  return QPixmap::fromImage(best);
}

}  // namespace

bool LoadString(int id, std::string& text) {
  const char* found = res::FindString(id);
  if (found == nullptr) return false;
  text = found;  // UTF-8, the narrow encoding here
  return true;
}

void SetCriticalErrorMode() {
  // Linux shows no dialog for a drive without a medium: file calls already fail with a code.
}

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("zandrel2") : path.string();
}

std::string LastNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

Window* CreateDialogWindow(const res::DialogTemplate& dialogTemplate, Window* owner, MessageSink& sink) {
  auto window = std::make_unique<Window>(dialogTemplate, owner, sink);
  sink.Attach(window.get());
  if (window->Send(WM_INITDIALOG) != 0) window->FocusFirstTabStop();
  return window.release();  // until DestroyWindow
}

void DestroyWindow(Window* window) {
  const std::unique_ptr<Window> destroyed(window);
  destroyed->Send(WM_DESTROY);
}

int RunModalLoop(Window* window) { return window->RunModal(); }

void EndModalLoop(Window* window, int result) { window->EndModal(result); }

std::intptr_t DefaultProcessing(Window* window, unsigned message, std::uintptr_t wParam, std::intptr_t) {
  switch (message) {
    case WM_SYSCOMMAND:
      // The close box and the menu's Close end a dialog as Cancel does.
      if ((wParam & 0xFFF0) == SC_CLOSE) window->Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, 0));
      return 0;
    case WM_ICONERASEBKGND:
      if (auto* context = reinterpret_cast<PaintContext*>(wParam)) context->image.fill(window->palette().window().color());
      return 1;
    default:
      return 0;
  }
}

std::string GetControlText(Window* window, int controlId) {
  QWidget* control = window->Control(controlId);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text().toStdString();
  // A multi-line field's lines end in CR LF, as Windows gives them.
  if (auto* lines = qobject_cast<QPlainTextEdit*>(control)) {
    return lines->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString();
  }
  if (auto* label = qobject_cast<QLabel*>(control)) {
    const QVariant full = label->property(kFullText);
    return (full.isValid() ? full.toString() : label->text()).toStdString();
  }
  if (auto* button = qobject_cast<QPushButton*>(control)) return button->text().toStdString();
  return {};
}

void SetControlText(Window* window, int controlId, const std::string& text) {
  QWidget* control = window->Control(controlId);
  const QString full = QString::fromStdString(text);
  if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setProperty(kFullText, full);
    const bool elide = label->property(kElideMiddleProperty).toBool();
    label->setText(elide ? label->fontMetrics().elidedText(full, Qt::ElideMiddle, label->width()) : full);
    label->setToolTip(elide && label->text() != full ? full : QString());
    return;
  }
  if (auto* button = qobject_cast<QPushButton*>(control)) {
    button->setText(full);
    return;
  }
  if (auto* lines = qobject_cast<QPlainTextEdit*>(control)) {
    lines->setPlainText(QString(full).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    return;
  }
  auto* edit = qobject_cast<QLineEdit*>(control);
  if (edit == nullptr) return;
  // The program's text is not limited to the visible width; the user's edits are,
  // so the field's limit is set aside for this write only.
  const QValidator* limit = edit->validator();  // owned by the field, which keeps it
  edit->setValidator(nullptr);
  edit->setText(full);
  edit->setValidator(limit);
}

void EnableControl(Window* window, int controlId, bool enabled) {
  if (QWidget* control = window->Control(controlId)) control->setEnabled(enabled);
}

void SetProgressBar(Window* window, int controlId, int thousandths) {
  auto* bar = qobject_cast<QProgressBar*>(window->Control(controlId));
  if (bar == nullptr) return;
  // A range of nothing is Qt's busy bar.
  bar->setRange(0, thousandths == kProgressBusy ? 0 : kProgressScale);
  if (thousandths != kProgressBusy) bar->setValue(thousandths);
}

void SetWindowTitle(Window* window, const std::string& text) { window->setWindowTitle(QString::fromStdString(text)); }

void PostToWindow(Window* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  // Queued on the window's thread; Qt drops it with the window.
  QMetaObject::invokeMethod(window, [window, message, wParam, lParam] { window->Send(message, wParam, lParam); },
                            Qt::QueuedConnection);
}

void StartTimer(Window* window, unsigned timerId, unsigned milliseconds) { window->StartTimer(timerId, milliseconds); }

void StopTimer(Window* window, unsigned timerId) { window->StopTimer(timerId); }

namespace {

ScreenRect RectOf(const QRect& rect) { return {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}; }

}  // namespace

ScreenRect WindowFrame(Window* window) {
  // The frame is known once the window system has the window, before it is shown.
  window->winId();
  return RectOf(window->frameGeometry());
}

ScreenRect WorkArea(Window* window) {
  const QScreen* screen = window != nullptr ? window->screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? RectOf(screen->availableGeometry()) : ScreenRect{};
}

void MoveWindowFrame(Window* window, int left, int top) { window->move(left, top); }

ScreenRect ControlArea(Window* window, int controlId) {
  const QWidget* control = window->Control(controlId);
  return control != nullptr ? RectOf(control->geometry()) : ScreenRect{};
}

void PlaceControl(Window* window, int controlId, const ScreenRect& area) {
  if (QWidget* control = window->Control(controlId)) {
    control->setGeometry(area.left, area.top, area.right - area.left, area.bottom - area.top);
  }
}

void SetClientSize(Window* window, int width, int height) { window->setFixedSize(width, height); }

int TextHeight(Window* window, int controlId) {
  const auto* lines = qobject_cast<const QPlainTextEdit*>(window->Control(controlId));
  if (lines == nullptr) return 0;
  // Each paragraph laid out as the field wraps it, at the width inside its frame and
  // the document's margins.
  const qreal margin = lines->document()->documentMargin();
  const qreal width = lines->width() - 2 * lines->frameWidth() - 2 * margin;
  QTextOption wrapping;
  wrapping.setWrapMode(lines->wordWrapMode());
  qreal height = 0;
  for (const QString& paragraph : lines->toPlainText().split(QLatin1Char('\n'))) {
    QTextLayout layout(paragraph, lines->font());
    layout.setTextOption(wrapping);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      line.setLeadingIncluded(true);  // as the field spaces its lines
      height += line.height();
    }
    layout.endLayout();
  }
  // The field counts its last line in view only with a pixel to spare below the margin.
  return static_cast<int>(std::ceil(height + 2 * margin)) + 1 + 2 * lines->frameWidth();
}

void ShowVerticalScrollBar(Window* window, int controlId, bool shown) {
  if (auto* lines = qobject_cast<QPlainTextEdit*>(window->Control(controlId))) {
    lines->setVerticalScrollBarPolicy(shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  }
}

bool ModifierKeyDown() {
  return (QGuiApplication::queryKeyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) != 0;
}

void SetTaskbarProgress(Window*, int) {
  // Linux desktops offer no taskbar progress that all of them show.
}

bool HasSystemMenu(Window*) { return true; }

void AppendSystemMenu(Window* window, unsigned flags, unsigned commandId, const std::string& text) {
  window->AppendMenuEntry(flags, commandId, text);
}

Icon* LoadIcon(int resourceId) {
  // Loaded once and kept for the process's life, as the platform's icons are.
  static std::map<int, std::unique_ptr<Icon>> loaded;
  static const bool resourcesReady = (InitialiseResources(), true);
  (void)resourcesReady;
  if (const auto found = loaded.find(resourceId); found != loaded.end()) return found->second.get();
  const char* file = res::FindIconFile(resourceId);
  if (file == nullptr) return nullptr;
  auto icon = std::make_unique<Icon>(Icon{LoadStandardImage(QString::fromUtf8(file))});
  return loaded.emplace(resourceId, std::move(icon)).first->second.get();
}

Icon* LoadStandardIcon(int iconId) {
  static std::map<int, std::unique_ptr<Icon>> loaded;
  if (const auto found = loaded.find(iconId); found != loaded.end()) return found->second.get();
  QStyle::StandardPixmap pixmap = QStyle::SP_MessageBoxInformation;
  switch (iconId) {
    case IDI_ERROR:
      pixmap = QStyle::SP_MessageBoxCritical;
      break;
    case IDI_WARNING:
      pixmap = QStyle::SP_MessageBoxWarning;
      break;
    case IDI_INFORMATION:
      break;
    default:
      return nullptr;
  }
  auto icon = std::make_unique<Icon>(Icon{QApplication::style()->standardIcon(pixmap).pixmap(kIconSize, kIconSize)});
  return loaded.emplace(iconId, std::move(icon)).first->second.get();
}

void SetControlIcon(Window* window, int controlId, Icon* icon) {
  auto* label = qobject_cast<QLabel*>(window->Control(controlId));
  if (label == nullptr || icon == nullptr) return;
  label->setPixmap(icon->pixmap);
  label->resize(icon->pixmap.deviceIndependentSize().toSize());
}

void SetIcon(Window* window, Icon* icon, bool) {
  if (icon != nullptr) window->setWindowIcon(QIcon(icon->pixmap));
}

bool IsIconic(Window* window) { return window->isMinimized(); }

void GetClientSize(Window* window, int& width, int& height) {
  width = window->width();
  height = window->height();
}

int SystemMetric(int index) { return (index == SM_CXICON || index == SM_CYICON) ? kIconSize : 0; }

PaintContext* BeginPaint(Window* window) {
  auto context = std::make_unique<PaintContext>();
  context->image = QImage(window->size(), QImage::Format_ARGB32_Premultiplied);
  context->image.fill(Qt::transparent);
  return context.release();  // until EndPaint
}

void EndPaint(Window* window, PaintContext* context) {
  const std::unique_ptr<PaintContext> painted(context);
  window->iconicFace = painted->image;
}

void DrawIcon(PaintContext* context, int x, int y, Icon* icon) {
  if (context == nullptr || icon == nullptr) return;
  QPainter painter(&context->image);
  painter.drawPixmap(x, y, icon->pixmap);
  // Where the icon went, for whoever looks at the minimised window's face.
  context->image.setText(QStringLiteral("icon-origin"), QStringLiteral("%1,%2").arg(x).arg(y));
}

int ShowMessageBox(Window* owner, const std::string& text, const std::string& caption, unsigned) {
  QMessageBox box(owner);
  box.setObjectName(QStringLiteral("message-box"));
  box.setWindowTitle(QString::fromStdString(caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(text));
  box.setIcon(QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  box.exec();
  return IDOK;
}

bool LaunchHelp(const std::string&, unsigned, std::uintptr_t) {
  // Linux has no viewer for the platform's help files.
  return false;
}

}  // namespace port
