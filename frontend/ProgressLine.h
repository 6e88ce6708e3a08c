// The command line's progress line: one line on standard error's terminal, rewritten in
// place a few times a second while the copy runs (share done, files, bytes, rate, time
// left), and stepping aside for each trace line written to the same terminal.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

#include "frontend/ProgressText.h"
#include "installer/InstallProgress.h"

class ProgressLine {
 public:
  // A line of at most `columns` - 1 columns. `againToQuit` gives the hint shown once a
  // stop has been asked for: how to end the program at once.
  ProgressLine(int columns, std::string (*againToQuit)()) : m_columns(columns), m_againToQuit(againToQuit) {}

  // Redraws the line until End, then clears it. A copy that ends within the first
  // interval leaves the terminal as it would be without the line.
  void Follow(const InstallProgress& progress);
  void End();
  // Ends the line from another thread than the one following, and clears it at once.
  void EndNow();

  // The line's text for a moment of the copy.
  std::string Describe(const InstallProgress::Snapshot& now);

 private:
  void Draw(std::string text);
  void Clear();

  int m_columns;
  std::string (*m_againToQuit)();
  std::size_t m_shown = 0;  // columns the line covers now
  TimeLeftEstimate m_estimate;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_ended = false;
};

// Standard error's terminal width in columns; 0 when standard error is no terminal.
// The port supplies it.
int ErrorTerminalColumns();
