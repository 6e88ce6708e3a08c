// The folder chooser on Qt: a folder-only file dialog without an owner, run in a
// loop of its own, so the install dialog stays usable while it is open.
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstring>

#include "framework/Port.h"
#include "platform/posix/MountedDiscs.h"

namespace port {

struct ItemList {
  std::string path;
};

void ItemListFree::operator()(ItemList* list) const noexcept { std::default_delete<ItemList>()(list); }

namespace {

// Browsing starts at the user's desktop, or at home when there is none.
QString StartFolder() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  return QDir(desktop).exists() ? desktop : QDir::homePath();
}

}  // namespace

ItemListPtr BrowseForFolder(const ChooserSettings& settings) {
  // The program writes no settings: the file dialog keeps its own (its places, its
  // history) in a folder of this run alone, gone when it closes, and reads back none
  // that an earlier run or another program left (such as disc mount points long gone).
  const QTemporaryDir settingsOfThisRun;
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, settingsOfThisRun.path());
  }
  QFileDialog chooser(nullptr, QString::fromStdString(settings.title), StartFolder());
  chooser.setObjectName(QStringLiteral("folder-chooser"));
  chooser.setFileMode(QFileDialog::Directory);
  chooser.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  // The mounted discs among the places, so that the catalog CD is one click away.
  QList<QUrl> places = chooser.sidebarUrls();
  for (const std::string& disc : posix::MountedDiscs()) places.append(QUrl::fromLocalFile(QString::fromStdString(disc)));
  chooser.setSidebarUrls(places);
  chooser.setWindowModality(Qt::NonModal);
  QEventLoop loop;
  QObject::connect(&chooser, &QDialog::finished, &loop, &QEventLoop::quit);
  chooser.show();
  if (settings.initialise != nullptr) settings.initialise(&chooser, settings.data);
  loop.exec(QEventLoop::DialogExec);

  if (chooser.result() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return nullptr;
  return ItemListPtr(std::make_unique<ItemList>(ItemList{chooser.selectedFiles().front().toStdString()}).release());
}

void SelectFolderInChooser(void* chooser, const char* path) {
  static_cast<QFileDialog*>(chooser)->setDirectory(QString::fromUtf8(path));
}

bool PathFromItemList(const ItemList* list, std::span<char> path) {
  if (path.empty()) return false;
  path[0] = '\0';
  if (list == nullptr || list->path.size() >= path.size()) return false;
  std::memcpy(path.data(), list->path.c_str(), list->path.size() + 1);
  return true;
}

}  // namespace port
