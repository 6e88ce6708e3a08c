// A copy's temporary file beside its destination, held without sharing from its
// creation to its rename, so that no other install's sweep can remove it; and that
// sweep.
#pragma once

#include <string>

#include "platform/win32/Win32Paths.h"

namespace win32 {

class TemporaryFile {
 public:
  // Creates a new temporary file in `folder` (a long path ending in a separator);
  // false as a bool, with the last error set, when it cannot.
  explicit TemporaryFile(const std::wstring& folder);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  // Deletes the file unless it was renamed.
  ~TemporaryFile();

  HANDLE Get() const { return m_file.Get(); }
  explicit operator bool() const { return static_cast<bool>(m_file); }

  // Renames the file over `destination` (a long path), replacing it; false, with the
  // last error set, when it cannot.
  bool RenameOver(const std::wstring& destination);

 private:
  UniqueHandle m_file;
  bool m_renamed = false;
};

// Removes from `folder` (a long path ending in a separator) the temporary files that
// no running copy holds, when it is not the folder this thread swept last since the
// latest search.
void SweepAbandonedOnce(const std::wstring& folder);

// A search starts a folder's copy: the next copy sweeps its folder again.
void ForgetSweptFolder();

}  // namespace win32
