// The copy of one folder's files into another: each copy is written into a new file
// beside its destination and put in place only when it is whole, so that an install
// cut short never leaves a part-written file under a real name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "installer/ComposedPath.h"
#include "installer/FileServices.h"

// A copy that cannot be written without a name takes a temporary one: this prefix and
// six letters or digits. An install that is killed can leave one behind; the first
// copy into a folder removes those it finds there, except those a running copy holds.
inline constexpr std::string_view kTemporaryPrefix = ".zandrel2-";
inline constexpr std::size_t kTemporaryRandomCharacters = 6;

class FolderCopy {
 public:
  // Opens both folders. One that cannot be opened fails each copy with the error its
  // opening gave.
  FolderCopy(std::string_view sourceFolder, std::string_view destinationFolder);

  // Where one file goes: its names in the two folders, and its whole paths, which are
  // refused where they are longer than a file call takes.
  struct Names {
    std::string_view source;
    std::string_view destination;
    const ComposedPath& sourcePath;
    const ComposedPath& destinationPath;
  };

  // Copies a file of the source folder into the destination folder, in place of any
  // entry of that name. False, with the last error set, where it cannot, and the
  // destination's entry as it was; where `watch` abandons the copy, false with
  // kErrorCancelled. A copy put in place tells its size in `bytesCopied`.
  bool CopyFile(const Names& names, std::uint64_t& bytesCopied, const files::CopyWatch* watch = nullptr);

 private:
  void SweepAbandonedOnce();
  files::NewFileHandle CreateNewFile(bool& unnamed);
  bool PutInPlace(files::NewFileState& file, bool unnamed, const char* name);
  bool Replace(files::NewFileState& file, const char* name);

  files::FolderHandle m_source;
  unsigned long m_sourceError;
  files::FolderHandle m_destination;
  unsigned long m_destinationError;
  bool m_swept = false;
};

// Copies the file at `source` to `destination`, replacing it, as a folder's copy
// copies each of its files.
bool CopyFileReplacing(std::string_view source, std::string_view destination, std::uint64_t* bytesCopied = nullptr,
                       const files::CopyWatch* watch = nullptr);
