#include "installer/TargetPreparation.h"

#include "installer/CopyPlan.h"
#include "installer/InstallContext.h"
#include "installer/PathCalls.h"
#include "installer/TextEncoding.h"

int PrepareCatalogRoot() {
  if (EntryExists(g_catalogRoot.c_str())) return 0;
  // Through the installer's call, which refuses a path longer than Windows takes.
  return CreateFolderAt(std::string_view(g_catalogRoot)) ? 0 : -1;
}

int PrepareCatalogFolder() {
  PlanPath pattern;
  pattern.Format("%s\\%s\\*%s*", g_cdPath, kFramePageFolder, kFramePageMark);
  files::FoundEntry frame;
  files::SearchHandle search = FindFirstAt(pattern, frame);
  if (!search) return -1;
  // A name no path can hold names no catalog folder either.
  while (frame.unnamable != 0) {
    if (!files::FindNext(*search, frame)) {
      // At the search's natural end, no frame page; any other error stays as it is.
      if (files::LastError() == files::kErrorNoMoreFiles) files::SetLastError(files::kErrorFileNotFound);
      return -1;
    }
  }
  search.reset();
  g_catalogId.Format("%s", std::string(CatalogIdOf(frame.name)));

  PlanPath folder;
  folder.Format("%s", CatalogFolder());
  if (EntryExists(folder)) return 0;
  return CreateFolderAt(folder) ? 0 : -2;
}

std::string_view CatalogIdOf(std::string_view frameName) {
  std::size_t end = 0;
  while (end < frameName.size()) {
    const std::size_t length = files::CharacterLength(frameName.substr(end));
    if (end + length > kCatalogIdBytes) break;
    end += length;
  }
  return frameName.substr(0, end);
}
