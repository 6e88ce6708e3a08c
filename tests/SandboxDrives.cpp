#include "tests/SandboxDrives.h"

#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#endif

namespace fs = std::filesystem;

namespace {

// Entries that were there before the test, never listed and never removed.
std::set<fs::path> g_preexisting;

void MakeWritable(const fs::path& root) {
  std::error_code ignored;
  // Read-only folders left by a test must not keep their tree alive.
  for (const auto& entry : fs::recursive_directory_iterator(root, ignored)) {
    if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    } else if (!entry.is_symlink(ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
  }
}

}  // namespace

#ifdef _WIN32

SandboxDrives::SandboxDrives() {
  static int sandboxes = 0;
  m_root = fs::temp_directory_path() /
           ("zandrel2-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++sandboxes));
  fs::create_directories(m_root);
  g_preexisting.clear();
  // An empty drive root cannot be listed at all here (it has no "." entries).
  std::error_code empty;
  for (const fs::path& drive : {DriveC(), DriveD()}) {
    for (const auto& entry : fs::directory_iterator(drive, empty)) g_preexisting.insert(entry.path());
  }
}

SandboxDrives::~SandboxDrives() {
  std::error_code ignored;
  for (const fs::path& drive : {DriveC(), DriveD()}) {
    for (const auto& entry : fs::directory_iterator(drive, ignored)) {
      if (g_preexisting.count(entry.path()) != 0) continue;
      MakeWritable(entry.path());
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
      fs::remove_all(entry.path(), ignored);
    }
  }
  fs::remove_all(m_root, ignored);
}

fs::path SandboxDrives::DriveC() const { return "C:\\"; }
fs::path SandboxDrives::DriveD() const { return "D:\\"; }

#else

SandboxDrives::SandboxDrives() {
  std::string pattern = (fs::temp_directory_path() / "zandrel2-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_root = pattern;
  fs::create_directories(m_root / "prefix" / "dosdevices");
  fs::create_directories(DriveC());
  fs::create_directories(DriveD());
  fs::create_directory_symlink(DriveC(), m_root / "prefix" / "dosdevices" / "c:");
  fs::create_directory_symlink(DriveD(), m_root / "prefix" / "dosdevices" / "d:");
  if (const char* previous = getenv("WINEPREFIX")) {
    m_hadPrefix = true;
    m_previousPrefix = previous;
  }
  setenv("WINEPREFIX", (m_root / "prefix").c_str(), 1);
}

SandboxDrives::~SandboxDrives() {
  if (m_hadPrefix) {
    setenv("WINEPREFIX", m_previousPrefix.c_str(), 1);
  } else {
    unsetenv("WINEPREFIX");
  }
  std::error_code ignored;
  MakeWritable(m_root);
  fs::remove_all(m_root, ignored);
}

fs::path SandboxDrives::DriveC() const { return m_root / "c"; }
fs::path SandboxDrives::DriveD() const { return m_root / "cd"; }

#endif

void SandboxDrives::WriteFile(const fs::path& path, std::string_view content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string SandboxDrives::ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string SandboxDrives::ListTree(const fs::path& folder) {
  std::set<std::string> entries;
  std::error_code empty;
  for (auto entry = fs::recursive_directory_iterator(folder, empty); entry != fs::recursive_directory_iterator();
       ++entry) {
    if (g_preexisting.count(entry->path()) != 0) {
      entry.disable_recursion_pending();
      continue;
    }
    std::string relative = fs::relative(entry->path(), folder).generic_string();
    if (entry->is_directory() && !entry->is_symlink()) relative += '/';
    entries.insert(relative);
  }
  std::string listing;
  for (const std::string& entry : entries) listing += entry + '\n';
  return listing;
}

void SandboxDrives::MakeSampleCd() const {
  const fs::path cd = DriveD();
  WriteFile(cd / "INST_FP" / "index.htm", "root index");
  WriteFile(cd / "FP" / "HTML" / "QXT905_frame.htm", "frame page");
  WriteFile(cd / "FP" / "HTML" / "page1.htm", "page one");
  WriteFile(cd / "FP" / "HTML" / "guide_img" / "g1.jpg", "guide");
  WriteFile(cd / "FP" / "HTML" / "QXT905_app_jpeg" / "a1.jpg", "app");
  WriteFile(cd / "FP" / "jpg" / "p1.jpg", "photo");
}
