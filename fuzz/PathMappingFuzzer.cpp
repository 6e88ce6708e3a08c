// The path mapping from Windows paths to Linux paths: whatever the text, its parts
// are plain names, it never climbs out of its drive's folder unless the tree itself
// leads there, and searching it never crashes. The drives C: and D: are small trees
// of this process's own.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "installer/FileServices.h"
#include "platform/posix/DriveMap.h"
#include "platform/posix/FolderLookup.h"
#include "platform/posix/PathMapping.h"

namespace {

namespace fs = std::filesystem;

fs::path g_sandbox;

void RemoveSandbox() {
  std::error_code ignored;
  fs::remove_all(g_sandbox, ignored);
}

// Drive folders with a few names in mixed case, and not one link inside them.
void MakeSandbox() {
  std::string pattern = (fs::temp_directory_path() / "zandrel2-fuzz-XXXXXX").string();
  fuzz::Require(mkdtemp(pattern.data()) != nullptr, "a sandbox folder can be made");
  g_sandbox = fs::canonical(pattern);
  std::atexit(RemoveSandbox);
  for (const char* folder : {"c/Apache2/htdocs/Catalogs/QXT905", "c/a/B/c.d", "c/with space ", "d/FP/HTML/guide_img",
                             "d/fp/jpg", "d/INST_FP", "prefix/dosdevices"}) {
    fs::create_directories(g_sandbox / folder);
  }
  for (const char* file : {"c/a/B/c.d/file.txt", "d/FP/HTML/QXT905_frame.htm", "d/fp/jpg/p1.jpg", "d/INST_FP/index.htm"}) {
    std::ofstream(g_sandbox / file) << "x";
  }
  fs::create_directory_symlink(g_sandbox / "c", g_sandbox / "prefix/dosdevices/c:");
  fs::create_directory_symlink(g_sandbox / "d", g_sandbox / "prefix/dosdevices/d:");
  setenv("WINEPREFIX", (g_sandbox / "prefix").c_str(), 1);
}

bool IsInside(const fs::path& path, const fs::path& folder) {
  const std::string text = path.string();
  const std::string prefix = folder.string();
  return text == prefix || (text.starts_with(prefix) && text[prefix.size()] == '/');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MakeSandbox();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The port is given C strings: the path ends at the first zero byte.
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string text(input.substr(0, input.find('\0')));
  const posix::WindowsPath parsed = posix::ParseWindowsPath(text);

  for (const std::string& component : parsed.components) {
    fuzz::Require(!component.empty() && component != "." && component != "..", "no empty, . or .. component is left");
    fuzz::Require(component.find_first_of("\\/") == std::string::npos, "a component is one name");
  }
  const bool hasDrive = text.size() >= 2 && text[1] == ':' && ((text[0] | 0x20) >= 'a' && (text[0] | 0x20) <= 'z');
  if (hasDrive) fuzz::Require(parsed.root == posix::DriveFolder(text[0]), "a drive path starts at its drive's folder");

  // Only the sandbox drives are looked at on disk: the rest of the machine is not ours to walk.
  const std::string driveFolder = parsed.root.empty() ? "" : fs::weakly_canonical(parsed.root).string();
  if (!hasDrive || !IsInside(driveFolder, g_sandbox)) return 0;
  const posix::ResolvedFolder folder = posix::ResolveFolder(parsed, parsed.components.size());
  if (folder.error == 0) {
    fuzz::Require(IsInside(fs::canonical(folder.path), fs::canonical(parsed.root)), "a resolved folder lies in its drive");
  }
  files::FoundEntry entry;
  if (files::SearchHandle search = files::FindFirst(text.c_str(), entry)) {
    while (files::FindNext(*search, entry)) {
    }
  }
  return 0;
}
