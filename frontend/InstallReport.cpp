#include "frontend/InstallReport.h"

#include <algorithm>

#include "installer/ErrorCodes.h"
#include "installer/InstallContext.h"
#include "frontend/ProgressText.h"
#include "installer/InstallProgress.h"
#include "installer/PathCalls.h"
#include "installer/SystemPath.h"
#include "installer/TargetPreparation.h"
#include "installer/TextEncoding.h"
#include "installer/WindowsPathText.h"

namespace report {
namespace {

// Why `folder` could not be created: the nearest folder above it that is not there,
// an unmapped drive, or the system's reason.
std::string WhyNotCreated(const std::string& folder, unsigned long error) {
  const std::string drive(path_text::DriveOf(folder));
  if (!drive.empty() && files::SystemPath((drive + "\\").c_str()).empty()) {
    // Most often a first run on Linux with the Windows default C:\Apache2.
    return "drive " + drive + " is not mapped, and " + folder.substr(0, folder.find('\\', drive.size() + 1)) +
           " is a Windows path: give Apache2's folder as a Linux path (--install-dir /path/to/apache2), or map " +
           drive + " in Wine's drive map (a link dosdevices/" + static_cast<char>(drive[0] | 0x20) +
           ": to its folder in the Wine prefix, ~/.wine unless WINEPREFIX is set)";
  }
  // The folder was not there when looked for, and was when created: another install
  // made it in between.
  if (error == files::kErrorAlreadyExists && EntryExists(folder)) {
    return "another install created it at the same moment; run the install again to complete the catalog";
  }
  if (error == files::kErrorPathNotFound) {
    std::string missing = folder;
    for (;;) {
      const std::string parent(path_text::ParentOf(missing));
      if (parent.size() <= drive.size() || EntryExists(parent)) break;
      missing = parent;
    }
    if (missing != folder) return Named(missing) + " does not exist";
  }
  return files::ErrorText(error);
}

std::string EntriesLeftOut(int count) {
  const bool one = count == 1;
  return std::to_string(count) + (one ? " entry" : " entries") + " of the catalog " + (one ? "was" : "were") +
         " left out";
}

std::string LeftOutEntry(const LeftOut& entry) {
  // The path too long is named, with by how much: the copy's, with a shorter install
  // folder as the cure, or the CD's.
  if (entry.excess != 0) {
    const bool copy = entry.tooLong != entry.path;
    return Readable(entry.tooLong) + " (" + std::to_string(entry.excess) +
           (entry.excess == 1 ? " character" : " characters") + " too long for a Windows path; " +
           (copy ? "choose a shorter install folder)" : "copy the CD to a shorter folder)");
  }
  // The trace's doubled separators are the trace's own: a person reads the path once.
  return Readable(entry.path) + " (" + files::ErrorText(entry.error) + ")";
}

}  // namespace

std::string Readable(std::string_view path) {
  // A Linux path given where a Windows one may be (/srv/apache2\htdocs\Catalogs) reads
  // with Linux's separator throughout.
  const bool linuxPath = !path.empty() && path.front() == '/';
  const char shownSeparator = linuxPath ? '/' : '\\';
  // A character at a time: in a double-byte code page a character's second byte can be
  // the separator's. A network path's leading pair stays.
  std::string readable;
  bool afterSeparator = false;
  for (std::size_t at = 0; !path.empty(); ++at) {
    const std::size_t length = files::CharacterLength(path);
    const bool separator = length == 1 && (path.front() == '\\' || (linuxPath && path.front() == '/'));
    if (!separator) {
      readable.append(path.substr(0, length));
    } else if (!afterSeparator || at == 1) {
      readable += shownSeparator;
    }
    afterSeparator = separator;
    path.remove_prefix(std::min(length, path.size()));
  }
  return files::ShownText(readable);
}

std::string FolderLines() {
  // The catalog's own folder, as the command line names it too.
  const std::string folder = g_catalogId.Text().empty() ? g_catalogRoot : CatalogFolder();
  std::string lines = "Catalog folder: " + Readable(folder);
  if (path_text::DriveOf(folder).empty()) return lines;
  const std::string onSystem = files::SystemPath(folder.c_str());
  if (!onSystem.empty() && onSystem != folder) lines += "\r\nLinux folder: " + files::ShownText(onSystem);
  return lines;
}

std::string Named(const std::string& path) {
  const std::string onSystem = files::SystemPath(path.c_str());
  if (onSystem.empty()) return files::ShownText(path) + " (its drive is not mapped)";
  // A Linux path is named once, as Linux writes it.
  if (path_text::DriveOf(path).empty() || onSystem == path) return Readable(path);
  return Readable(path) + " (" + files::ShownText(onSystem) + ")";
}

std::string WhatToDo(const InstallDetails& details, FrontEnd frontEnd) {
  const bool window = frontEnd == FrontEnd::kWindow;
  if (details.failed == InstallDetails::Failed::kFramePage) {
    // No disc, a disc of something else, or a folder that is no catalog CD's root.
    return (window ? "No" : "no") + std::string(" catalog CD found in ") + Named(details.path) + ". " +
           (window ? std::string("Insert the catalog CD, or choose its drive with Browse.")
                   : "Insert the catalog CD, or name its drive or folder with --cd.");
  }
  if (details.failed == InstallDetails::Failed::kCatalogRoot && details.error == files::kErrorPathNotFound) {
    // The catalog root is {install}\htdocs\Catalogs: without htdocs it is no server's.
    const std::string_view htdocs = path_text::ParentOf(details.path);
    const std::string installDir(path_text::ParentOf(htdocs));
    if (!installDir.empty() && EntryExists(installDir) && !EntryExists(htdocs)) {
      return Named(installDir) + " has no htdocs folder, so it does not look like Apache2's folder. " +
             (window ? std::string("Choose Apache2's folder with Browse.")
                     : "Name Apache2's folder with --install-dir.");
    }
  }
  return {};
}

std::string PreparationProblem(const InstallDetails& details) {
  switch (details.failed) {
    case InstallDetails::Failed::kNothing:
      return {};
    case InstallDetails::Failed::kCatalogRoot:
    case InstallDetails::Failed::kCatalogFolder:
      return "cannot create " + Readable(details.path) + ": " + WhyNotCreated(details.path, details.error);
    case InstallDetails::Failed::kFramePage:
      if (details.error == files::kErrorFileNotFound) {
        return std::string("the CD holds no frame page: no name containing \"") + kFramePageMark + "\" in " +
               kFramePageFolder + " of the CD root " + Named(details.path);
      }
      return std::string("cannot search ") + kFramePageFolder + " of the CD root " + Named(details.path) +
             " for the frame page: " + files::ErrorText(details.error);
  }
  return {};
}

std::string LeftOutSummary(const InstallDetails& details) {
  constexpr std::size_t kNamed = 3;
  std::string text = EntriesLeftOut(details.copyFailures) + ": ";
  const std::vector<LeftOut>& first = details.leftOut.first;
  for (std::size_t i = 0; i < std::min(first.size(), kNamed); ++i) text += (i == 0 ? "" : "; ") + LeftOutEntry(first[i]);
  const std::size_t rest = static_cast<std::size_t>(details.copyFailures) - std::min(first.size(), kNamed);
  if (rest != 0) text += " and " + std::to_string(rest) + " more";
  return text + " (see the trace's ERR-03, ERR-04 and ERR-05 lines)";
}

std::vector<std::string> LeftOutLines(const InstallDetails& details) {
  std::vector<std::string> lines{EntriesLeftOut(details.copyFailures) + ":"};
  for (const LeftOut& entry : details.leftOut.first) lines.push_back(LeftOutEntry(entry));
  const std::size_t rest = static_cast<std::size_t>(details.copyFailures) - details.leftOut.first.size();
  if (rest != 0) lines.push_back("and " + std::to_string(rest) + " more");
  return lines;
}

std::string CopiedText(const InstallDetails& details) {
  return std::to_string(details.filesCopied) + (details.filesCopied == 1 ? " file, " : " files, ") +
         FormatBytes(details.bytesCopied) + ", in " + FormatDuration(details.elapsed);
}

}  // namespace report
