#include "installer/InstallLog.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <system_error>
#include <vector>

#include "installer/Trace.h"

namespace {

constexpr std::string_view kLogPrefix = "zandrel2-";
constexpr std::string_view kLogExtension = ".log";

// "zandrel2-20261210-234501-042.log", in local time: names sort as their times do.
std::string LogNameNow(int attempt) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  char name[96];
  if (attempt == 0) {
    std::snprintf(name, sizeof name, "zandrel2-%s-%03d.log", stamp, static_cast<int>(milliseconds));
  } else {
    std::snprintf(name, sizeof name, "zandrel2-%s-%03d-%d.log", stamp, static_cast<int>(milliseconds), attempt);
  }
  return name;
}

bool IsLogName(const std::string& name) {
  return name.starts_with(kLogPrefix) && name.ends_with(kLogExtension);
}

// Removes the oldest logs of `folder` beyond the newest `kept`; what cannot be removed
// stays.
void KeepNewest(const std::filesystem::path& folder, std::size_t kept) {
  std::error_code error;
  std::vector<std::filesystem::path> logs;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file(error) && IsLogName(entry.path().filename().string())) logs.push_back(entry.path());
  }
  if (logs.size() <= kept) return;
  std::sort(logs.begin(), logs.end());
  for (std::size_t i = 0; i + kept < logs.size(); ++i) std::filesystem::remove(logs[i], error);
}

}  // namespace

InstallLog InstallLog::InFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  // Installs started in the same millisecond take the next free name.
  std::filesystem::path path = folder / LogNameNow(0);
  for (int attempt = 1; attempt < 100 && std::filesystem::exists(path, error); ++attempt) {
    path = folder / LogNameNow(attempt);
  }
  InstallLog log = AtFile(path);
  if (log.m_file) KeepNewest(folder, kLogsKept);
  return log;
}

InstallLog InstallLog::AtFile(const std::filesystem::path& file) {
  InstallLog log;
  log.m_path = file;
  errno = 0;
  log.m_file.reset(std::fopen(file.string().c_str(), "wb"));
  if (!log.m_file) log.m_problem = file.string() + ": " + std::strerror(errno != 0 ? errno : EIO);
  return log;
}

InstallLog::InstallLog(InstallLog&& other) noexcept
    : m_path(std::move(other.m_path)), m_file(std::move(other.m_file)), m_problem(std::move(other.m_problem)) {}

InstallLog::~InstallLog() {
  if (m_file) ShareTraceLog(nullptr);
}

void InstallLog::FollowTrace() {
  if (m_file) ShareTraceLog(m_file.get());
}

void InstallLog::Note(std::string_view line) {
  if (m_file) WriteTraceLogLine(line);
}

std::string InstallLog::Problem() const {
  if (!m_problem.empty()) return m_problem;
  if (m_file && (std::fflush(m_file.get()) != 0 || std::ferror(m_file.get()) != 0)) {
    return m_path.string() + ": " + std::strerror(errno != 0 ? errno : EIO);
  }
  return {};
}
