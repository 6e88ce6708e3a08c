#include "installer/InstallProgress.h"

void InstallProgress::Start() {
  m_startTime = Clock::now();
  m_started.store(true);
}

void InstallProgress::SetTotals(std::uint64_t totalFiles, std::uint64_t totalBytes) {
  m_totalFiles = totalFiles;
  m_totalBytes = totalBytes;
  m_counted.store(true);
}

void InstallProgress::StartFile(const char* sourcePath) {
  const std::lock_guard lock(m_currentFileLock);
  m_currentFile = sourcePath;
}

void InstallProgress::FinishFile(std::uint64_t bytes, bool copied) {
  // The file's bytes leave the count before they join it, so a reader in between sees
  // too few for a moment, never the file twice.
  m_bytesInFile.store(0, std::memory_order_relaxed);
  m_bytesDone.fetch_add(bytes, std::memory_order_relaxed);
  if (!copied) m_filesFailed.fetch_add(1, std::memory_order_relaxed);
  m_filesDone.fetch_add(1, std::memory_order_relaxed);
}

InstallProgress::Snapshot InstallProgress::Read() const {
  Snapshot snapshot;
  snapshot.counted = m_counted.load();
  snapshot.totalFiles = m_totalFiles.load();
  snapshot.totalBytes = m_totalBytes.load();
  snapshot.filesDone = m_filesDone.load();
  snapshot.filesFailed = m_filesFailed.load();
  snapshot.bytesDone = m_bytesDone.load() + m_bytesInFile.load();
  snapshot.started = m_started.load();
  snapshot.stopping = m_stopRequested.load();
  if (snapshot.started) snapshot.elapsed = Clock::now() - m_startTime;
  const std::lock_guard lock(m_currentFileLock);
  snapshot.currentFile = m_currentFile;
  return snapshot;
}
