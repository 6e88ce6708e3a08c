#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/InstallRequest.h"
#include "tests/InstallerFixture.h"

namespace {

namespace fs = std::filesystem;

// Records what the request shows, as the dialog would show it.
class RecordedNotices : public InstallNotices {
 public:
  void ShowNotice(const char* text) override { shown.emplace_back(text); }
  void FinishWithOk() override { shown.emplace_back("<OK>"); }
  std::vector<std::string> shown;
};

class InstallRequest : public InstallerFixture {
 protected:
  void SetUp() override {
    drives.MakeSampleCd();
    fs::create_directories(drives.DriveC() / "Apache2" / "htdocs");
    g_cdPath.Format("%s", "D:\\");
  }

  InstallOutcome Run(const char* installDir) {
    notices.shown.clear();
    testing::internal::CaptureStdout();
    const InstallOutcome outcome = RunInstallRequest(installDir, notices);
    trace = testing::internal::GetCapturedStdout();
    return outcome;
  }

  RecordedNotices notices;
  std::string trace;
};

using Notices = std::vector<std::string>;

TEST_F(InstallRequest, AnnouncesCopiesAndFinishesWithOk) {
  EXPECT_EQ(Run("C:\\Apache2"), InstallOutcome::kInstalled);
  EXPECT_EQ(notices.shown, (Notices{"Start to Install.", "<OK>"}));
  EXPECT_EQ(g_catalogRoot, "C:\\Apache2\\htdocs\\Catalogs");
  EXPECT_STREQ(g_catalogId.c_str(), "QXT905");
  EXPECT_TRUE(trace.starts_with("ERR-01 Fial to Create Derectory.copy D:\\\\INST_FP\\\\. ")) << trace;
  EXPECT_EQ(SandboxDrives::ReadFile(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs" / "index.htm"), "root index");
}

TEST_F(InstallRequest, PreparationFailuresShowOneNoticeAndCopyNothing) {
  const struct {
    const char* why;
    const char* installDir;
    const char* cdPath;
    const char* treeAfter;  // what drive C holds afterwards
  } cases[] = {
      {"no htdocs", "C:\\NoHtdocs", "D:\\", "Apache2/\nApache2/htdocs/\n"},
      {"no CD in the drive", "C:\\Apache2", "Q:\\", "Apache2/\nApache2/htdocs/\nApache2/htdocs/Catalogs/\n"},
      {"no frame page", "C:\\Apache2", "D:\\INST_FP", "Apache2/\nApache2/htdocs/\nApache2/htdocs/Catalogs/\n"},
  };
  for (const auto& c : cases) {
    g_cdPath.Format("%s", c.cdPath);
    EXPECT_EQ(Run(c.installDir), InstallOutcome::kPreparationFailed) << c.why;
    EXPECT_EQ(notices.shown, (Notices{"ERR-01 Fial to Create Derectory."})) << c.why;
    EXPECT_EQ(trace, "") << c.why;
    EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC()), c.treeAfter) << c.why;  // a created root stays
  }

  // Pressing "Copy" again after mending the cause repeats the whole request.
  g_cdPath.Format("%s", "D:\\");
  EXPECT_EQ(Run("C:\\Apache2"), InstallOutcome::kInstalled);
}

TEST_F(InstallRequest, CopyFailuresKeepTheDialogOpen) {
  fs::create_directories(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs" / "QXT905" / "jpg" / "p1.jpg");
  EXPECT_EQ(Run("C:\\Apache2"), InstallOutcome::kCopyFailed);
  EXPECT_EQ(notices.shown, (Notices{"Start to Install.", "ERR-05 File Copy Error."}));
  EXPECT_TRUE(trace.ends_with(CrLf("ERR-05(5)  File Copy Error. :D:\\\\FP\\jpg\\\\p1.jpg\n"))) << trace;
}

}  // namespace
