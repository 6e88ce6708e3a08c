// What a front end shows of a running copy: the time left, and the texts of sizes,
// durations and counts, the same in the progress window and the progress line.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "installer/InstallProgress.h"

// The time left, estimated from samples given a few times a second; nothing until the
// estimate means something (a few seconds in, with bytes moving). Time goes as a cost
// for each file (a disc's seek, the file's creation) and one for each byte, fitted to
// what the copy did, the last half minute weighing most: a run of small files says
// little about the pace of a large one, and the other way round.
class TimeLeftEstimate {
 public:
  std::optional<std::chrono::seconds> Update(const InstallProgress::Snapshot& now);
  // The byte rate of the last few seconds, smoothed; 0 before the first sample.
  double BytesPerSecond() const { return m_bytesPerSecond; }

 private:
  // The two costs, in seconds a file and seconds a MiB; nothing where the samples
  // cannot tell them apart yet.
  struct Costs {
    double perFile = 0;
    double perMebibyte = 0;
  };
  std::optional<Costs> FittedCosts() const;

  std::optional<InstallProgress::Clock::duration> m_lastElapsed;
  std::uint64_t m_lastBytes = 0;
  std::uint64_t m_lastFiles = 0;
  double m_bytesPerSecond = 0;  // smoothed
  bool m_haveRate = false;
  // Weighted sums over the intervals of files (f), MiB (b) and seconds (t).
  double m_ff = 0, m_fb = 0, m_bb = 0, m_ft = 0, m_bt = 0;
};

// "1:05" or "1:02:03".
std::string FormatDuration(std::chrono::seconds duration);
// "0 bytes", "999 bytes", "1.5 KB", "2.4 GB": powers of 1024, one decimal below 10.
std::string FormatBytes(std::uint64_t bytes);
// "12 of 340 files", or "12 files" while they are being counted.
std::string FormatFileCount(const InstallProgress::Snapshot& progress);  // "12 of 340 files", "Counting the files..."
// "Elapsed 0:12, about 1:05 left", the estimate left out while it means nothing.
std::string FormatTimes(const InstallProgress::Snapshot& progress, std::optional<std::chrono::seconds> left);
// `progress` with what is done capped at the totals, once they are known: a file that
// grows while it is read shows no more than the whole.
InstallProgress::Snapshot WithinTotals(InstallProgress::Snapshot progress);
// The share of bytes done, 0 to `scale`; files count where the catalog holds no bytes.
int ShareDone(const InstallProgress::Snapshot& progress, int scale);
