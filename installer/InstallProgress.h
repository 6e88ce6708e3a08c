// How far an install's copy has come: written by the one thread that copies, read by
// any other (a progress window, a progress line), and asked by them to stop.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

// How often a view of an install's progress is drawn again: four times a second.
inline constexpr std::chrono::milliseconds kProgressRedrawInterval{250};

class InstallProgress {
 public:
  using Clock = std::chrono::steady_clock;

  struct Snapshot {
    bool counted = false;          // the totals are known
    std::uint64_t totalFiles = 0;  // non-folder entries of the five source folders
    std::uint64_t totalBytes = 0;
    std::uint64_t filesDone = 0;   // copied or failed
    std::uint64_t filesFailed = 0;
    std::uint64_t bytesDone = 0;   // of the files done, and of the one being copied so far
    std::string currentFile;       // the source path being copied, empty between files
    bool started = false;          // the copy has begun
    bool stopping = false;         // a stop has been asked for
    Clock::duration elapsed{};     // since then
  };

  // Whether the copy counts the catalog before it starts, for totals to show.
  enum class Totals { kCounted, kNotCounted };
  explicit InstallProgress(Totals totals = Totals::kCounted) : m_totals(totals) {}
  bool WantsTotals() const { return m_totals == Totals::kCounted; }
  InstallProgress(const InstallProgress&) = delete;
  InstallProgress& operator=(const InstallProgress&) = delete;

  // By the copying thread, and the totals by the thread that counts them.
  void Start();
  void SetTotals(std::uint64_t totalFiles, std::uint64_t totalBytes);
  void StartFile(const char* sourcePath);
  // The bytes of the file being copied written so far.
  void CopyingFile(std::uint64_t bytesSoFar) { m_bytesInFile.store(bytesSoFar, std::memory_order_relaxed); }
  void FinishFile(std::uint64_t bytes, bool copied);
  // The copy left out what came after the stop.
  void MarkStopped() { m_stopped.store(true); }

  // By any thread, and from a signal handler: the copy ends, abandoning the file being
  // copied (its copy is discarded, and what it would have replaced stays).
  void RequestStop() noexcept { m_stopRequested.store(true, std::memory_order_relaxed); }
  bool StopRequested() const noexcept { return m_stopRequested.load(std::memory_order_relaxed); }
  // True once the copy has cut something short for a stop.
  bool Stopped() const { return m_stopped.load(); }

  Snapshot Read() const;

 private:
  Totals m_totals;
  std::atomic<std::uint64_t> m_totalFiles{0};
  std::atomic<std::uint64_t> m_totalBytes{0};
  std::atomic<std::uint64_t> m_filesDone{0};
  std::atomic<std::uint64_t> m_filesFailed{0};
  std::atomic<std::uint64_t> m_bytesDone{0};
  std::atomic<std::uint64_t> m_bytesInFile{0};
  std::atomic<bool> m_stopRequested{false};
  std::atomic<bool> m_stopped{false};
  std::atomic<bool> m_started{false};
  std::atomic<bool> m_counted{false};
  Clock::time_point m_startTime;  // written before m_started is set, read after
  mutable std::mutex m_currentFileLock;
  std::string m_currentFile;
};

static_assert(std::atomic<bool>::is_always_lock_free, "a stop is requested from a signal handler");
