// The platform's folder chooser, under the shell's names: browse settings, the
// chooser run, the chosen item list (freed with the platform's task memory when it
// goes) and its conversion to a path.
#pragma once

#include <span>

#include "framework/CWnd.h"
#include "framework/Port.h"
#include "framework/Types.h"
#include "installer/PathLimits.h"

inline constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
inline constexpr UINT BFFM_INITIALIZED = 1;
inline constexpr UINT BFFM_SETSELECTION = 0x0466;  // the narrow-character form
inline constexpr int MAX_PATH = static_cast<int>(kMaxPath);

// The chooser window, as its initialisation hook sees it.
using ChooserHandle = void*;
using BFFCALLBACK = int (*)(ChooserHandle chooser, UINT message, LPARAM parameter, LPARAM data);

struct BROWSEINFO {
  CWnd* hwndOwner;
  const port::ItemList* pidlRoot;
  char* pszDisplayName;  // MAX_PATH bytes; receives the chosen folder's name
  const char* lpszTitle;
  UINT ulFlags;
  BFFCALLBACK lpfn;
  LPARAM lParam;
  int iImage;
};

using ItemIdList = port::ItemListPtr;

// Runs the chooser; the chosen folder's item list, or none when the user cancels.
ItemIdList SHBrowseForFolder(BROWSEINFO* info);
// Writes the item list's path into `path`; FALSE, leaving `path` empty, when it cannot.
BOOL SHGetPathFromIDList(const port::ItemList* list, std::span<char, MAX_PATH> path);
// Messages to the chooser from its hook: BFFM_SETSELECTION selects the folder whose path `parameter` holds.
LRESULT SendMessage(ChooserHandle chooser, UINT message, WPARAM wParam, LPARAM parameter);
