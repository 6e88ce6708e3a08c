// A throw-away folder with a Wine-style drive map: C: and D: point at folders of
// their own below it, so tests use the Windows paths the installer composes.
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
  std::filesystem::path DriveC() const { return m_root / "c"; }
  std::filesystem::path DriveD() const { return m_root / "cd"; }

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
