// The folder chooser on Win32: the shell's folder-browse dialog.
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "framework/Port.h"
#include "platform/win32/Win32Text.h"

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
  wchar_t displayName[MAX_PATH] = {};
  const std::wstring title = win32::WideFromAnsi(settings.title);
  BROWSEINFOW info{};
  info.hwndOwner = nullptr;  // no owner: the install dialog stays usable
  info.pidlRoot = nullptr;   // from the desktop
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = settings.flags;
  info.lpfn = &ShellCallback;
  info.lParam = reinterpret_cast<LPARAM>(&settings);
  return ItemListPtr(reinterpret_cast<ItemList*>(SHBrowseForFolderW(&info)));
}

void SelectFolderInChooser(void* chooser, const char* path) {
  const std::wstring wide = win32::WideFromAnsi(path);
  SendMessageW(static_cast<HWND>(chooser), BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
}

bool PathFromItemList(const ItemList* list, std::span<char> path) {
  if (path.empty()) return false;
  path[0] = '\0';
  wchar_t wide[MAX_PATH] = {};
  if (list == nullptr || !SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(list), wide)) return false;
  const std::string converted = win32::AnsiFromWide(wide);
  if (converted.size() >= path.size()) return false;
  std::memcpy(path.data(), converted.c_str(), converted.size() + 1);
  return true;
}

}  // namespace port
