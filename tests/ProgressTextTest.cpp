// What the front ends show of a running copy: sizes, durations, shares, the progress
// line, and a time left that means something.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frontend/ProgressLine.h"
#include "frontend/InstallReport.h"
#include "frontend/ProgressText.h"
#include "installer/InstallProgress.h"

namespace {

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
  EXPECT_EQ(FormatFileCount(progress), "Counting the files...");
  progress.filesDone = 1;
  EXPECT_EQ(FormatFileCount(progress), "Counting the files... 1 file copied");
  progress.totalFiles = 1;
  progress.counted = true;
  EXPECT_EQ(FormatFileCount(progress), "1 of 1 file");
  progress = {};
  progress.filesDone = 12;
  EXPECT_EQ(FormatFileCount(progress), "Counting the files... 12 files copied");
  EXPECT_EQ(ShareDone(progress, 1000), 0);
  progress.counted = true;
  progress.totalFiles = 340;
  EXPECT_EQ(FormatFileCount(progress), "12 of 340 files");
  EXPECT_EQ(ShareDone(progress, 1000), 35);  // no bytes in the catalog: files count
  progress.totalBytes = 400;
  progress.bytesDone = 100;
  EXPECT_EQ(ShareDone(progress, 1000), 250);

  // The progress line counts in the window's words.
  ProgressLine line(80, [] { return std::string("again to quit"); });
  EXPECT_EQ(line.Describe(progress), "25%  12 of 340 files  100 bytes of 400 bytes");
  progress.stopping = true;
  EXPECT_EQ(line.Describe(progress), "stopping (again to quit)  25%  12 of 340 files  100 bytes of 400 bytes");
  // A source that grows while it is read shows no more than the whole.
  progress.stopping = false;
  progress.bytesDone = 900;
  progress.filesDone = 341;
  EXPECT_EQ(line.Describe(progress), "100%  340 of 340 files  400 bytes of 400 bytes");
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

// Paths as people read them: the trace's doubled separators once, a network path's
// leading pair kept, a Linux path with '/' throughout, and the rest as written.
TEST(InstallReportText, ShowsAPathWithSingleSeparators) {
  const struct {
    const char* path;
    const char* shown;
  } cases[] = {
      {"D:\\\\FP\\HTML\\\\howto.htm", "D:\\FP\\HTML\\howto.htm"},
      {"\\\\server\\share\\\\Catalogs\\", "\\\\server\\share\\Catalogs\\"},
      {"/srv/apache2\\htdocs\\Catalogs\\", "/srv/apache2/htdocs/Catalogs/"},
      {"/tmp/cd\\FP\\\\name. ", "/tmp/cd/FP/name. "},
      {"C:\\Apache2", "C:\\Apache2"},
  };
  for (const auto& example : cases) EXPECT_EQ(report::Readable(example.path), example.shown) << example.path;
}
