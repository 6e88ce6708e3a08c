// The install dialog and the about box on Qt's offscreen platform, driven through
// the widgets as a user would, with the real installer on sandbox drives.
#include <QAccessible>
#include <QLabel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <utility>

#include "Zandrel2.h"
#include "Zandrel2Dlg.h"
#include "Zandrel2OutcomeDlg.h"
#include "installer/InstallContext.h"
#include "installer/Trace.h"
#include "framework/Resources.h"
#include "platform/qt/QtWindow.h"
#include "tests/SandboxDrives.h"

namespace fs = std::filesystem;

namespace {

struct Notice {
  QString caption;
  QString text;
  bool ownedByInstallDialog;
};

// A visible top-level widget of type T with `name`, or null.
template <typename T>
T* VisibleWindow(const QString& name) {
  T* found = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == name && widget->isVisible()) found = qobject_cast<T*>(widget);
  }
  return found;
}

// What an outcome window showed.
struct Outcome {
  QString headline;
  QString details;
  bool canOpen;
};

// Answers every message box that comes up with OK, and remembers what it said; closes
// every outcome window with Esc, after `onOutcome` had its turn, and remembers it too.
class NoticeCatcher {
 public:
  NoticeCatcher() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      port::Window* outcome = VisibleWindow<port::Window>("dialog-104");
      if (outcome == nullptr) outcome = VisibleWindow<port::Window>("dialog-105");
      if (outcome != nullptr && !outcome->Ending()) {
        outcomes.push_back({qobject_cast<QLabel*>(outcome->Control(IDC_OUTCOME_HEADLINE))->text(),
                            qobject_cast<QPlainTextEdit*>(outcome->Control(IDC_OUTCOME_DETAILS))->toPlainText(),
                            outcome->Control(IDC_OPEN_CATALOG) != nullptr});
        if (onOutcome) onOutcome(*outcome);
        QTest::keyClick(outcome, Qt::Key_Escape);
        return;
      }
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      const bool owned = box->parentWidget() != nullptr && box->parentWidget()->objectName() == "dialog-102";
      notices.push_back({box->windowTitle(), box->text(), owned});
      const QMessageBox::Icon icon = box->icon();
      const qsizetype buttons = box->buttons().size();
      // Dismissed before it is checked, so a failed check leaves no modal loop behind.
      if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
        ok->click();
      } else {
        box->reject();
      }
      QVERIFY(icon == QMessageBox::NoIcon);
      QCOMPARE(buttons, qsizetype{1});
    });
    m_timer.start(10);
  }
  QStringList Texts() const {
    QStringList texts;
    for (const Notice& notice : notices) texts << notice.text;
    return texts;
  }
  std::vector<Notice> notices;
  std::vector<Outcome> outcomes;
  std::function<void(port::Window&)> onOutcome;

 private:
  QTimer m_timer;
};

// Runs `dialog` modally with `script` acting on it once it is up; a script that
// stops early (a failed check) still ends the dialog.
int RunWith(CDialog& dialog, const std::function<void(port::Window&)>& script) {
  QTimer::singleShot(0, [&] {
    port::Window& window = *dialog.GetSafeHwnd();
    script(window);
    if (!window.Ending()) window.reject();
  });
  return dialog.DoModal();
}

QLineEdit* Field(port::Window& window, int id) { return qobject_cast<QLineEdit*>(window.Control(id)); }
QPushButton* Button(port::Window& window, int id) { return qobject_cast<QPushButton*>(window.Control(id)); }

// The first visible top-level widget of type T with `name`, once it shows up.
template <typename T>
T* WaitForWindow(const QString& name) {
  T* found = nullptr;
  const bool shown = QTest::qWaitFor([&] { return (found = VisibleWindow<T>(name)) != nullptr; }, 5000);
  if (!shown) QTest::qFail(qPrintable("no window " + name), __FILE__, __LINE__);
  return found;
}

// Closes a window as Cancel would when it goes out of scope, however the checks made
// on it before ended: a failed check ends its test, not the whole binary in a hang.
template <typename T>
struct ClosedAtExit {
  T* window;
  explicit ClosedAtExit(T* closed) : window(closed) {}
  ClosedAtExit(const ClosedAtExit&) = delete;
  ClosedAtExit& operator=(const ClosedAtExit&) = delete;
  ~ClosedAtExit() {
    if (window != nullptr && window->isVisible()) window->reject();
  }
};

// A dialog whose "Browse" runs out of memory, once directly and once in the middle
// of a data exchange; its field's edits are counted.
class ThrowingDialog : public CDialog {
 public:
  ThrowingDialog() : CDialog(IDD_ZANDREL2_DIALOG) {}
  void RunOutOfMemory() { throw std::bad_alloc(); }
  void RunOutOfMemoryExchanging() {
    m_failExchange = true;
    UpdateData(TRUE);
  }
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    if (std::exchange(m_failExchange, false)) throw std::bad_alloc();
  }
  void CountEdit() { ++edits; }
  int edits = 0;

 private:
  bool m_failExchange = false;
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ThrowingDialog, CDialog)
  ON_BN_CLICKED(IDC_BROWSE_CD, RunOutOfMemory)
  ON_BN_CLICKED(IDC_BROWSE_INSTALL, RunOutOfMemoryExchanging)
  ON_EN_CHANGE(IDC_CD_DRIVE, CountEdit)
END_MESSAGE_MAP()

const fs::path kInstalledFrame = fs::path("Apache2") / "htdocs" / "Catalogs" / "QXT905" / "HTML" / "QXT905_frame.htm";

}  // namespace

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    AfxWinInit("/opt/zandrel2/bin/zandrel2", "");
    // The home the test runs in starts empty (ctest gives it one of its own).
    if (const char* home = std::getenv("HOME"); home != nullptr && fs::path(home).filename() == "dialog-home") {
      fs::remove_all(home);
      fs::create_directories(home);
    }
  }

  // After every dialog and chooser has run: nothing written in the user's folders but
  // the installs' logs.
  void cleanupTestCase() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || fs::path(home).filename() != "dialog-home") QSKIP("not run in a home of its own");
    const fs::path logs = fs::path(home) / ".local" / "state" / "zandrel2";
    std::string written;
    std::size_t logCount = 0;
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
      if (!entry.is_regular_file()) continue;
      if (entry.path().parent_path() == logs && entry.path().extension() == ".log") {
        ++logCount;
      } else {
        written += entry.path().string() + "\n";
      }
    }
    QCOMPARE(QString::fromStdString(written), QString());
    QVERIFY(logCount > 0);  // the installs the tests ran
  }

  void init() {
    m_drives = std::make_unique<SandboxDrives>();
    g_cdPath.Format("%s", "");
    g_catalogRoot.clear();
  }

  void cleanup() {
    m_drives.reset();
    // No window may outlive its test.
    for (QWidget* widget : QApplication::topLevelWidgets()) QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
  }

  void startsWithTheDefaultsAndTheFocusOnCopy() {
    CZandrel2Dlg dialog;
    theApp.m_pMainWnd = &dialog;
    RunWith(dialog, [&](port::Window& window) {
      QCOMPARE(window.windowTitle(), QString("Zandrel"));
      QCOMPARE(Field(window, IDC_CD_DRIVE)->text(), QString("D:\\"));
      QCOMPARE(Field(window, IDC_INSTALL_DIR)->text(), QString("C:\\Apache2"));
      QCOMPARE(QString(g_cdPath.c_str()), QString("D:\\"));
      QCOMPARE(QString::fromStdString(g_catalogRoot), QString());  // no change handler ran
      QCOMPARE(window.focusWidget(), Button(window, IDOK));
      QVERIFY(window.minimumSize() == window.maximumSize());
      QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
      QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
      QCOMPARE(window.frameGeometry().center(), window.screen()->availableGeometry().center());
      window.reject();
    });
    QVERIFY(theApp.m_pMainWnd == nullptr);  // cleared when the dialog's window went
  }

  // What a screen reader says of each control, and the labels' mnemonics.
  void assistiveTechnologyNamesEveryControl() {
    CZandrel2Dlg dialog;
    RunWith(dialog, [&](port::Window& window) {
      const struct {
        int id;
        QAccessible::Role role;
        const char* name;
      } controls[] = {
          {IDC_CD_DRIVE, QAccessible::EditableText, "CD Drive Name"},
          {IDC_BROWSE_CD, QAccessible::Button, "Browse for the CD Drive"},
          {IDC_INSTALL_DIR, QAccessible::EditableText, "Install Directory"},
          {IDC_BROWSE_INSTALL, QAccessible::Button, "Browse for the Install Directory"},
          {IDOK, QAccessible::Button, "Copy"},
          {IDCANCEL, QAccessible::Button, "Cancel"},
      };
      for (const auto& control : controls) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window.Control(control.id));
        QVERIFY(accessible != nullptr);
        QCOMPARE(accessible->role(), control.role);
        QCOMPARE(accessible->text(QAccessible::Name), QString(control.name));
      }
      window.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&window));
      QTest::keyClick(&window, Qt::Key_I, Qt::AltModifier);
      QCOMPARE(window.focusWidget(), window.Control(IDC_INSTALL_DIR));
      QTest::keyClick(&window, Qt::Key_C, Qt::AltModifier);
      QCOMPARE(window.focusWidget(), window.Control(IDC_CD_DRIVE));
      window.reject();
    });

    // The progress bar tells its value.
    CDialog progress(IDD_PROGRESS);
    RunWith(progress, [&](port::Window& window) {
      port::SetProgressBar(&window, IDC_PROGRESS_BAR, 250);
      QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(window.Control(IDC_PROGRESS_BAR));
      QCOMPARE(bar->role(), QAccessible::ProgressBar);
      QCOMPARE(bar->text(QAccessible::Name), QString("Install progress"));
      QCOMPARE(bar->valueInterface()->currentValue().toInt(), 250);
      window.reject();
    });

    // On Windows a field is named by the label just before it in its template.
    for (const int dialogId : {IDD_ZANDREL2_DIALOG, IDD_PROGRESS}) {
      const std::span<const res::ControlTemplate> templateControls = res::FindDialogTemplate(dialogId)->controls;
      for (std::size_t i = 0; i < templateControls.size(); ++i) {
        if (templateControls[i].kind != res::ControlKind::kEdit) continue;
        QVERIFY(i > 0 && templateControls[i - 1].kind == res::ControlKind::kText);
      }
    }
  }

  void userEditsKeepTheInstallContextInStepProgramWritesDoNot() {
    CZandrel2Dlg dialog;
    RunWith(dialog, [&](port::Window& window) {
      QLineEdit* cd = Field(window, IDC_CD_DRIVE);
      cd->selectAll();
      QTest::keyClick(cd, Qt::Key_Backspace);
      QCOMPARE(QString(g_cdPath.c_str()), QString());
      for (const char* typed : {"E", "E:", "E:\\"}) {
        QTest::keyClick(cd, typed[std::strlen(typed) - 1]);
        QCOMPARE(QString(g_cdPath.c_str()), QString(typed));  // at every keystroke
      }
      QLineEdit* install = Field(window, IDC_INSTALL_DIR);
      QTest::keyClick(install, Qt::Key_End);
      QTest::keyClicks(install, " ");
      QCOMPARE(QString::fromStdString(g_catalogRoot), QString("C:\\Apache2 \\htdocs\\Catalogs"));  // spaces stay

      dialog.m_cdDrive = "X:\\a folder path longer than the field is wide";
      dialog.UpdateData(FALSE);
      QCOMPARE(cd->text(), QString("X:\\a folder path longer than the field is wide"));  // not limited
      QCOMPARE(QString(g_cdPath.c_str()), QString("E:\\"));                              // no handler ran
      QTest::keyClick(cd, Qt::Key_End);
      QTest::keyClicks(cd, "Z");  // the user still cannot make it any wider
      QCOMPARE(cd->text(), QString("X:\\a folder path longer than the field is wide"));

      // Typing stops when the text fills the field's visible width.
      cd->clear();
      QTest::keyClicks(cd, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
      QVERIFY2(cd->text().size() > 1 && cd->text().size() < 26, qPrintable(cd->text()));
      QCOMPARE(QString(g_cdPath.c_str()), cd->text());
      window.reject();
    });
  }

  void enterInAFieldInstallsWithTwoNoticesAndCloses() {
    m_drives->MakeSampleCd();
    fs::create_directories(m_drives->DriveC() / "Apache2" / "htdocs");
    CZandrel2Dlg dialog;
    theApp.m_pMainWnd = &dialog;
    NoticeCatcher catcher;
    const int result = RunWith(dialog, [&](port::Window& window) {
      QTest::keyClick(Field(window, IDC_INSTALL_DIR), Qt::Key_Return);
    });
    QCOMPARE(result, IDOK);
    QCOMPARE(catcher.Texts(), QStringList{"Start to Install."});
    QCOMPARE(catcher.notices.front().caption, QString("zandrel2"));
    QVERIFY(catcher.notices.front().ownedByInstallDialog);
    QVERIFY(fs::exists(m_drives->DriveC() / kInstalledFrame));
  }

  void failedInstallsKeepTheDialogOpenForAnotherCopy() {
    m_drives->MakeSampleCd();
    CZandrel2Dlg dialog;
    theApp.m_pMainWnd = &dialog;
    NoticeCatcher catcher;
    const int result = RunWith(dialog, [&](port::Window& window) {
      Button(window, IDOK)->click();  // no htdocs yet
      QCOMPARE(catcher.Texts(), QStringList{"ERR-01 Fial to Create Derectory."});
      QVERIFY(window.isVisible());

      // A folder where a page belongs makes its copy fail: reported, and still open.
      fs::create_directories(m_drives->DriveC() / kInstalledFrame);
      Button(window, IDOK)->click();
      QCOMPARE(catcher.Texts(),
               (QStringList{"ERR-01 Fial to Create Derectory.", "Start to Install.", "ERR-05 File Copy Error."}));
      QVERIFY(window.isVisible());

      fs::remove(m_drives->DriveC() / kInstalledFrame);
      Button(window, IDOK)->click();
    });
    QCOMPARE(result, IDOK);
    QCOMPARE(catcher.Texts().size(), 4);
    QVERIFY(fs::is_regular_file(m_drives->DriveC() / kInstalledFrame));

    // After each notice, the outcome says why, where it can be copied from.
    QCOMPARE(catcher.outcomes.size(), std::size_t{3});
    const Outcome& notPrepared = catcher.outcomes[0];
    QCOMPARE(notPrepared.headline, QString("Not installed"));
    QVERIFY(!notPrepared.canOpen);
    QVERIFY2(notPrepared.details.startsWith("Cannot create C:\\Apache2\\htdocs\\Catalogs: C:\\Apache2 (/") &&
                 notPrepared.details.contains("/Apache2) does not exist\n"),
             qPrintable(notPrepared.details));
    QVERIFY2(notPrepared.details.contains("\nLog: "), qPrintable(notPrepared.details));
    const Outcome& leftOut = catcher.outcomes[1];
    QCOMPARE(leftOut.headline, QString("Not installed completely"));
    QVERIFY2(leftOut.details.contains("\n1 entry of the catalog was left out:\n"
                                      "D:\\FP\\HTML\\QXT905_frame.htm ("),
             qPrintable(leftOut.details));
    QCOMPARE(catcher.outcomes[2].headline, QString("Installed"));
  }

  // The outcome's heading stands out, bold beside the system's icon for the outcome, and
  // its details field is as tall as its text: a few lines shrink it and the window with
  // it, with no scroll bar; a hundred left-out entries keep its full height and scroll.
  void theOutcomeFitsItsDetailsBesideItsIcon() {
    struct Shown {
      int fieldHeight;
      int windowHeight;
      int gapToClose;  // from the field's bottom to Close's top
      bool closeInside;
      bool scrolls;
      bool bold;
      bool icon;
    };
    std::vector<Shown> shown;
    NoticeCatcher catcher;
    catcher.onOutcome = [&](port::Window& outcome) {
      auto* field = qobject_cast<QPlainTextEdit*>(outcome.Control(IDC_OUTCOME_DETAILS));
      auto* heading = qobject_cast<QLabel*>(outcome.Control(IDC_OUTCOME_HEADLINE));
      auto* icon = qobject_cast<QLabel*>(outcome.Control(IDC_OUTCOME_ICON));
      const QRect close = outcome.Control(IDCANCEL)->geometry();
      shown.push_back({field->height(), outcome.height(), close.top() - field->geometry().bottom(),
                       outcome.rect().contains(close),
                       field->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff, heading->font().bold(),
                       !icon->pixmap().isNull()});
      // Every line of a fitted field is in view.
      if (!shown.back().scrolls) QCOMPARE(field->verticalScrollBar()->maximum(), 0);
    };
    CZandrel2Dlg owner;
    InstallLog noLog;
    InstallDetails stopped;
    ShowOutcome(owner, InstallOutcome::kStopped, stopped, noLog, "C:\\Apache2");
    InstallDetails leftOut;
    leftOut.copyFailures = 150;
    for (int i = 0; i < 150; ++i) leftOut.leftOut.Add({"D:\\FP\\jpg\\p" + std::to_string(i) + ".jpg", 5, {}, 0});
    ShowOutcome(owner, InstallOutcome::kCopyFailed, leftOut, noLog, "C:\\Apache2");
    QCOMPARE(shown.size(), std::size_t{2});
    QVERIFY(!shown[0].scrolls && shown[1].scrolls);
    QVERIFY2(shown[0].fieldHeight < shown[1].fieldHeight && shown[0].windowHeight < shown[1].windowHeight,
             qPrintable(QString("%1/%2 against %3/%4").arg(shown[0].fieldHeight).arg(shown[0].windowHeight)
                            .arg(shown[1].fieldHeight).arg(shown[1].windowHeight)));
    QCOMPARE(shown[1].windowHeight - shown[1].fieldHeight, shown[0].windowHeight - shown[0].fieldHeight);
    // The buttons move with the field's bottom and stay in the window.
    QCOMPARE(shown[0].gapToClose, shown[1].gapToClose);
    QVERIFY(shown[0].closeInside && shown[1].closeInside);
    QVERIFY(shown[0].bold && shown[0].icon && shown[1].icon);
  }

  // A finish the user can act on: what was installed and where, with the server's
  // address from the install directory's configuration, and "Open the catalog" handing it to the desktop's opener.
  void theOutcomeOfAnInstallOpensTheCatalogThroughTheServer() {
    m_drives->MakeSampleCd();
    const fs::path apache = m_drives->DriveC() / "Apache2";
    fs::create_directories(apache / "htdocs");
    SandboxDrives::WriteFile(apache / "conf" / "httpd.conf", "# a server for the catalog\nListen 8080\nServerName 127.0.0.1\n");
    const fs::path opener = m_drives->Root() / "bin";
    SandboxDrives::WriteFile(opener / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/opened\"\n");
    fs::permissions(opener / "xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH");
    setenv("PATH", (opener.string() + ":" + path).c_str(), 1);
    CZandrel2Dlg dialog;
    theApp.m_pMainWnd = &dialog;
    NoticeCatcher catcher;
    catcher.onOutcome = [](port::Window& outcome) {
      QVERIFY(Button(outcome, IDCANCEL)->isDefault());
      Button(outcome, IDC_OPEN_CATALOG)->click();
    };
    const int result = RunWith(dialog, [&](port::Window& window) { Button(window, IDOK)->click(); });
    setenv("PATH", path.c_str(), 1);
    QCOMPARE(result, IDOK);
    QCOMPARE(catcher.Texts(), QStringList{"Start to Install."});
    QCOMPARE(catcher.outcomes.size(), std::size_t{1});
    const Outcome& installed = catcher.outcomes.front();
    QCOMPARE(installed.headline, QString("Installed"));
    QVERIFY(installed.canOpen);
    const QStringList lines = installed.details.split('\n');
    QCOMPARE(lines.size(), 6);
    QVERIFY2(lines[0].startsWith("6 files, 41 bytes, in 0:0"), qPrintable(lines[0]));
    QCOMPARE(lines[1], QString("Catalog folder: C:\\Apache2\\htdocs\\Catalogs\\QXT905"));
    QVERIFY2(lines[2].startsWith("Linux folder: /") && lines[2].endsWith("/Apache2/htdocs/Catalogs/QXT905"),
             qPrintable(lines[2]));
    QCOMPARE(lines[3], QString("Address: http://127.0.0.1:8080/Catalogs/index.htm"));
    // The server was asked; what answers on this machine's port 8080 is not this test's.
    QVERIFY2(lines[4].startsWith("Not served: ") || lines[4].startsWith("Served at "), qPrintable(lines[4]));
    QVERIFY(lines[5].startsWith("Log: "));
    QCOMPARE(QString::fromStdString(SandboxDrives::ReadFile(opener / "opened")),
             QString("http://127.0.0.1:8080/Catalogs/index.htm\n"));
  }

  void theProgressWindowFollowsTheCopyAndEveryWayOutStopsIt_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Stop") << "stop";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("its close box") << "close box";
    QTest::newRow("the install dialog's close box") << "install dialog close box";
  }

  void theProgressWindowFollowsTheCopyAndEveryWayOutStopsIt() {
    QFETCH(QString, how);
    m_drives->MakeSampleCd();
    fs::create_directories(m_drives->DriveC() / "Apache2" / "htdocs");
    CZandrel2Dlg dialog;
    theApp.m_pMainWnd = &dialog;
    NoticeCatcher catcher;
    const int result = RunWith(dialog, [&](port::Window& window) {
      // Holding the trace holds the copy at its first line, so the stop comes first.
      std::unique_lock<std::mutex> heldCopy = HoldTrace();
      QTimer watch;
      QObject::connect(&watch, &QTimer::timeout, [&] {
        port::Window* progress = VisibleWindow<port::Window>("dialog-103");
        if (progress == nullptr || !heldCopy.owns_lock()) return;
        QCOMPARE(progress->windowTitle(), QString("Installing the catalog - zandrel2"));
        // The install dialog takes no input: a second "Copy" would show a second notice.
        QTest::mouseClick(Button(window, IDOK), Qt::LeftButton);
        QTest::keyClick(Field(window, IDC_INSTALL_DIR), Qt::Key_Return);
        QCOMPARE(progress->parentWidget(), &window);
        QCOMPARE(progress->frameGeometry().center(), window.frameGeometry().center());
        QVERIFY(qobject_cast<QProgressBar*>(progress->Control(IDC_PROGRESS_BAR)) != nullptr);
        QCOMPARE(Button(*progress, IDCANCEL)->text(), QString("Stop"));
        if (how == "stop") {
          Button(*progress, IDCANCEL)->click();
        } else if (how == "escape") {
          QTest::keyClick(progress, Qt::Key_Escape);
        } else if (how == "close box") {
          progress->close();
        } else {
          window.close();
        }
        QVERIFY(progress->isVisible());  // until the file being copied is done
        QVERIFY(!Button(*progress, IDCANCEL)->isEnabled());
        heldCopy.unlock();
      });
      watch.start(10);
      Button(window, IDOK)->click();
      QVERIFY(!heldCopy.owns_lock());
      QCOMPARE(catcher.Texts(), (QStringList{"Start to Install.", "Install stopped."}));
      QVERIFY(catcher.notices.back().ownedByInstallDialog);
      QVERIFY(window.isVisible());
      QVERIFY(!fs::exists(m_drives->DriveC() / kInstalledFrame));

      // The next Copy completes the catalog, and the dialog closes as after any clean install.
      Button(window, IDOK)->click();
    });
    QCOMPARE(result, IDOK);
    QVERIFY(fs::is_regular_file(m_drives->DriveC() / kInstalledFrame));
  }

  void escapeAndTheCloseBoxQuitWithoutTouchingTheDisk() {
    m_drives->MakeSampleCd();
    fs::create_directories(m_drives->DriveC() / "Apache2" / "htdocs");
    for (const bool closeBox : {false, true}) {
      CZandrel2Dlg dialog;
      const int result = RunWith(dialog, [&](port::Window& window) {
        if (closeBox) {
          window.close();
        } else {
          QTest::keyClick(Field(window, IDC_CD_DRIVE), Qt::Key_Escape);
        }
      });
      QCOMPARE(result, IDCANCEL);
    }
    QCOMPARE(QString::fromStdString(SandboxDrives::ListTree(m_drives->DriveC())), QString("Apache2/\nApache2/htdocs/\n"));
  }

  // A disc image mounted as a desktop mounts a disc is among the chooser's places.
  void theChooserListsTheMountedDiscs() {
    if (std::system("test -c /dev/fuse && command -v fuseiso >/dev/null && command -v genisoimage >/dev/null") != 0) {
      QSKIP("no FUSE, fuseiso or genisoimage here");
    }
    const fs::path root = m_drives->Root();
    fs::create_directories(root / "catalog" / "FP");
    fs::create_directories(root / "disc");
    const std::string mount = "genisoimage -quiet -J -R -o '" + (root / "cd.iso").string() + "' '" +
                              (root / "catalog").string() + "' && fuseiso '" + (root / "cd.iso").string() + "' '" +
                              (root / "disc").string() + "'";
    QCOMPARE(std::system(mount.c_str()), 0);
    CZandrel2Dlg dialog;
    RunWith(dialog, [&](port::Window& window) {
      QTimer::singleShot(0, [&] {
        auto* chooser = WaitForWindow<QFileDialog>("folder-chooser");
        if (chooser == nullptr) return;
        const ClosedAtExit<QFileDialog> closing{chooser};
        QVERIFY(chooser->sidebarUrls().contains(QUrl::fromLocalFile(QString::fromStdString((root / "disc").string()))));
        chooser->reject();
      });
      Button(window, IDC_BROWSE_CD)->click();
      window.reject();
    });
    QCOMPARE(std::system(("fusermount -u '" + (root / "disc").string() + "'").c_str()), 0);
  }

  void choosersFillTheirFieldAndACancelChangesNothing() {
    const fs::path chosen = m_drives->DriveD();
    CZandrel2Dlg dialog;
    RunWith(dialog, [&](port::Window& window) {
      QTimer::singleShot(0, [&] {
        auto* chooser = WaitForWindow<QFileDialog>("folder-chooser");
        if (chooser == nullptr) return;
        const ClosedAtExit<QFileDialog> closing{chooser};
        QCOMPARE(chooser->windowTitle(), QString("Select the Folder of Apache2"));
        QCOMPARE(chooser->fileMode(), QFileDialog::Directory);
        // The chooser has no owner: the install dialog takes input meanwhile.
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QTest::keyClicks(Field(window, IDC_INSTALL_DIR), "X");
        QCOMPARE(QString::fromStdString(g_catalogRoot), QString("C:\\Apache2X\\htdocs\\Catalogs"));
        chooser->reject();
      });
      Button(window, IDC_BROWSE_CD)->click();
      QCOMPARE(Field(window, IDC_CD_DRIVE)->text(), QString("D:\\"));
      QCOMPARE(QString(g_cdPath.c_str()), QString("D:\\"));

      QTimer::singleShot(0, [&] {
        auto* chooser = WaitForWindow<QFileDialog>("folder-chooser");
        if (chooser == nullptr) return;
        const ClosedAtExit<QFileDialog> closing{chooser};
        chooser->selectFile(QString::fromStdString(chosen.string()));
        static_cast<QDialog*>(chooser)->accept();
      });
      Button(window, IDC_BROWSE_CD)->click();
      QCOMPARE(Field(window, IDC_CD_DRIVE)->text(), QString::fromStdString(chosen.string()));
      QCOMPARE(QString(g_cdPath.c_str()), QString::fromStdString(chosen.string()));

      QTimer::singleShot(0, [&] {
        auto* chooser = WaitForWindow<QFileDialog>("folder-chooser");
        if (chooser == nullptr) return;
        const ClosedAtExit<QFileDialog> closing{chooser};
        chooser->selectFile(QString::fromStdString(m_drives->DriveC().string()));
        static_cast<QDialog*>(chooser)->accept();
      });
      Button(window, IDC_BROWSE_INSTALL)->click();
      QCOMPARE(Field(window, IDC_INSTALL_DIR)->text(), QString::fromStdString(m_drives->DriveC().string()));
      // The catalog root waits for the next edit or "Copy".
      QCOMPARE(QString::fromStdString(g_catalogRoot), QString("C:\\Apache2X\\htdocs\\Catalogs"));
      window.reject();
    });
  }

  void theWindowMenuAndItsCommandsOpenTheAboutBox() {
    CZandrel2Dlg dialog;
    theApp.m_pMainWnd = &dialog;
    RunWith(dialog, [&](port::Window& window) {
      int aboutBoxes = 0;
      const auto closeAboutBox = [&] {
        auto* about = WaitForWindow<port::Window>("dialog-100");
        if (about == nullptr) return;
        const ClosedAtExit<port::Window> closing{about};
        QCOMPARE(about->windowTitle(), QString("Zandrel2のﾊﾞｰｼﾞｮﾝ情報"));
        // The install dialog takes no input: a click on its "Copy" starts nothing.
        QTest::mouseClick(Button(window, IDOK), Qt::LeftButton);
        QVERIFY(about->isVisible());
        QCOMPARE(VisibleWindow<port::Window>("dialog-103"), nullptr);
        QCOMPARE(about->parentWidget(), &window);
        QCOMPARE(about->frameGeometry().center(), window.frameGeometry().center());
        ++aboutBoxes;
        about->Control(IDOK)->setFocus();
        QTest::keyClick(about->Control(IDOK), Qt::Key_Return);
      };

      QTimer::singleShot(0, [&] {
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 3);
        QVERIFY(actions[1]->isSeparator());
        QCOMPARE(actions[2]->text(), QString("Zandrel2 のﾊﾞｰｼﾞｮﾝ情報(&A)..."));
        QTimer::singleShot(0, closeAboutBox);
        actions[2]->trigger();
        menu->close();
      });
      window.ShowSystemMenu(window.geometry().center());
      QCOMPARE(aboutBoxes, 1);

      // Not on a push button: there the window menu stays shut.
      QContextMenuEvent onButton(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(1, 1));
      QApplication::sendEvent(Button(window, IDOK), &onButton);
      QVERIFY(QApplication::activePopupWidget() == nullptr);

      for (const unsigned command : {0x0010u, 0x001Fu, 0x0020u, 0xF120u}) {
        QTimer::singleShot(0, [&, command] {
          if (command <= 0x001F) closeAboutBox();
        });
        window.Send(WM_SYSCOMMAND, command);
      }
      QCOMPARE(aboutBoxes, 3);
      QVERIFY(window.isVisible());
      window.reject();
    });
  }

  void minimisedTheIconIsDrawnCentred_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("origin");
    QTest::newRow("two pixels narrower, three lower") << 30 << 29 << "0,-1";
    QTest::newRow("three pixels narrower, two lower") << 29 << 30 << "-1,0";
    QTest::newRow("wider") << 101 << 32 << "35,0";
  }

  void minimisedTheIconIsDrawnCentred() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, origin);
    CZandrel2Dlg dialog;
    RunWith(dialog, [&](port::Window& window) {
      window.setFixedSize(width, height);
      window.showMinimized();
      QCOMPARE(window.iconicFace.text("icon-origin"), origin);
      QVERIFY(dialog.SendMessage(WM_QUERYDRAGICON) != 0);  // the drag image is the icon
      window.showNormal();
      window.reject();
    });
  }

  void f1AsksForHelpAndSaysWhenThereIsNoViewer() {
    CZandrel2Dlg dialog;
    theApp.m_pMainWnd = &dialog;
    NoticeCatcher catcher;
    RunWith(dialog, [&](port::Window& window) {
      QTest::keyClick(Field(window, IDC_CD_DRIVE), Qt::Key_F1);
      window.reject();
    });
    QCOMPARE(catcher.Texts(), QStringList{"Failed to launch help."});
    QCOMPARE(catcher.notices.front().caption, QString("zandrel2"));
  }

  void anExceptionInAHandlerIsShownAndTheDialogGoesOn() {
    ThrowingDialog dialog;
    NoticeCatcher catcher;
    const int result = RunWith(dialog, [&](port::Window& window) {
      Button(window, IDC_BROWSE_CD)->click();
      QVERIFY(window.isVisible());
      QCOMPARE(catcher.Texts(), QStringList{"Out of memory."});

      // Failing inside a data exchange leaves the controls' notifications flowing.
      Button(window, IDC_BROWSE_INSTALL)->click();
      QCOMPARE(catcher.Texts(), (QStringList{"Out of memory.", "Out of memory."}));
      QTest::keyClicks(Field(window, IDC_CD_DRIVE), "E");
      QCOMPARE(dialog.edits, 1);
      window.reject();
    });
    QCOMPARE(result, IDCANCEL);
  }

 private:
  std::unique_ptr<SandboxDrives> m_drives;
};

QTEST_MAIN(DialogTest)
#include "DialogTest.moc"
