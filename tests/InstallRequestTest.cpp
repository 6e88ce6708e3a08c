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
  EXPECT_EQ(ShareDone(watching.last, 100), 100);
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

TEST(InstallProgressText, FormatsSizesDurationsAndShares) {
  const struct {
    std::uint64_t bytes;
    const char* text;
  } sizes[] = {{0, "0 bytes"}, {1023, "1023 bytes"}, {1536, "1.5 KB"}, {10ULL * 1024 * 1024, "10 MB"},
               {2576980378ULL, "2.4 GB"}};
  for (const auto& c : sizes) EXPECT_EQ(FormatBytes(c.bytes), c.text) << c.bytes;
  EXPECT_EQ(FormatDuration(std::chrono::seconds(65)), "1:05");
  EXPECT_EQ(FormatDuration(std::chrono::seconds(3723)), "1:02:03");

  InstallProgress::Snapshot progress;
  progress.filesDone = 12;
  EXPECT_EQ(FormatFileCount(progress), "12 files");  // still counting
  EXPECT_EQ(ShareDone(progress, 1000), 0);
  progress.counted = true;
  progress.totalFiles = 340;
  EXPECT_EQ(FormatFileCount(progress), "12 of 340 files");
  EXPECT_EQ(ShareDone(progress, 1000), 35);  // no bytes in the catalog: files count
  progress.totalBytes = 400;
  progress.bytesDone = 100;
  EXPECT_EQ(ShareDone(progress, 1000), 250);
}

TEST(InstallProgressText, EstimatesTimeLeftOnlyOnceItMeansSomething) {
  using std::chrono::milliseconds;
  TimeLeftEstimate estimate;
  InstallProgress::Snapshot progress;
  progress.counted = true;
  progress.totalBytes = 100'000'000;
  // A steady 1 MB a second, sampled four times a second.
  std::optional<std::chrono::seconds> left;
  for (int tick = 1; tick <= 40; ++tick) {
    progress.elapsed = milliseconds(250 * tick);
    progress.bytesDone = 250'000ULL * static_cast<unsigned>(tick);
    left = estimate.Update(progress);
    if (tick < 12) {
      EXPECT_FALSE(left.has_value()) << tick;  // under three seconds
    }
  }
  ASSERT_TRUE(left.has_value());
  EXPECT_EQ(left->count(), 90);
  EXPECT_EQ(FormatTimes(progress, left), "Elapsed 0:10, about 1:30 left");
  EXPECT_EQ(FormatTimes(progress, std::nullopt), "Elapsed 0:10");
}

// A disc that takes 10 ms a file and reads 8 MB a second, with a catalog's order: 600
// pages of 6 to 9 KB, then 2,400 photos of 20 to 60 KB with six files of 30 MB spread
// among them. From 10 seconds in, the estimate stays near the time really left,
// where a rate of bytes alone swings with the kind of file being copied.
TEST(InstallProgressText, EstimatesTimeLeftOnADiscOfMixedSizes) {
  struct File {
    std::uint64_t bytes;
    double seconds;
  };
  std::vector<File> files;
  for (std::uint64_t i = 0; i < 3000; ++i) {
    const bool large = i > 600 && (i - 600) % 343 == 342;
    const std::uint64_t bytes = large ? 30'000'000 : i < 600 ? 6'000 + (i * 7919) % 3'000 : 20'000 + (i * 7919) % 40'000;
    files.push_back({bytes, 0.01 + static_cast<double>(bytes) / 8e6});
  }
  double whole = 0;
  InstallProgress::Snapshot progress;
  progress.counted = true;
  for (const File& file : files) {
    whole += file.seconds;
    progress.totalBytes += file.bytes;
  }
  progress.totalFiles = files.size();

  TimeLeftEstimate estimate;
  std::size_t next = 0;
  double fileStart = 0;
  for (double now = 0.25; now < whole; now += 0.25) {
    // Where the copy is at `now`: the files done, and the share of the one under way.
    while (next < files.size() && fileStart + files[next].seconds <= now) {
      fileStart += files[next].seconds;
      progress.bytesDone += files[next].bytes;
      ++progress.filesDone;
      ++next;
    }
    InstallProgress::Snapshot sample = progress;
    if (next < files.size()) {
      sample.bytesDone += static_cast<std::uint64_t>(static_cast<double>(files[next].bytes) *
                                                     std::max(0.0, now - fileStart - 0.01) / files[next].seconds);
    }
    sample.elapsed = std::chrono::duration_cast<InstallProgress::Clock::duration>(std::chrono::duration<double>(now));
    const std::optional<std::chrono::seconds> left = estimate.Update(sample);
    const double really = whole - now;
    if (now >= 10 && really > 5) {
      ASSERT_TRUE(left.has_value()) << now;
      EXPECT_NEAR(static_cast<double>(left->count()), really, 0.35 * really) << "at " << now << " s";
    }
  }
}

}  // namespace
