#include "frontend/ProgressText.h"

#include <algorithm>
#include <cmath>

#include "installer/Format.h"

namespace {

using Seconds = std::chrono::duration<double>;

// Before this much time has passed, a rate says little about the rest of the copy.
constexpr Seconds kSettlingTime{3.0};
// The smoothing's time constant for the rate shown: a change of pace shows within
// seconds, a single slow file does not swing it.
constexpr Seconds kSmoothing{5.0};
// The fit's: long enough to hold both kinds of file, short enough to follow a change
// of the disc's pace.
constexpr Seconds kFitMemory{30.0};
constexpr double kMebibyte = 1024.0 * 1024.0;

}  // namespace

std::optional<std::chrono::seconds> TimeLeftEstimate::Update(const InstallProgress::Snapshot& now) {
  const double elapsed = Seconds(now.elapsed).count();
  if (!m_haveRate) {
    if (elapsed > 0) {
      m_bytesPerSecond = static_cast<double>(now.bytesDone) / elapsed;
      m_haveRate = true;
      const double files = static_cast<double>(now.filesDone);
      const double mebibytes = static_cast<double>(now.bytesDone) / kMebibyte;
      m_ff = files * files;
      m_fb = files * mebibytes;
      m_bb = mebibytes * mebibytes;
      m_ft = files * elapsed;
      m_bt = mebibytes * elapsed;
    }
  } else if (m_lastElapsed && now.elapsed > *m_lastElapsed) {
    const double interval = Seconds(now.elapsed - *m_lastElapsed).count();
    const double bytes = static_cast<double>(now.bytesDone - std::min(now.bytesDone, m_lastBytes));
    const double weight = std::min(1.0, interval / kSmoothing.count());
    m_bytesPerSecond += weight * (bytes / interval - m_bytesPerSecond);

    const double keep = std::exp(-interval / kFitMemory.count());
    const double files = static_cast<double>(now.filesDone - std::min(now.filesDone, m_lastFiles));
    const double mebibytes = bytes / kMebibyte;
    m_ff = keep * m_ff + files * files;
    m_fb = keep * m_fb + files * mebibytes;
    m_bb = keep * m_bb + mebibytes * mebibytes;
    m_ft = keep * m_ft + files * interval;
    m_bt = keep * m_bt + mebibytes * interval;
  }
  m_lastElapsed = now.elapsed;
  m_lastBytes = now.bytesDone;
  m_lastFiles = now.filesDone;

  if (!now.counted || Seconds(now.elapsed) < kSettlingTime || now.bytesDone == 0 || m_bytesPerSecond <= 0) return std::nullopt;
  const double bytesLeft = static_cast<double>(now.totalBytes - std::min(now.totalBytes, now.bytesDone));
  double secondsLeft = bytesLeft / m_bytesPerSecond;
  if (const std::optional<Costs> costs = FittedCosts()) {
    const double filesLeft = static_cast<double>(now.totalFiles - std::min(now.totalFiles, now.filesDone));
    secondsLeft = costs->perFile * filesLeft + costs->perMebibyte * bytesLeft / kMebibyte;
  }
  return std::chrono::seconds(static_cast<std::int64_t>(std::ceil(secondsLeft)));
}

std::optional<TimeLeftEstimate::Costs> TimeLeftEstimate::FittedCosts() const {
  if (m_ff <= 0 || m_bb <= 0) return std::nullopt;
  // Files and bytes that always came in the same proportion cannot be told apart.
  const double determinant = m_ff * m_bb - m_fb * m_fb;
  if (determinant <= 0.01 * m_ff * m_bb) return std::nullopt;
  Costs costs{(m_ft * m_bb - m_bt * m_fb) / determinant, (m_bt * m_ff - m_ft * m_fb) / determinant};
  // A cost below nothing is the noise of the other: the one left carries it all.
  if (costs.perFile < 0) costs = {0, m_bt / m_bb};
  if (costs.perMebibyte < 0) costs = {m_ft / m_ff, 0};
  return costs;
}

std::string FormatDuration(std::chrono::seconds duration) {
  const auto total = static_cast<long long>(std::max<std::int64_t>(0, duration.count()));
  if (total >= 3600) return FormatText("%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  return FormatText("%lld:%02lld", total / 60, total % 60);
}

std::string FormatBytes(std::uint64_t bytes) {
  if (bytes < 1024) return FormatText("%llu bytes", static_cast<unsigned long long>(bytes));
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  return FormatText(value < 10 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
}

std::string FormatFileCount(const InstallProgress::Snapshot& progress) {
  const auto done = static_cast<unsigned long long>(progress.filesDone);
  if (!progress.counted) {
    return done == 0 ? std::string("Counting the files...")
                     : FormatText("Counting the files... %llu %s copied", done, done == 1 ? "file" : "files");
  }
  const auto total = static_cast<unsigned long long>(progress.totalFiles);
  return FormatText("%llu of %llu %s", done, total, total == 1 ? "file" : "files");
}

std::string FormatTimes(const InstallProgress::Snapshot& progress, std::optional<std::chrono::seconds> left) {
  std::string text = "Elapsed " + FormatDuration(std::chrono::duration_cast<std::chrono::seconds>(progress.elapsed));
  if (left) text += ", about " + FormatDuration(*left) + " left";
  return text;
}

InstallProgress::Snapshot WithinTotals(InstallProgress::Snapshot progress) {
  if (progress.counted) {
    progress.filesDone = std::min(progress.filesDone, progress.totalFiles);
    progress.bytesDone = std::min(progress.bytesDone, progress.totalBytes);
  }
  return progress;
}

int ShareDone(const InstallProgress::Snapshot& progress, int scale) {
  const auto share = [scale](std::uint64_t done, std::uint64_t total) {
    return static_cast<int>(static_cast<double>(std::min(done, total)) * scale / static_cast<double>(total));
  };
  if (!progress.counted) return 0;
  if (progress.totalBytes != 0) return share(progress.bytesDone, progress.totalBytes);
  if (progress.totalFiles != 0) return share(progress.filesDone, progress.totalFiles);
  return 0;
}
