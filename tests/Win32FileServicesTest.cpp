// The Windows copy's own guarantees, against the real Win32 file services: a copy
// that cannot take its destination's place leaves it as it was, read-only mark and
// all; a watched copy reports each buffer.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/FileServices.h"
#include "installer/FolderCopy.h"
#include "installer/PathCalls.h"
#include "platform/win32/Win32Browser.h"
#include "tests/SandboxDrives.h"

namespace {

namespace fs = std::filesystem;

class Win32Copy : public ::testing::Test {
 protected:
  void SetUp() override { SandboxDrives::WriteFile(m_source, "the new page"); }

  SandboxDrives m_drives;
  const fs::path m_source = m_drives.DriveD() / "new.htm";
  // A folder of each test's own.
  const fs::path m_folder =
      m_drives.DriveC() / ("zandrel2-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
};

TEST_F(Win32Copy, AReplaceThatFailsKeepsTheOldFileAndItsReadOnlyMark) {
  const fs::path destination = m_folder / "page.htm";
  SandboxDrives::WriteFile(destination, "the old page");
  ASSERT_TRUE(SetFileAttributesA(destination.string().c_str(), FILE_ATTRIBUTE_READONLY));
  // Open elsewhere without leave to delete it: its mark can be lifted, but it cannot be replaced.
  const HANDLE held = CreateFileA(destination.string().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  EXPECT_FALSE(CopyFileReplacing(m_source.string().c_str(), destination.string().c_str()));
  const unsigned long error = files::LastError();
  CloseHandle(held);
  EXPECT_TRUE(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) << error;
  EXPECT_NE(GetFileAttributesA(destination.string().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(SandboxDrives::ReadFile(destination), "the old page");
  EXPECT_EQ(SandboxDrives::ListTree(m_folder), "page.htm\n");
}

TEST_F(Win32Copy, AWatchedCopyReportsEachBufferAndCanBeAbandonedWhole) {
  const std::string photo(3 << 20, 'p');
  SandboxDrives::WriteFile(m_source, photo);
  const fs::path destination = m_folder / "big.jpg";
  SandboxDrives::WriteFile(destination, "the old photo");

  std::vector<std::uint64_t> reported;
  const files::CopyWatch abandonAtSecond = [&](std::uint64_t bytes) {
    reported.push_back(bytes);
    return reported.size() < 2;
  };
  EXPECT_FALSE(CopyFileReplacing(m_source.string().c_str(), destination.string().c_str(), nullptr,
                                        &abandonAtSecond));
  EXPECT_EQ(files::LastError(), files::kErrorCancelled);
  EXPECT_EQ(reported, (std::vector<std::uint64_t>{1 << 20, 2 << 20}));
  EXPECT_EQ(SandboxDrives::ReadFile(destination), "the old photo");
  EXPECT_EQ(SandboxDrives::ListTree(m_folder), "big.jpg\n");  // the temporary file is gone
}

}  // namespace

namespace {

// ShellExecute's failures are its own numbers: 31 says no program opens the type, not
// that a device failed, as Win32's error 31 would.
TEST(ShellExecuteProblem, TheShellsOwnNumbersAreNamed) {
  EXPECT_EQ(desktop::ShellExecuteProblem(SE_ERR_NOASSOC), "no program is associated with its type");
  EXPECT_EQ(desktop::ShellExecuteProblem(SE_ERR_FNF), "the file was not found");
  EXPECT_EQ(desktop::ShellExecuteProblem(99), "the shell's error 99");
}

}  // namespace
