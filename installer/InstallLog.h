// The log of one install request: its trace, its notices and its outcome, in a file of
// its own, for a front end whose user sees no standard output (a desktop launch).
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

class InstallLog {
 public:
  // How many logs a folder keeps: the newest.
  static constexpr std::size_t kLogsKept = 20;

  // A new log in `folder`, named by the date and time (zandrel2-20261210-234501-042.log),
  // the folder made where it is not there; the oldest beyond kLogsKept are removed.
  static InstallLog InFolder(const std::filesystem::path& folder);
  // A log at `file`, replacing what is there.
  static InstallLog AtFile(const std::filesystem::path& file);

  // No log at all.
  InstallLog() = default;
  InstallLog(InstallLog&& other) noexcept;
  InstallLog& operator=(InstallLog&&) = delete;
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;
  // The trace no longer goes to it.
  ~InstallLog();

  // From now on the trace goes to the log as well.
  void FollowTrace();
  // A line of the front end's (a notice, the outcome), in order with the trace.
  void Note(std::string_view line);

  // Where the log is; empty where there is none.
  const std::filesystem::path& Path() const { return m_path; }
  // Why the log is not whole, for the outcome to mention; empty while it is.
  std::string Problem() const;

 private:
  struct Closer {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
  };
  std::filesystem::path m_path;
  std::unique_ptr<std::FILE, Closer> m_file;
  std::string m_problem;  // why it could not be opened
};
