#include "platform/posix/NewFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <random>

#include "installer/FileServices.h"
#include "platform/posix/DestinationFolder.h"
#include "platform/posix/ErrorMapping.h"
#include "platform/posix/PathMapping.h"

namespace posix {
namespace {

constexpr int kNameAttempts = 64;

std::string RandomTemporaryName() {
  static constexpr char kCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kCharacters - 2);
  std::string name(files::kTemporaryPrefix);
  for (std::size_t i = 0; i < files::kTemporaryRandomCharacters; ++i) name += kCharacters[pick(generator)];
  return name;
}

}  // namespace

NewFile::At NewFile::Place(const std::string& name) const {
  return m_folderFd >= 0 ? At{m_folderFd, name} : At{AT_FDCWD, JoinPath(m_folder, name)};
}

NewFile::NewFile(const std::string& folder, int folderFd) : m_folder(folder), m_folderFd(folderFd) {
  const At here = Place(".");
  m_fd = UniqueFd(openat(here.fd, here.name.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (m_fd) return;
  // No unnamed files on this file system: a temporary name, claimed against sweeps.
  // A sweep can take a fresh file in the moment before the claim; then it is gone (or
  // about to be), and another name is tried.
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = RandomTemporaryName();
    const At at = Place(name);
    UniqueFd file(openat(at.fd, at.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file) {
      if (errno == EEXIST) continue;
      FailWithErrno(errno);
      return;
    }
    struct stat status {};
    if (ClaimTemporaryFile(file.Get()) && fstat(file.Get(), &status) == 0 && status.st_nlink > 0) {
      m_fd = std::move(file);
      m_temporaryName = std::move(name);
      return;
    }
  }
  FailWithErrno(EEXIST);
}

NewFile::~NewFile() {
  if (m_named || m_temporaryName.empty()) return;  // an unnamed file goes with its descriptor
  const At at = Place(m_temporaryName);
  unlinkat(at.fd, at.name.c_str(), 0);
}

bool NewFile::LinkAs(const std::string& name) {
  const At at = Place(name);
  if (linkat(m_fd.Get(), "", at.fd, at.name.c_str(), AT_EMPTY_PATH) == 0) return true;
  // Linking straight from the descriptor needs a privilege; its entry in /proc does not.
  if (errno != ENOENT && errno != EPERM) return false;
  const std::string self = "/proc/self/fd/" + std::to_string(m_fd.Get());
  return linkat(AT_FDCWD, self.c_str(), at.fd, at.name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

NewFile::Named NewFile::TakeFreeName(const std::string& name) {
  if (!m_temporaryName.empty()) {
    const At from = Place(m_temporaryName);
    const At to = Place(name);
    if (renameat2(from.fd, from.name.c_str(), to.fd, to.name.c_str(), RENAME_NOREPLACE) == 0) {
      m_named = true;
      return Named::kDone;
    }
    if (errno == EEXIST) return Named::kTaken;
    // A file system that cannot promise "only if free" gets the plain rename.
    if (errno != EINVAL && errno != ENOSYS) {
      FailWithErrno(errno);
      return Named::kFailed;
    }
    return RenameOver(name) ? Named::kDone : Named::kFailed;
  }
  if (!LinkAs(name)) {
    if (errno == EEXIST) return Named::kTaken;
    FailWithErrno(errno);
    return Named::kFailed;
  }
  m_named = true;
  // A late write error shows when the file is closed: then the name goes again.
  if (m_fd.Close() != 0) {
    const int error = errno;
    const At at = Place(name);
    unlinkat(at.fd, at.name.c_str(), 0);
    FailWithErrno(error);
    return Named::kFailed;
  }
  return Named::kDone;
}

bool NewFile::Replace(const std::string& name) {
  if (m_temporaryName.empty()) {
    // Claimed before it has any name, so no sweep can ever take it.
    ClaimTemporaryFile(m_fd.Get());
    for (int attempt = 0; attempt < kNameAttempts && m_temporaryName.empty(); ++attempt) {
      std::string temporary = RandomTemporaryName();
      if (LinkAs(temporary)) {
        m_temporaryName = std::move(temporary);
      } else if (errno != EEXIST) {
        return FailWithErrno(errno);
      }
    }
    if (m_temporaryName.empty()) return FailWithErrno(EEXIST);
  }
  return RenameOver(name);
}

bool NewFile::RenameOver(const std::string& name) {
  // The claim lasts while any descriptor of the file is open, so a second one keeps it
  // through the rename while closing the first still reports late write errors.
  const UniqueFd claim(fcntl(m_fd.Get(), F_DUPFD_CLOEXEC, 0));
  if (!claim) return FailWithErrno(errno);
  if (m_fd.Close() != 0) return FailWithErrno(errno);
  const At from = Place(m_temporaryName);
  const At to = Place(name);
  if (renameat(from.fd, from.name.c_str(), to.fd, to.name.c_str()) != 0) return FailWithErrno(errno);
  m_named = true;
  return true;
}

}  // namespace posix
