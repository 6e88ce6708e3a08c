// The file-services port on Linux: folder creation, identities, system paths and the
// last error. Searches, open folders, copies, new files and the narrow encoding have
// files of their own; Windows paths are mapped by the drive map (PathMapping).
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>

#include "installer/FileServices.h"
#include "installer/SystemPath.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/FolderLookup.h"
#include "platform/posix/PathMapping.h"
#include "platform/posix/PortPaths.h"

namespace {

thread_local unsigned long t_lastError = files::kErrorSuccess;

}  // namespace

namespace files {

bool CreateFolder(const char* path) {
  const std::optional<posix::WindowsPath> parsed = posix::ParseForCall(path);
  if (!parsed) return false;
  const std::optional<posix::ResolvedFolder> parent = posix::ParentFolderOf(*parsed);
  if (!parent) return false;
  const std::string& name = parsed->components.back();
  if (posix::FindNameInFolder(parent->path, name)) return posix::FailWith(kErrorAlreadyExists);
  if (mkdir(posix::JoinPath(parent->path, name).c_str(), 0777) != 0) return posix::FailWithErrno(errno);
  return true;
}

std::optional<FolderIdentity> IdentifyFolder(const char* path) {
  const std::optional<posix::WindowsPath> parsed = posix::ParseForCall(path);
  if (!parsed) return std::nullopt;
  const posix::ResolvedFolder folder = posix::ResolveFolder(*parsed, parsed->components.size());
  if (folder.error != 0) {
    posix::FailWith(folder.error);
    return std::nullopt;
  }
  return FolderIdentity{static_cast<std::uint64_t>(folder.status.st_dev),
                        static_cast<std::uint64_t>(folder.status.st_ino)};
}

std::string SystemPath(const char* path) {
  const posix::WindowsPath parsed = posix::ParseWindowsPath(path);
  if (parsed.root.empty()) return {};
  return posix::JoinAsWritten(parsed, parsed.components.size());
}

unsigned long LastError() { return t_lastError; }

void SetLastError(unsigned long code) { t_lastError = code; }

}  // namespace files
