#include "framework/FolderBrowser.h"

#include <cstring>

namespace {

// The port's hook carries one value; it is the settings, which hold the user's hook and its data.
void RunInitialiseHook(void* chooser, std::intptr_t settings) {
  const auto* info = reinterpret_cast<const BROWSEINFO*>(settings);
  if (info->lpfn != nullptr) info->lpfn(chooser, BFFM_INITIALIZED, 0, info->lParam);
}

}  // namespace

ItemIdList SHBrowseForFolder(BROWSEINFO* info) {
  port::ChooserSettings settings;
  settings.title = info->lpszTitle != nullptr ? info->lpszTitle : "";
  settings.flags = info->ulFlags;
  settings.initialise = &RunInitialiseHook;
  settings.data = reinterpret_cast<std::intptr_t>(info);
  ItemIdList chosen = port::BrowseForFolder(settings);
  if (chosen && info->pszDisplayName != nullptr) {
    char path[MAX_PATH] = {};
    port::PathFromItemList(chosen.get(), path);
    const std::string name = port::LastNameOf(path);
    std::strncpy(info->pszDisplayName, name.c_str(), MAX_PATH - 1);
    info->pszDisplayName[MAX_PATH - 1] = '\0';
  }
  return chosen;
}

BOOL SHGetPathFromIDList(const port::ItemList* list, std::span<char, MAX_PATH> path) {
  return port::PathFromItemList(list, path) ? TRUE : FALSE;
}

LRESULT SendMessage(ChooserHandle chooser, UINT message, WPARAM, LPARAM parameter) {
  if (message == BFFM_SETSELECTION && parameter != 0) {
    port::SelectFolderInChooser(chooser, reinterpret_cast<const char*>(parameter));
  }
  return 0;
}
