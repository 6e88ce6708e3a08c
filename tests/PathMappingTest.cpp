#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/FileServices.h"
#include "platform/posix/MountedDiscs.h"
#include "platform/posix/DriveMap.h"
#include "platform/posix/FolderLookup.h"
#include "platform/posix/PathMapping.h"
#include "tests/SandboxDrives.h"

namespace {

namespace fs = std::filesystem;
using Components = std::vector<std::string>;

class PathMapping : public ::testing::Test {
 protected:
  std::string Drive(const char* letter) const { return (drives.Root() / "prefix" / "dosdevices" / letter).string(); }
  SandboxDrives drives;
};

TEST_F(PathMapping, TakesWindowsPathsApartByWindowsRules) {
  const struct {
    const char* path;
    std::string root;
    Components components;
  } cases[] = {
      {"C:\\Apache2", Drive("c:"), {"Apache2"}},
      {"c:\\Apache2\\htdocs\\Catalogs", Drive("c:"), {"Apache2", "htdocs", "Catalogs"}},
      {"D:\\\\FP\\HTML\\\\*fram*", Drive("d:"), {"FP", "HTML", "*fram*"}},  // doubled separators
      {"D:\\INST_FP\\", Drive("d:"), {"INST_FP"}},                           // trailing separator
      {"C:/Apache2/htdocs", Drive("c:"), {"Apache2", "htdocs"}},            // either separator
      {"C:\\", Drive("c:"), {}},
      {"C:", Drive("c:"), {}},
      {"C:\\a\\..\\..\\..\\b", Drive("c:"), {"b"}},     // ".." stops at the drive's root
      {"C:\\a\\.\\b\\.", Drive("c:"), {"a", "b"}},
      {"C:\\Apache2 \\htdocs\\Catalogs", Drive("c:"), {"Apache2 ", "htdocs", "Catalogs"}},  // inner spaces stay
      {"C:\\Apache2 ", Drive("c:"), {"Apache2"}},       // ending dots and spaces go
      {"C:\\Apache2. .", Drive("c:"), {"Apache2"}},
      {"C:\\Apache2 \\", Drive("c:"), {"Apache2 "}},    // unless a separator ends the path
      {"C:\\. .", Drive("c:"), {}},
      {"/srv/apache2", "/", {"srv", "apache2"}},
      {"\\srv\\apache2\\..", "/", {"srv"}},
      {"/../etc", "/", {"etc"}},
      {"Q:\\anything", "", {"anything"}},               // no such drive
      {"z:\\usr", "/", {"usr"}},
      // The same folder text again, under other drives and with other last names.
      {"C:\\a\\b.\\x", Drive("c:"), {"a", "b", "x"}},
      {"D:\\a\\b.\\..", Drive("d:"), {"a"}},
      {"\\a\\b.\\y.", "/", {"a", "b", "y"}},
      {"C:a\\b.\\", Drive("c:"), {"a", "b"}},
  };
  for (const auto& c : cases) {
    const posix::WindowsPath parsed = posix::ParseWindowsPath(c.path);
    EXPECT_EQ(parsed.root, c.root) << c.path;
    EXPECT_EQ(parsed.components, c.components) << c.path;
  }
}

TEST_F(PathMapping, RelativePathsStartAtTheCurrentFolder) {
  const fs::path previous = fs::current_path();
  fs::current_path(drives.DriveC());
  const posix::WindowsPath parsed = posix::ParseWindowsPath("Apache2\\..\\..\\x");
  fs::current_path(previous);

  Components expected;
  for (const auto& part : fs::canonical(drives.Root())) {
    if (part != "/") expected.push_back(part.string());
  }
  expected.push_back("x");
  EXPECT_EQ(parsed.root, "/");
  EXPECT_EQ(parsed.components, expected);
}

TEST_F(PathMapping, MountedDiscsAreOpticalFileSystemsAndDiscImagesInMountOrder) {
  const fs::path mountinfo = drives.Root() / "mountinfo";
  SandboxDrives::WriteFile(mountinfo,
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "40 22 0:35 / /run/user/1000 rw,nosuid - tmpfs tmpfs rw\n"
      "61 22 11:0 / /media/alice/NORVANE\\040CD rw,nosuid shared:30 - iso9660 /dev/sr0 ro\n"
      "62 22 0:52 / /tmp/cd\\134image rw master:7 - fuse.fuseiso fuseiso rw,user_id=0\n"
      "63 22 11:1 / /run/media/bob/DVD ro shared:31 master:2 - udf /dev/sr1 ro\n"
      "64 22 0:53 / /mnt/other rw - fuse.sshfs host: rw\n"
      "garbage\n");
  EXPECT_EQ(posix::MountedDiscs(mountinfo.string()),
            (std::vector<std::string>{"/media/alice/NORVANE CD", "/tmp/cd\\image", "/run/media/bob/DVD"}));
  EXPECT_TRUE(posix::MountedDiscs((drives.Root() / "missing").string()).empty());
}

TEST_F(PathMapping, UnmappedDrivesFallBackToTheFirstDiscAndDebianDefaults) {
  fs::remove(drives.Root() / "prefix" / "dosdevices" / "d:");
  const fs::path withDiscs = drives.Root() / "with-discs";
  SandboxDrives::WriteFile(withDiscs,
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "62 22 0:52 / /tmp/first\\040disc rw - fuse.fuseiso fuseiso rw\n"
      "63 22 11:1 / /media/cdrom1 ro - iso9660 /dev/sr1 ro\n");
  const fs::path withoutDiscs = drives.Root() / "without-discs";
  SandboxDrives::WriteFile(withoutDiscs, "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n");
  EXPECT_EQ(posix::DriveFolder('D', withDiscs.string()), "/tmp/first disc");
  EXPECT_EQ(posix::DriveFolder('D', withoutDiscs.string()), "/media/cdrom");
  EXPECT_EQ(posix::DriveFolder('z'), "/");
  EXPECT_EQ(posix::DriveFolder('q'), "");
  EXPECT_EQ(posix::DriveFolder('c'), Drive("c:"));  // the map wins where it has an entry
}

TEST_F(PathMapping, ResolvesNamesWithoutRegardToCaseExactNameFirst) {
  SandboxDrives::WriteFile(drives.DriveD() / "FP" / "HTML" / "x.htm", "");
  fs::create_directories(drives.DriveD() / "fp" / "Html");
  fs::create_directories(drives.DriveD() / "Inst_Fp" / "b");
  fs::create_directories(drives.DriveD() / "inst_fp" / "a");
  SandboxDrives::WriteFile(drives.DriveD() / "file.txt", "");
  SandboxDrives::WriteFile(drives.DriveD() / "with\\backslash", "");

  const struct {
    const char* path;
    std::string resolved;  // below drive D, or empty on failure
    unsigned long error;
  } cases[] = {
      {"D:\\FP\\HTML", "FP/HTML", 0},
      {"D:\\fp\\Html", "fp/Html", 0},         // the exact name wins
      {"D:\\Fp\\hTmL", "FP/HTML", 0},         // else the first match in listing order
      {"D:\\INST_FP", "Inst_Fp", 0},
      {"D:\\FP\\missing", "", files::kErrorPathNotFound},
      {"D:\\file.txt", "", files::kErrorDirectory},          // a plain file where a folder should be
      {"D:\\file.txt\\x", "", files::kErrorPathNotFound},
      {"D:\\with\\backslash", "", files::kErrorPathNotFound},  // such names never resolve
      {"Q:\\FP", "", files::kErrorPathNotFound},
  };
  for (const auto& c : cases) {
    const posix::WindowsPath parsed = posix::ParseWindowsPath(c.path);
    const posix::ResolvedFolder folder = posix::ResolveFolder(parsed, parsed.components.size());
    EXPECT_EQ(folder.error, c.error) << c.path;
    if (c.error == 0) {
      EXPECT_EQ(folder.path, Drive("d:") + "/" + c.resolved) << c.path;
    }
  }
}

}  // namespace
