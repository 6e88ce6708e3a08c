#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "installer/Format.h"
#include "installer/InstallProgress.h"
#include "installer/InstallRequest.h"
#include "installer/Trace.h"
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

// Watches the copy as a progress window does: from another thread, stopping it once
// `stopAfter` files are done (never, when negative). The watcher looks while it holds
// the trace, so the copy cannot run past its next line meanwhile.
class WatchingNotices : public RecordedNotices {
 public:
  explicit WatchingNotices(int stopAfter) : m_stopAfter(stopAfter) {}
  void WaitForCopy(const std::function<void(InstallProgress*)>& copy) override {
    InstallProgress progress;
    if (m_stopAfter == 0) progress.RequestStop();
    std::unique_lock<std::mutex> held = HoldTrace();
    std::thread worker([&] { copy(&progress); });
    while (m_stopAfter > 0 && progress.Read().filesDone < static_cast<std::uint64_t>(m_stopAfter)) {
      held.unlock();
      std::this_thread::yield();
      held.lock();
    }
    if (m_stopAfter >= 0) progress.RequestStop();
    held.unlock();
    worker.join();
    last = progress.Read();
  }
  InstallProgress::Snapshot last;

 private:
  int m_stopAfter;
};

TEST_F(InstallRequest, AWatchedCopyWritesTheSameTraceAndCountsWhatTheScanFound) {
  ASSERT_EQ(Run("C:\\Apache2"), InstallOutcome::kInstalled);
  const std::string unwatched = trace;
  fs::remove_all(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs");

  WatchingNotices watching(-1);
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunInstallRequest("C:\\Apache2", watching), InstallOutcome::kInstalled);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), unwatched);
  EXPECT_EQ(watching.shown, (Notices{"Start to Install.", "<OK>"}));
  EXPECT_EQ(watching.last.filesDone, watching.last.totalFiles);
  EXPECT_EQ(watching.last.bytesDone, watching.last.totalBytes);
  EXPECT_EQ(watching.last.totalFiles, 6U);  // the sample CD's files in the five folders
}

TEST_F(InstallRequest, AStopEndsTheCopyBetweenFilesAndTheNextCopyCompletesIt) {
  // Enough photos that the copy is still running when the stop comes.
  for (int i = 0; i < 300; ++i) {
    SandboxDrives::WriteFile(drives.DriveD() / "FP" / "jpg" / FormatText("q%d.jpg", i), "photo");
  }
  ASSERT_EQ(Run("C:\\Apache2"), InstallOutcome::kInstalled);
  const std::string whole = trace;
  const fs::path catalogs = drives.DriveC() / "Apache2" / "htdocs" / "Catalogs";
  const std::string tree = SandboxDrives::ListTree(catalogs);

  for (const int stopAfter : {0, 1, 3}) {
    fs::remove_all(catalogs);
    WatchingNotices stopping(stopAfter);
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunInstallRequest("C:\\Apache2", stopping), InstallOutcome::kStopped) << stopAfter;
    const std::string cut = testing::internal::GetCapturedStdout();
    EXPECT_EQ(stopping.shown, (Notices{"Start to Install.", "Install stopped."})) << stopAfter;
    // The trace is the whole install's, cut after a whole line, with nothing for what was left.
    EXPECT_TRUE(whole.starts_with(cut) && cut.size() < whole.size()) << cut;
    EXPECT_TRUE(cut.empty() || cut.ends_with("\n")) << cut;
    EXPECT_GE(stopping.last.filesDone, static_cast<std::uint64_t>(stopAfter));
    EXPECT_LT(stopping.last.filesDone, 306U);  // the CD's files; the count itself may have been cut short
    EXPECT_EQ(SandboxDrives::ListTree(catalogs).find(".zandrel2-"), std::string::npos);

    EXPECT_EQ(Run("C:\\Apache2"), InstallOutcome::kInstalled) << stopAfter;
    EXPECT_EQ(SandboxDrives::ListTree(catalogs), tree) << stopAfter;
  }
}

}  // namespace
