#include "frontend/ProgressLine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "installer/Trace.h"

void ProgressLine::Follow(const InstallProgress& progress) {
  ShareTraceTerminal([this] { Clear(); });
  std::unique_lock lock(m_lock);
  while (!m_wake.wait_for(lock, kProgressRedrawInterval, [this] { return m_ended; })) {
    const std::string text = Describe(progress.Read());
    lock.unlock();
    {
      const auto trace = HoldTrace();
      Draw(text);
    }
    lock.lock();
  }
  lock.unlock();
  ShareTraceTerminal(nullptr);
  const auto trace = HoldTrace();
  Clear();
}

void ProgressLine::End() {
  const std::lock_guard lock(m_lock);
  m_ended = true;
  m_wake.notify_all();
}

void ProgressLine::EndNow() {
  End();
  const auto trace = HoldTrace();
  Clear();
}

std::string ProgressLine::Describe(const InstallProgress::Snapshot& copy) {
  const InstallProgress::Snapshot now = WithinTotals(copy);
  const std::optional<std::chrono::seconds> left = m_estimate.Update(now);
  // Until the catalog is counted, what is done so far without the whole.
  std::string text = FormatFileCount(now) + "  " + FormatBytes(now.bytesDone);
  if (now.counted) text = std::to_string(ShareDone(now, 100)) + "%  " + text + " of " + FormatBytes(now.totalBytes);
  if (m_estimate.BytesPerSecond() > 0) {
    text += "  " + FormatBytes(static_cast<std::uint64_t>(m_estimate.BytesPerSecond())) + "/s";
  }
  if (left) text += "  " + FormatDuration(*left) + " left";
  // A stop asked for shows at the next redraw, even while a read is stalled.
  if (now.stopping) text = "stopping (" + m_againToQuit() + ")  " + text;
  return text;
}

void ProgressLine::Draw(std::string text) {
  // One column short of the width, so the terminal never wraps it onto a second line.
  text.resize(std::min(text.size(), static_cast<std::size_t>(std::max(m_columns - 1, 1))));
  const std::size_t previous = m_shown;
  std::fprintf(stderr, "\r%s", text.c_str());
  if (previous > text.size()) std::fprintf(stderr, "%*s", static_cast<int>(previous - text.size()), "");
  std::fflush(stderr);
  m_shown = std::max(previous, text.size());
}

void ProgressLine::Clear() {
  if (m_shown == 0) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_shown), "");
  std::fflush(stderr);
  m_shown = 0;
}
