#include "installer/InstallLog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>
#include <vector>

#include "installer/ErrorCodes.h"
#include "installer/StandardOutput.h"

namespace {

// Bytes held before they are written: the trace costs the copy no system call a line.
constexpr std::size_t kHeldBytes = 8192;
// Names tried when the one of this millisecond is taken.
constexpr int kNameAttempts = 100;
#ifdef _WIN32
constexpr const char* kFolderSeparator = "\\";
#else
constexpr const char* kFolderSeparator = "/";
#endif

constexpr char kLogPrefix[] = "zandrel2-";
constexpr char kLogExtension[] = ".log";

// A log's name: "zandrel2-20261210-234501-042.log", the time in UTC so that names sort as their times
// do across a change of daylight saving time; attempt N > 0 ends "-042-N.log".
std::string LogNameNow(int attempt) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
  char attemptText[16] = "";
  if (attempt > 0) std::snprintf(attemptText, sizeof attemptText, "-%d", attempt);
  char name[96];
  std::snprintf(name, sizeof name, "%s%s-%03d%s%s", kLogPrefix, stamp, static_cast<int>(milliseconds), attemptText,
                kLogExtension);
  return name;
}

// Where `name` is a log's name of exactly the pattern LogNameNow makes, its place in
// time: the stamp's digits and the attempt.
std::optional<std::pair<std::string, int>> LogNameOrder(std::string_view name) {
  constexpr std::string_view kStampShape = "dddddddd-dddddd-ddd";
  constexpr std::string_view kPrefix = kLogPrefix;
  constexpr std::string_view kExtension = kLogExtension;
  if (!name.starts_with(kPrefix) || !name.ends_with(kExtension)) return std::nullopt;
  name.remove_prefix(kPrefix.size());
  name.remove_suffix(kExtension.size());
  if (name.size() < kStampShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < kStampShape.size(); ++i) {
    const bool digit = name[i] >= '0' && name[i] <= '9';
    if (digit != (kStampShape[i] == 'd')) return std::nullopt;
  }
  std::string_view attempt = name.substr(kStampShape.size());
  if (attempt.empty()) return std::pair(std::string(name), 0);
  if (!attempt.starts_with('-') || attempt.size() < 2 || attempt.size() > 3 || attempt[1] == '0') return std::nullopt;
  int number = 0;
  for (const char digit : attempt.substr(1)) {
    if (digit < '0' || digit > '9') return std::nullopt;
    number = number * 10 + (digit - '0');
  }
  return std::pair(std::string(name.substr(0, kStampShape.size())), number);
}

// Removes the oldest logs of `folder` beyond the newest `kept`, counting `newest`, which
// stays whatever its name says of its time; what cannot be removed stays.
void KeepNewest(const std::string& folder, const std::string& newest, std::size_t kept) {
  std::vector<std::pair<std::pair<std::string, int>, std::string>> logs;
  files::ListRegularFiles(folder.c_str(), [&](const std::string& name) {
    if (name == newest) return;
    if (std::optional<std::pair<std::string, int>> order = LogNameOrder(name)) logs.emplace_back(*order, name);
  });
  if (logs.size() < kept) return;
  std::sort(logs.begin(), logs.end());
  for (std::size_t i = 0; i + kept <= logs.size(); ++i) {
    files::RemoveFile((folder + kFolderSeparator + logs[i].second).c_str());
  }
}

std::string ReasonOf(const std::string& path, unsigned long error) { return path + ": " + files::ErrorText(error); }

}  // namespace

InstallLog InstallLog::InFolder(const std::string& folder, const std::string& whyNoFolder) {
  InstallLog log;
  if (folder.empty()) {
    log.m_problem = whyNoFolder;
    return log;
  }
  if (!files::CreateFolders(folder.c_str())) {
    log.m_problem = ReasonOf(folder, files::LastError());
    return log;
  }
  // Installs started in the same millisecond, and a name planted ahead, take the next.
  std::string name;
  for (int attempt = 0; attempt < kNameAttempts && !log.m_file; ++attempt) {
    name = LogNameNow(attempt);
    log.m_path = folder + kFolderSeparator + name;
    log.m_file = files::CreateNewFile(log.m_path.c_str());
    if (!log.m_file && files::LastError() != files::kErrorFileExists) break;
  }
  if (!log.m_file) {
    log.m_problem = ReasonOf(log.m_path, files::LastError());
    return log;
  }
  KeepNewest(folder, name, kLogsKept);
  return log;
}

InstallLog InstallLog::InLogFolder() {
  std::string whyNoFolder;
  const std::string folder = output::LogFolder(whyNoFolder);
  return InFolder(folder, whyNoFolder);
}

InstallLog InstallLog::AtFile(const std::string& file) {
  InstallLog log;
  log.m_path = file;
  log.m_file = files::OpenFileToReplace(file.c_str());
  if (!log.m_file) {
    log.m_openError = files::LastError();
    log.m_problem = ReasonOf(file, log.m_openError);
  }
  return log;
}

InstallLog::InstallLog(InstallLog&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_file(std::move(other.m_file)),
      m_held(std::move(other.m_held)),
      m_problem(std::move(other.m_problem)),
      m_openError(other.m_openError) {}

InstallLog::~InstallLog() {
  if (m_following) ShareTraceLog(nullptr);
  WriteOut();
}

void InstallLog::FollowTrace() {
  if (!m_file) return;
  ShareTraceLog(this);
  m_following = true;
}

void InstallLog::NoteStart(std::string_view program, std::string_view version, std::string_view cdPath,
                           std::string_view installDir) {
  Note(std::string(program) + " " + std::string(version) + ": the catalog from " + std::string(cdPath) + " into " +
       std::string(installDir));
}

void InstallLog::Note(std::string_view line) {
  if (!m_following) return;
  WriteTraceLogLine(line);
  // A note is written at once: the log shows how far an install came, even one that
  // never ends.
  WriteOut();
}

std::string InstallLog::Problem() {
  WriteOut();
  const std::lock_guard lock(m_lock);
  return m_problem;
}

void InstallLog::Write(std::string_view bytes) {
  const std::lock_guard lock(m_lock);
  if (!m_file) return;
  m_held.append(bytes);
  if (m_held.size() >= kHeldBytes) WriteOutHeld();
}

void InstallLog::WriteOut() {
  const std::lock_guard lock(m_lock);
  WriteOutHeld();
}

void InstallLog::WriteOutHeld() {
  if (!m_file || m_held.empty()) return;
  const bool written = files::WriteToFile(*m_file, m_held);
  m_held.clear();
  if (!written) Fail(files::LastError());
}

void InstallLog::Fail(unsigned long error) {
  m_problem = ReasonOf(m_path, error);
  // A log without its end would read as an install that never ended.
  m_file.reset();
  files::RemoveFile(m_path.c_str());
}
