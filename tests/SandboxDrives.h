// Drives C: and D: for a test, so tests use the Windows paths the installer composes.
// On Linux: a throw-away folder with a Wine-style drive map, C: and D: pointing at
// folders of their own below it. On Windows: the drives themselves (the test runner
// maps D: to a scratch folder); what a test leaves there is removed afterwards, and
// what was there before it is never listed.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class SandboxDrives {
 public:
  SandboxDrives();
  SandboxDrives(const SandboxDrives&) = delete;
  SandboxDrives& operator=(const SandboxDrives&) = delete;
  ~SandboxDrives();

  const std::filesystem::path& Root() const { return m_root; }
  std::filesystem::path DriveC() const;
  std::filesystem::path DriveD() const;

  // Writes `content` to `path`, creating the folders on the way.
  static void WriteFile(const std::filesystem::path& path, std::string_view content);
  static std::string ReadFile(const std::filesystem::path& path);
  // Every entry below `folder`, as sorted relative paths, folders with a trailing '/'.
  static std::string ListTree(const std::filesystem::path& folder);

  // A CD with one file in each plan folder and the frame page QXT905_frame.htm.
  void MakeSampleCd() const;

 private:
  std::filesystem::path m_root;
  std::string m_previousPrefix;
  bool m_hadPrefix = false;
};
