#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "installer/CopyPlan.h"
#include "installer/FileServices.h"
#include "installer/InstallContext.h"
#include "installer/TargetPreparation.h"
#include "tests/InstallerFixture.h"

namespace {

namespace fs = std::filesystem;

TEST(ComposedPath, FitsOnlyWithRoomForItsTerminator) {
  BoundedPath<8> path;
  EXPECT_TRUE(path.Format("%s\\%s", "abc", "def"));  // 7 bytes and the terminator
  EXPECT_FALSE(path.Format("%s\\%s", "abcd", "def"));
  EXPECT_EQ(path.Text(), "abcd\\def");                 // kept whole, never cut

  BoundedPath<4> tooLong;
  tooLong.Format("%s", "abcd");
  BoundedPath<64> composed;
  EXPECT_FALSE(composed.Format("%s\\x", tooLong));    // built on a path that did not fit
}

TEST(CatalogId, TakesSixBytesWithoutCuttingACharacter) {
  const struct {
    const char* frameName;
    const char* id;
  } cases[] = {
      {"QXT905_frame.htm", "QXT905"},
      {"fram.htm", "fram.h"},
      {"frame", "frame"},
      {"framed", "framed"},
#ifdef _WIN32
      // Double-byte characters of the Japanese ANSI code page (932).
      {"\x83\x4A\x83\x5E_fram.htm", "\x83\x4A\x83\x5E_f"},
      {"abcd\x83\x4A" "fram", "abcd\x83\x4A"},
      {"abcde\x83\x4A" "fram", "abcde"},  // a character across byte 6 stays out
#else
      {"\xE3\x82\xAB\xE3\x82\xBF_fram.htm", "\xE3\x82\xAB\xE3\x82\xBF"},  // two 3-byte characters
      {"ab\xE3\x82\xABxfram", "ab\xE3\x82\xABx"},
      {"abcd\xE3\x82\xAB" "fram", "abcd"},  // a character across byte 6 stays out
      {"abcde\xC3\xA9" "fram", "abcde"},
      {"abcde\xFF" "fram", "abcde\xFF"},  // not UTF-8: bytes are characters
#endif
  };
  for (const auto& c : cases) EXPECT_EQ(CatalogIdOf(c.frameName), c.id) << c.frameName;
}

class TargetPreparation : public InstallerFixture {};

TEST_F(TargetPreparation, RootIsFoundOrCreatedOneLevelOnly) {
  fs::create_directories(drives.DriveC() / "Apache2" / "htdocs");
  SandboxDrives::WriteFile(drives.DriveC() / "FileRoot" / "htdocs" / "Catalogs", "a plain file");
  const struct {
    const char* installDir;
    int result;
  } cases[] = {
      {"C:\\Apache2", 0},
      {"C:\\Apache2", 0},    // found the second time
      {"c:\\APACHE2\\", 0},  // any case, doubled separator
      {"C:\\FileRoot", 0},   // a file named Catalogs counts as the root
      {"C:\\NoHtdocs", -1},  // htdocs is not created
      {"C:\\Apache2 ", -1},  // names a folder "Apache2 ", which is not there
      {"Q:\\Apache2", -1},
      {"", -1},              // "\htdocs\Catalogs" from the file-system root
  };
  for (const auto& c : cases) {
    SetCatalogRoot(c.installDir);
    EXPECT_EQ(PrepareCatalogRoot(), c.result) << c.installDir;
  }
  EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC()),
            "Apache2/\nApache2/htdocs/\nApache2/htdocs/Catalogs/\nFileRoot/\nFileRoot/htdocs/\nFileRoot/htdocs/Catalogs\n");
}

TEST_F(TargetPreparation, CatalogFolderIsNamedAfterTheFirstFramePage) {
  fs::create_directories(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs");
  SetCatalogRoot("C:\\Apache2");
  g_cdPath.Format("%s", "D:\\");

  EXPECT_EQ(PrepareCatalogFolder(), -1);  // no FP\HTML on the CD
  EXPECT_STREQ(g_catalogId.c_str(), "");

  for (const char* name : {"zz_frame.htm", "QXT905_FRAME.htm", "fram.htm", "index.htm"}) {
    SandboxDrives::WriteFile(drives.DriveD() / "FP" / "HTML" / name, "x");
  }
  EXPECT_EQ(PrepareCatalogFolder(), 0);
  EXPECT_STREQ(g_catalogId.c_str(), "fram.h");  // "fram.htm" comes first in listing order
  EXPECT_EQ(PrepareCatalogFolder(), 0);         // a second install finds the folder
  EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs"), "fram.h/\n");

  fs::remove(drives.DriveD() / "FP" / "HTML" / "fram.htm");
  SetCatalogRoot("C:\\Elsewhere");  // the root is missing, so the ID folder cannot be made
  EXPECT_EQ(PrepareCatalogFolder(), -2);
  EXPECT_STREQ(g_catalogId.c_str(), "QXT905");  // the ID is derived anyway
}

TEST_F(TargetPreparation, PathsThatDoNotFitFailWithFilenameTooLong) {
  SandboxDrives::WriteFile(drives.DriveD() / "FP" / "HTML" / "QXT905_frame.htm", "x");
  fs::create_directories(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs");
  SetCatalogRoot("C:\\Apache2");

  // A CD root of 256 bytes does not fit its buffer: the search never starts.
  EXPECT_FALSE(g_cdPath.Format("%s", "D:\\" + std::string(253, 'a')));
  EXPECT_EQ(PrepareCatalogFolder(), -1);
  EXPECT_EQ(files::LastError(), files::kErrorFilenameTooLong);

  // The ID folder path is composed in 288 bytes: root + "\QXT905" of 288 does not fit.
  g_cdPath.Format("%s", "D:\\");
  g_catalogRoot = "C:\\" + std::string(288 - 3 - 7, 'r');
  EXPECT_EQ(PrepareCatalogFolder(), -2);
  EXPECT_EQ(files::LastError(), files::kErrorFilenameTooLong);

  // The frame page's search pattern, the CD root and "\\FP\\HTML\\*fram*", is taken up to
  // the longest path: a CD root of 244 bytes works, one of 245 is refused.
  for (const std::size_t cdRootBytes : {244u, 245u}) {
    const std::string first(200, 'a');
    const std::string second(cdRootBytes - 3 - 200 - 1, 'b');
    SandboxDrives::WriteFile(drives.DriveD() / first / second / "FP" / "HTML" / "QXT905_frame.htm", "x");
    SetCatalogRoot("C:\\Apache2");
    ASSERT_TRUE(g_cdPath.Format("%s", "D:\\" + first + "\\" + second));
    ASSERT_EQ(g_cdPath.Text().size() + 15, 259 + cdRootBytes - 244);
    const bool fits = cdRootBytes == 244;
    EXPECT_EQ(PrepareCatalogFolder(), fits ? 0 : -1) << cdRootBytes;
    if (!fits) {
      EXPECT_EQ(files::LastError(), files::kErrorFilenameTooLong);
    }
  }
}

class CopyPlan : public InstallerFixture {
 protected:
  void SetUp() override {
    drives.MakeSampleCd();
    fs::create_directories(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs" / "QXT905");
    g_cdPath.Format("%s", "D:\\");
    SetCatalogRoot("C:\\Apache2");
    g_catalogId.Format("%s", "QXT905");
  }

  int RunCopyCatalog(std::string& trace) {
    testing::internal::CaptureStdout();
    const int failures = CopyCatalog();
    trace = testing::internal::GetCapturedStdout();
    return failures;
  }
};

TEST_F(CopyPlan, CopiesFiveFoldersFlatWithOneLinePerEntry) {
  std::string trace;
  EXPECT_EQ(RunCopyCatalog(trace), 0);
  EXPECT_EQ(trace, CrLf(
      "ERR-01 Fial to Create Derectory."
      "copy D:\\\\INST_FP\\\\. to C:\\Apache2\\htdocs\\Catalogs\\.. \n"
      "copy D:\\\\INST_FP\\\\.. to C:\\Apache2\\htdocs\\Catalogs\\... \n"
      "copy D:\\\\INST_FP\\\\index.htm to C:\\Apache2\\htdocs\\Catalogs\\index.htm. \n"
      "copy D:\\\\FP\\HTML\\\\. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\.. \n"
      "copy D:\\\\FP\\HTML\\\\.. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\... \n"
      "copy D:\\\\FP\\HTML\\\\guide_img to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\guide_img. \n"
      "copy D:\\\\FP\\HTML\\\\page1.htm to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\page1.htm. \n"
      "copy D:\\\\FP\\HTML\\\\QXT905_app_jpeg to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\QXT905_app_jpeg. \n"
      "copy D:\\\\FP\\HTML\\\\QXT905_frame.htm to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\QXT905_frame.htm. \n"
      "copy D:\\\\FP\\HTML\\guide_img\\\\. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\guide_img\\.. \n"
      "copy D:\\\\FP\\HTML\\guide_img\\\\.. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\guide_img\\... \n"
      "copy D:\\\\FP\\HTML\\guide_img\\\\g1.jpg to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\guide_img\\g1.jpg. \n"
      "copy D:\\\\FP\\HTML\\QXT905_app_jpeg\\\\. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\QXT905_app_jpeg\\.. \n"
      "copy D:\\\\FP\\HTML\\QXT905_app_jpeg\\\\.. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\QXT905_app_jpeg\\... \n"
      "copy D:\\\\FP\\HTML\\QXT905_app_jpeg\\\\a1.jpg to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\QXT905_app_jpeg\\a1.jpg. \n"
      "copy D:\\\\FP\\jpg\\\\. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\jpg\\.. \n"
      "copy D:\\\\FP\\jpg\\\\.. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\jpg\\... \n"
      "copy D:\\\\FP\\jpg\\\\p1.jpg to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\jpg\\p1.jpg. \n"));
  EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs"),
            "QXT905/\nQXT905/HTML/\nQXT905/HTML/QXT905_app_jpeg/\nQXT905/HTML/QXT905_app_jpeg/a1.jpg\n"
            "QXT905/HTML/QXT905_frame.htm\nQXT905/HTML/guide_img/\nQXT905/HTML/guide_img/g1.jpg\n"
            "QXT905/HTML/page1.htm\nQXT905/jpg/\nQXT905/jpg/p1.jpg\nindex.htm\n");
  EXPECT_EQ(SandboxDrives::ReadFile(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs" / "QXT905" / "jpg" / "p1.jpg"),
            "photo");
}

TEST_F(CopyPlan, ReportsMissingAndEmptyFoldersAndGoesOn) {
  fs::remove_all(drives.DriveD() / "FP" / "jpg");
  fs::remove_all(drives.DriveD() / "FP" / "HTML" / "guide_img" / "g1.jpg");
  fs::create_directories(drives.DriveD() / "FP" / "HTML" / "guide_img" / "deeper");
  SandboxDrives::WriteFile(drives.DriveD() / "FP" / "HTML" / "guide_img" / "deeper" / "hidden.jpg", "x");

  std::string trace;
  EXPECT_EQ(RunCopyCatalog(trace), 0);
  EXPECT_NE(trace.find(CrLf(
                "copy D:\\\\FP\\HTML\\guide_img\\\\.. to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\guide_img\\... \n"
                "copy D:\\\\FP\\HTML\\guide_img\\\\deeper to C:\\Apache2\\htdocs\\Catalogs\\QXT905\\HTML\\guide_img\\deeper. \n"
                "copy D:\\\\FP\\HTML\\QXT905_app_jpeg\\\\. ")),
            std::string::npos)
      << trace;
  // The missing jpg folder: its destination is still made, then the search fails with 3.
  EXPECT_TRUE(trace.ends_with(CrLf("a1.jpg. \nERR-03(3)  Source Derectory is Empty. :0\n"))) << trace;
  EXPECT_TRUE(fs::is_directory(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs" / "QXT905" / "jpg"));
  EXPECT_FALSE(fs::exists(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs" / "QXT905" / "HTML" / "guide_img" / "deeper"));
}

TEST_F(CopyPlan, ARepeatedInstallReplacesFilesAndReportsEveryExistingFolder) {
  std::string trace;
  RunCopyCatalog(trace);
  SandboxDrives::WriteFile(drives.DriveD() / "FP" / "jpg" / "p1.jpg", "new photo");
  EXPECT_EQ(RunCopyCatalog(trace), 0);

  std::size_t errors = 0;
  for (std::size_t at = trace.find("ERR-01 Fial to Create Derectory.copy "); at != std::string::npos;
       at = trace.find("ERR-01 Fial to Create Derectory.copy ", at + 1)) {
    ++errors;
  }
  EXPECT_EQ(errors, 5u);
  EXPECT_EQ(SandboxDrives::ReadFile(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs" / "QXT905" / "jpg" / "p1.jpg"),
            "new photo");
}

TEST_F(CopyPlan, AFileThatFailsToCopyIsReportedAndCounted) {
  // A folder where the copy of page1.htm should go makes that one copy fail.
  fs::create_directories(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs" / "QXT905" / "HTML" / "page1.htm");
  std::string trace;
  EXPECT_EQ(RunCopyCatalog(trace), 1);
  EXPECT_NE(trace.find(CrLf("page1.htm. \nERR-05(5)  File Copy Error. :D:\\\\FP\\HTML\\\\page1.htm\ncopy ")),
            std::string::npos)
      << trace;
}

TEST_F(CopyPlan, FolderPathsThatDoNotFitFailThroughTheirStep) {
  // 255 bytes of pattern fit the folder copy's buffer, 256 do not.
  const std::string sourceFolder = "D:\\" + std::string(250, 's');
  PlanPath source;
  PlanPath destination;
  destination.Format("%s", "C:\\out");

  source.Format("%s", sourceFolder.substr(0, 253 - 2) + "\\");  // "...\" + "\*" is 254 bytes
  std::string trace;
  testing::internal::CaptureStdout();
  CopyFolder(destination, source);
  trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(trace, CrLf("ERR-03(3)  Source Derectory is Empty. :0\n"));  // fits, but no such folder

  source.Format("%s", sourceFolder + "\\");  // 254 + "\*" = 256 bytes
  testing::internal::CaptureStdout();
  CopyFolder(destination, source);
  trace = testing::internal::GetCapturedStdout();
  EXPECT_EQ(trace, CrLf("ERR-01 Fial to Create Derectory.ERR-03(206)  Source Derectory is Empty. :0\n"));

  // A source file path of 256 bytes: the file is reported, nothing is copied.
  const std::string longName(256 - std::string("D:\\\\INST_FP\\\\").size(), 'n');
  SandboxDrives::WriteFile(drives.DriveD() / "INST_FP" / longName, "x");
  source.Format("%s", "D:\\\\INST_FP\\");
  testing::internal::CaptureStdout();
  EXPECT_EQ(CopyFolder(destination, source), 1);
  trace = testing::internal::GetCapturedStdout();
  EXPECT_NE(trace.find("ERR-05(206)  File Copy Error. :D:\\\\INST_FP\\\\" + longName + CrLf("\n")), std::string::npos) << trace;
  EXPECT_FALSE(fs::exists(drives.DriveC() / "out" / longName));
}

}  // namespace
