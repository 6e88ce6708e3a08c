// A copy's new file in its destination folder, which takes its real name only once it
// is whole: written without a name where the file system has such files (it can then
// appear only complete), else under a claimed temporary name; either way a copy cut
// short never shows under a real name.
#pragma once

#include <string>

#include "platform/posix/UniqueFd.h"

namespace posix {

class NewFile {
 public:
  // Starts a new file in `folder`, through `folderFd` where that is open (else -1).
  // False as a bool, with the last error set, where it cannot.
  NewFile(const std::string& folder, int folderFd);
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  // Removes what it wrote unless it took its name.
  ~NewFile();

  int Fd() const { return m_fd.Get(); }
  explicit operator bool() const { return static_cast<bool>(m_fd); }

  enum class Named { kDone, kTaken, kFailed };
  // Gives the whole file the free name `name`; kTaken where the name exists after all.
  Named TakeFreeName(const std::string& name);

  // Puts the whole file in place of the entry `name`, replacing it in one step; false,
  // with the last error set, and the entry as it was, where it cannot.
  bool Replace(const std::string& name);

 private:
  // A name in the folder, as the *at calls take it: relative to the open folder, or
  // the whole path.
  struct At {
    int fd;
    std::string name;
  };
  At Place(const std::string& name) const;
  bool LinkAs(const std::string& name);
  bool RenameOver(const std::string& name);

  const std::string& m_folder;
  int m_folderFd;
  UniqueFd m_fd;
  std::string m_temporaryName;  // where it stands under a temporary name
  bool m_named = false;
};

}  // namespace posix
