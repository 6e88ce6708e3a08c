// The file-services port on Linux: folder creation, identities, system paths and the
// last error. Searches, open folders, copies, new files and the narrow encoding have
// files of their own; Windows paths are mapped by the drive map (PathMapping).
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <string>

#include "installer/FileServices.h"
#include "installer/SystemPath.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/FolderLookup.h"
#include "platform/posix/PathMapping.h"
#include "platform/posix/PortPaths.h"
#include "platform/posix/ServedModes.h"
#include "platform/posix/UniqueFd.h"

namespace {

thread_local unsigned long t_lastError = files::kErrorSuccess;

}  // namespace

namespace posix {

bool UmaskNarrowsServedModes() {
  // Read where the kernel shows it: asking umask(2) would change it for a moment, for
  // every thread.
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (!line.starts_with("Umask:")) continue;
    const mode_t mask = static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return (mask & (kServedFileMode | kServedFolderMode)) != 0;
  }
  return true;
}

}  // namespace posix

namespace files {

bool CreateFolder(const char* path) {
  // Created for the server to read, whatever the umask.
  const std::optional<posix::WindowsPath> parsed = posix::ParseForCall(path);
  if (!parsed) return false;
  const std::optional<posix::ResolvedFolder> parent = posix::ParentFolderOf(*parsed);
  if (!parent) return false;
  const std::string& name = parsed->components.back();
  if (posix::FindNameInFolder(parent->path, name)) return posix::FailWith(kErrorAlreadyExists);
  const std::string created = posix::JoinPath(parent->path, name);
  if (mkdir(created.c_str(), posix::kServedFolderMode) != 0) return posix::FailWithErrno(errno);
  if (posix::UmaskNarrowsServedModes()) {
    // Through the folder itself, never a link that took its name meanwhile.
    const posix::UniqueFd folder(open(created.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder) fchmod(folder.Get(), posix::kServedFolderMode);
  }
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
