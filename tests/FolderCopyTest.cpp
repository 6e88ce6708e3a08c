// How a folder's copy names, puts in place and sweeps up its files, against the real
// port of the platform the test runs on: the same test for Linux and Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "installer/FileServices.h"
#include "installer/FolderCopy.h"
#include "installer/PathCalls.h"
#include "tests/SandboxDrives.h"

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

class FolderCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SandboxDrives::WriteFile(m_drives.DriveD() / "cd" / "page.htm", "the new page");
    fs::create_directories(m_folder);
  }

  // Copies the CD's page.htm into the folder as `name`.
  bool CopyPage(const std::string& name) {
    return CopyFileReplacing("D:\\cd\\page.htm", "C:\\catalog\\" + name);
  }

  SandboxDrives m_drives;
  const fs::path m_folder = m_drives.DriveC() / "catalog";
};

TEST_F(FolderCopyTest, TheFirstCopyIntoAFolderSweepsOnlyTemporaryFilesNoCopyHolds) {
  SandboxDrives::WriteFile(m_folder / ".zandrel2-Ab3dE9", "part of a photo an install left");
  SandboxDrives::WriteFile(m_folder / ".zandrel2-notes.txt", "not a temporary name");
  // Another copy's file, held from its creation.
  const files::FolderHandle folder = OpenFolderAt("C:\\catalog");
  ASSERT_TRUE(folder);
  files::NewFileHandle running = files::CreateHeldFile(*folder, ".zandrel2-Run000");
  ASSERT_TRUE(running);

  EXPECT_TRUE(CopyPage("page.htm"));
  running.reset();
  EXPECT_EQ(SandboxDrives::ListTree(m_folder), ".zandrel2-notes.txt\npage.htm\n");
  EXPECT_EQ(SandboxDrives::ReadFile(m_folder / "page.htm"), "the new page");
}

TEST_F(FolderCopyTest, ACopyTakesItsNameOnlyWholeAndLeavesNoTemporaryFile) {
  struct Case {
    const char* before;       // the entry the folder holds first, if any
    bool beforeIsFolder;
    unsigned long error;      // 0 where the copy succeeds
    const char* content;      // what the entry holds afterwards
  };
  const Case cases[] = {
      {nullptr, false, 0, "the new page"},
      {"page.htm", false, 0, "the new page"},
      {"PAGE.HTM", false, 0, "the new page"},  // the same entry, in another case
      {"page.htm", true, files::kErrorAccessDenied, nullptr},  // a folder is never replaced
  };
  for (const Case& c : cases) {
    const std::string label = c.before != nullptr ? c.before : "(nothing)";
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
    if (c.before != nullptr && c.beforeIsFolder) fs::create_directories(m_folder / c.before);
    if (c.before != nullptr && !c.beforeIsFolder) SandboxDrives::WriteFile(m_folder / c.before, "the old page");

    EXPECT_EQ(CopyPage("page.htm"), c.error == 0) << label;
    if (c.error != 0) {
      EXPECT_EQ(files::LastError(), c.error) << label;
    }
    // One entry, whatever its case, and no temporary file beside it.
    const std::string listed = SandboxDrives::ListTree(m_folder);
    EXPECT_EQ(Lower(listed), c.beforeIsFolder ? "page.htm/\n" : "page.htm\n") << label;
    if (c.content != nullptr) {
      EXPECT_EQ(SandboxDrives::ReadFile(m_folder / listed.substr(0, listed.size() - 1)), c.content) << label;
    }
  }
}

TEST_F(FolderCopyTest, ADestinationFolderThatIsNotThereFailsWithPathNotFound) {
  SandboxDrives::WriteFile(m_folder / "plain", "a file where a folder belongs");
  for (const char* name : {"missing\\page.htm", "plain\\page.htm"}) {
    EXPECT_FALSE(CopyPage(name)) << name;
    EXPECT_EQ(files::LastError(), files::kErrorPathNotFound) << name;
  }
  EXPECT_EQ(SandboxDrives::ListTree(m_folder), "plain\n");
}

}  // namespace
