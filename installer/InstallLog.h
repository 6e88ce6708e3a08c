// The log of one install request: its trace, its notices and its outcome, in a file of
// its own, for a front end whose user sees no standard output (a desktop launch).
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "installer/FileServices.h"
#include "installer/Trace.h"

class InstallLog : public TraceLog {
 public:
  // How many logs the log folder keeps: the newest.
  static constexpr std::size_t kLogsKept = 20;

  // A new log in `folder` (a folder of the logs' own, made where it is not there), named
  // by the date and time in UTC (zandrel2-20261210-234501-042.log) and created as a new
  // file, never through a link; a name taken gets the next (…-042-1.log). The oldest
  // logs beyond kLogsKept are removed: files of that exact pattern only, never the new
  // one. An empty `folder` gives no log, for the reason `whyNoFolder`.
  static InstallLog InFolder(const std::string& folder, const std::string& whyNoFolder = {});
  // A new log, as InFolder makes it, in the port's folder of the logs.
  static InstallLog InLogFolder();
  // A log at `file`, replacing what a regular file there holds.
  static InstallLog AtFile(const std::string& file);

  // No log at all.
  InstallLog() = default;
  InstallLog(InstallLog&& other) noexcept;
  InstallLog& operator=(InstallLog&&) = delete;
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;
  // The trace no longer goes to it; what is held is written out.
  ~InstallLog() override;

  // From now on the trace goes to the log as well.
  void FollowTrace();
  // A line of the front end's (a notice, the outcome), in order with the trace.
  void Note(std::string_view line);
  // The log's first line: the program and its version, the CD and the install directory.
  void NoteStart(std::string_view program, std::string_view version, std::string_view cdPath,
                 std::string_view installDir);

  // The file services' error where the log could not be opened; 0 where it was, or none
  // was asked for.
  unsigned long OpenError() const { return m_openError; }
  // Where the log is; empty where there is none.
  const std::string& Path() const { return m_path; }
  // Why the log is not whole, for the outcome to mention; empty while it is. A log that
  // met a write error (a full disk) is removed rather than left without its end.
  std::string Problem();

  // The trace's bytes, held and written a few KiB at a time.
  void Write(std::string_view bytes) override;

 private:
  void WriteOut();
  void WriteOutHeld();  // under m_lock
  void Fail(unsigned long error);

  // The trace writes from the copying thread, a front end notes from its own.
  std::mutex m_lock;

  std::string m_path;
  files::OwnFileHandle m_file;
  std::string m_held;     // written, not yet in the file
  std::string m_problem;  // why the log is not whole
  unsigned long m_openError = 0;
  bool m_following = false;
};
