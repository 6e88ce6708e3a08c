// What the Windows port keeps behind the handles it gives out.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "installer/FileServices.h"
#include "platform/win32/Win32Paths.h"

namespace files {

// A folder open for the copies made in it: its full path, settled, with a separator
// at its end.
struct FolderState {
  std::wstring path;
  // A capability note: this system refused the rename with POSIX semantics once, so
  // the other copies into the folder take the classic rename at once.
  bool renameExRefused = false;
  // The buffer its copies are read through, made at the first copy.
  std::unique_ptr<char[]> copyBuffer;

  // The long path of its entry `name` (ANSI code page), settled as the narrow calls
  // settle a path's last component; nothing, with the last error set, where the name
  // is no text of that code page.
  std::optional<std::wstring> EntryPath(const char* name) const;
};

// A regular file open for reading.
struct SourceState {
  win32::UniqueHandle file;
};

// A new file under a held name: open without sharing from its creation, so that no
// other install can open or delete it, until it is renamed in place through that
// same handle.
struct NewFileState {
  FolderState& folder;
  win32::UniqueHandle file;
  bool placed = false;
};

}  // namespace files
