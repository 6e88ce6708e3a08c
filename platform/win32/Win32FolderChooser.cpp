// The folder chooser on Win32: the shell's folder-browse dialog.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "framework/Port.h"

namespace port {

struct ItemList {};  // stands for the shell's ITEMIDLIST

void ItemListFree::operator()(ItemList* list) const noexcept { CoTaskMemFree(list); }

namespace {

// The settings' hook and its data, handed to the shell's callback.
int CALLBACK ShellCallback(HWND chooser, UINT message, LPARAM, LPARAM settings) {
  const auto* chosen = reinterpret_cast<const ChooserSettings*>(settings);
  if (message == BFFM_INITIALIZED && chosen->initialise != nullptr) chosen->initialise(chooser, chosen->data);
  return 0;
}

}  // namespace

ItemListPtr BrowseForFolder(const ChooserSettings& settings) {
  char displayName[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = nullptr;  // no owner: the install dialog stays usable
  info.pidlRoot = nullptr;   // from the desktop
  info.pszDisplayName = displayName;
  info.lpszTitle = settings.title.c_str();
  info.ulFlags = settings.flags;
  info.lpfn = &ShellCallback;
  info.lParam = reinterpret_cast<LPARAM>(&settings);
  return ItemListPtr(reinterpret_cast<ItemList*>(SHBrowseForFolderA(&info)));
}

void SelectFolderInChooser(void* chooser, const char* path) {
  SendMessageA(static_cast<HWND>(chooser), BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
}

bool PathFromItemList(const ItemList* list, std::span<char> path) {
  if (path.empty()) return false;
  path[0] = '\0';
  char converted[MAX_PATH] = {};
  if (list == nullptr || !SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(list), converted)) return false;
  if (std::strlen(converted) >= path.size()) return false;
  std::memcpy(path.data(), converted, std::strlen(converted) + 1);
  return true;
}

}  // namespace port
