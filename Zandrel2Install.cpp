// zandrel2-install: the install request without a window, for scripted and headless
// installs. Notices go to standard error as lines; the trace goes to standard output.
#include <algorithm>
#include <cctype>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "frontend/Browser.h"
#include "frontend/CatalogAddress.h"
#include "frontend/ServedCheck.h"
#include "frontend/InstallReport.h"
#include "frontend/ProgressLine.h"
#include "frontend/ProgressText.h"
#include "installer/CopyPlan.h"
#include "installer/FileServices.h"
#include "installer/InstallContext.h"
#include "installer/InstallLog.h"
#include "installer/InstallProgress.h"
#include "installer/InstallRequest.h"
#include "installer/StandardOutput.h"
#include "installer/StopRequests.h"
#include "installer/TextEncoding.h"
#include "installer/Trace.h"
#include "res/Version.h"

namespace {

enum ExitStatus : int {
  kExitInstalled = 0,
  kExitPreparationFailed = 1,
  kExitCopyFailed = 2,
  kExitTraceLost = 3,
  kExitUsage = 64,
  kExitInterrupted = 130,
};

// The help's end: the exit statuses, each platform's own among them, how paths are
// taken, and examples.
constexpr const char* kCommonStatuses = R"(Exit status:
  0   installed
  1   a target folder could not be prepared, or the CD holds no frame page
      (notice ERR-01)
  2   installed in part: entries of the catalog were left out (trace lines
      ERR-03 but for a missing folder, ERR-04, ERR-05; notice ERR-05)
  3   installed, but the trace could not be written to standard output
  64  bad usage
)";
#ifdef _WIN32
constexpr const char* kPlatformHelp = R"(  130 stopped by Ctrl-C or Ctrl-Break, abandoning the file being copied
      (notice "Install stopped."); a second request ends the program at once
  129 stopped the same way by the console's closing

Paths:
  Both options take Windows paths (C:\Apache2, D:\), as the system resolves them.

Examples:
  zandrel2-install --cd E:\ --open
  zandrel2-install --cd E:\ --install-dir "C:\Program Files\Apache2" --no-check)";
#else
constexpr const char* kPlatformHelp = R"(  130 stopped by Ctrl-C, abandoning the file being copied (notice "Install
      stopped."); a second request ends the program at once
  143 stopped the same way by SIGTERM
  129 stopped the same way by SIGHUP (a terminal closed)

Paths:
)"
                                      // The manual pages say the same, word for word (tests/manual_test.sh).
                                      R"(  Both options take Windows paths. On Linux a drive letter X: is the folder
  $WINEPREFIX/dosdevices/x: of Wine's drive map (WINEPREFIX is ~/.wine unless
  set). Without that entry, D: is the first optical disc or disc image mounted,
  else /media/cdrom, and Z: is /; other letters are not mapped. Linux paths such
  as /srv/apache2 work as they are.

Examples:
  zandrel2-install --cd /media/cdrom --install-dir /srv/apache2
  zandrel2-install --cd /media/cdrom --install-dir /srv/apache2 --open)";
#endif

// The help as a well-kept command-line tool gives it: each option with the name of its
// value and nothing of the parser's own (defaults, exclusions), its words wrapped to 80
// columns beside a column of the options.
class HelpFormatter : public CLI::Formatter {
 public:
  static constexpr std::size_t kWidth = 80;
  static constexpr std::size_t kOptionColumn = 24;

  std::string make_option_opts(const CLI::Option* option) const override {
    return option->get_type_size() != 0 && !option->get_type_name().empty() ? " " + option->get_type_name() : "";
  }

  std::string make_option(const CLI::Option* option, bool isPositional) const override {
    std::string line = "  " + make_option_name(option, isPositional) + make_option_opts(option);
    std::string text;
    if (line.size() + 2 > kOptionColumn) {
      text = line + "\n";
      line.clear();
    }
    std::vector<std::string> words;
    const std::string description = make_option_desc(option);
    for (std::size_t at = 0; at < description.size();) {
      const std::size_t end = std::min(description.find(' ', at), description.size());
      if (end > at) words.push_back(description.substr(at, end - at));
      at = end + 1;
    }
    for (const std::string& word : words) {
      if (!line.empty() && line.size() >= kOptionColumn && line.size() + 1 + word.size() > kWidth) {
        text += line + "\n";
        line.clear();
      }
      if (line.size() < kOptionColumn) line.resize(kOptionColumn, ' ');
      else line += ' ';
      line += word;
    }
    return text + line + "\n";
  }

  std::string make_option_name(const CLI::Option* option, bool isPositional) const override {
    std::string names;
    for (const char c : CLI::Formatter::make_option_name(option, isPositional)) {
      names += c;
      if (c == ',') names += ' ';
    }
    return names;
  }

  std::string make_usage(const CLI::App* app, std::string name) const override {
    (void)app;
    return "Usage: " + name + " [OPTION]...\n";
  }
};

// The closest name among `names` to the misspelt option `given`, where one is close
// enough to be meant (at most two letters apart, edits of a letter or of two letters'
// order); empty otherwise.
std::string ClosestOption(const std::string& given, const std::vector<std::string>& names) {
  std::string best;
  std::size_t bestDistance = 3;
  for (const std::string& name : names) {
    // The optimal string alignment distance: insertions, deletions, substitutions and
    // transpositions of neighbours.
    std::vector<std::vector<std::size_t>> d(given.size() + 1, std::vector<std::size_t>(name.size() + 1));
    for (std::size_t i = 0; i <= given.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= name.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= given.size(); ++i) {
      for (std::size_t j = 1; j <= name.size(); ++j) {
        const std::size_t cost = given[i - 1] == name[j - 1] ? 0 : 1;
        d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
        if (i > 1 && j > 1 && given[i - 1] == name[j - 2] && given[i - 2] == name[j - 1]) {
          d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
      }
    }
    if (d[given.size()][name.size()] < bestDistance) {
      bestDistance = d[given.size()][name.size()];
      best = name;
    }
  }
  return best;
}

// A usage error as a well-kept tool words it: the program's name first, an unknown
// option with the one likely meant, and where to read more.
void ExplainUsageError(const CLI::App& app, const CLI::ParseError& error) {
  std::string why = error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    const std::vector<std::string> extras = app.remaining();
    const auto option = std::find_if(extras.begin(), extras.end(), [](const std::string& word) { return word.starts_with("-"); });
    const std::string& extra = option != extras.end() ? *option : extras.front();
    if (extra.starts_with("-")) {
      const std::string given = extra.substr(0, extra.find('='));
      std::vector<std::string> names;
      for (const CLI::Option* known : app.get_options()) {
        for (const std::string& name : known->get_lnames()) names.push_back("--" + name);
      }
      const std::string meant = ClosestOption(given, names);
      why = "unknown option " + given + (meant.empty() ? "" : "; did you mean " + meant + "?");
    } else {
      why = "unexpected argument " + extra + " (every option names its value: --cd PATH, --install-dir PATH)";
    }
  }
  output::WriteErrorLine(files::ShownText("zandrel2-install: " + why));
  output::WriteErrorLine("Try 'zandrel2-install --help' for more information.");
}

// A stop request (Ctrl-C, SIGTERM, SIGHUP) before or during the copy stops it after the
// file being copied, and the program ends with the request's status; a second request
// ends the program at once. Once the copy has ended, requests change nothing.
std::atomic<int> g_stopStatus{0};  // the first request's exit status; 0 while there is none
std::atomic<InstallProgress*> g_copyToStop{nullptr};
std::atomic<bool> g_copyEnded{false};
std::atomic<bool> g_requestsOnThread{false};  // requests come on a thread, not in a handler
static_assert(std::atomic<InstallProgress*>::is_always_lock_free, "read in a signal handler");
static_assert(std::atomic<int>::is_always_lock_free, "written in a signal handler");

// A copy whose read of the CD does not return (a stalled disc) cannot look for the stop:
// a second after the request the program ends without it, as the copy's stop would.
constexpr auto kStopGrace = std::chrono::seconds(1);
enum class CopyState { kNotRunning, kRunning, kEnded, kAbandoned };
std::mutex g_copyStateLock;
std::condition_variable g_copyStateChanged;
CopyState g_copyState = CopyState::kNotRunning;
std::function<void()> g_abandonCopy;  // ends the program for a copy still running

void AbandonIfStalled() {
  std::unique_lock lock(g_copyStateLock);
  if (g_copyStateChanged.wait_for(lock, kStopGrace, [] { return g_copyState != CopyState::kRunning; })) return;
  g_copyState = CopyState::kAbandoned;
  const std::function<void()> abandon = g_abandonCopy;
  lock.unlock();
  abandon();
}

// Starts the watch that abandons a copy that has not ended a second after a stop.
void WatchForStall() {
  try {
    std::thread(&AbandonIfStalled).detach();
  } catch (const std::system_error&) {
    // No thread to watch the stop: it takes effect when the copy looks for it.
  }
}

void StopOnRequest(int exitStatus) {
  int none = 0;
  if (!g_stopStatus.compare_exchange_strong(none, exitStatus)) stops::EndProcessNow(exitStatus);
  // After the copy the first request changes nothing; a second still ends a program
  // that hangs on its last writes.
  if (!g_requestsOnThread.load()) {
    // In a signal handler, which interrupts the thread it runs on: a copy in progress
    // outlives it.
    if (g_copyEnded.load()) return;
    if (InstallProgress* progress = g_copyToStop.load()) progress->RequestStop();
    return;
  }
  // On a thread of its own: the copy's progress is reached only while the copy runs.
  const std::lock_guard lock(g_copyStateLock);
  if (g_copyState != CopyState::kRunning) return;
  g_copyToStop.load()->RequestStop();
  WatchForStall();
}

// While it lives, stop requests go to `progress`'s copy, those that came before it
// included; when it goes, the copy has ended. `abandon` ends the program where a stop
// finds the copy stalled.
class RequestsStopCopy {
 public:
  RequestsStopCopy(InstallProgress& progress, std::function<void()> abandon) {
    {
      const std::lock_guard lock(g_copyStateLock);
      g_abandonCopy = std::move(abandon);
      g_copyToStop = &progress;
      g_copyState = CopyState::kRunning;
    }
    // A request that came before: the copy stops at once, and is watched all the same
    // (the count beside it may be in a stalled read).
    if (g_stopStatus.load() != 0) {
      progress.RequestStop();
      if (g_requestsOnThread.load()) WatchForStall();
    }
  }
  RequestsStopCopy(const RequestsStopCopy&) = delete;
  RequestsStopCopy& operator=(const RequestsStopCopy&) = delete;
  ~RequestsStopCopy() {
    std::unique_lock lock(g_copyStateLock);
    // A copy that comes back after it was abandoned waits for the program's end.
    g_copyStateChanged.wait(lock, [] { return g_copyState != CopyState::kAbandoned; });
    g_copyState = CopyState::kEnded;
    g_copyStateChanged.notify_all();
    g_copyEnded = true;
    g_copyToStop = nullptr;
  }
};

class ConsoleNotices : public InstallNotices {
 public:
  // `endStopped` ends the program for a copy abandoned by a stop, with what it copied.
  ConsoleNotices(bool showProgress, int columns, InstallLog& log,
                 std::function<void(const InstallDetails&)> endStopped)
      : m_showProgress(showProgress), m_columns(columns), m_log(log), m_endStopped(std::move(endStopped)) {}

  void ShowNotice(const char* text) override {
    // What the trace holds so far comes first, so that a log of both keeps the order.
    FlushTrace();
    output::WriteErrorLine(text);
    m_log.Note(text);
  }
  void FinishWithOk() override {}

  // The copy runs here; the progress line, where there is one, is drawn beside it.
  void WaitForCopy(const std::function<void(InstallProgress*)>& copy) override {
    InstallProgress progress(m_showProgress ? InstallProgress::Totals::kCounted : InstallProgress::Totals::kNotCounted);
    ProgressLine line(m_columns, &AgainToQuit);
    const auto abandon = [&] {
      line.EndNow();
      EndTraceLine();
      ShowNotice(kStoppedNotice);
      // What the copy put in place before it was abandoned, the abandoned file left out.
      progress.CopyingFile(0);
      InstallDetails copied;
      NoteCopied(progress.Read(), copied);
      m_endStopped(copied);
    };
    const RequestsStopCopy stopping(progress, abandon);
    std::jthread drawing;
    if (m_showProgress) {
      try {
        drawing = std::jthread([&] { line.Follow(progress); });
      } catch (const std::system_error& error) {
        const std::string line = std::string("zandrel2-install: no thread could be started for the progress line (") +
                                 error.code().message() + "); copying without it";
        output::WriteErrorLine(line);
        m_log.Note(line);
      }
    }
    // The line ends before its thread is joined, however the copy ends.
    struct EndOfLine {
      ProgressLine& line;
      ~EndOfLine() { line.End(); }
    } endOfLine{line};
    // The copy runs on a thread of its own where one can be had, so that the thread a
    // stop request may come to (Wine takes Ctrl-C on the main thread) never waits in a
    // read of a stalled disc.
    try {
      std::thread copying([&] { copy(&progress); });
      copying.join();
    } catch (const std::system_error&) {
      copy(&progress);
    }
  }

 private:
  // How to end the program at once, said once a stop has been asked for: the way the
  // first request came.
  static std::string AgainToQuit() {
    switch (g_stopStatus.load()) {
      case kExitInterrupted:
        return "Ctrl-C again to quit at once";
      default:
        return "a second request quits at once";
    }
  }

  bool m_showProgress;
  int m_columns;
  InstallLog& m_log;
  std::function<void(const InstallDetails&)> m_endStopped;
};

// A line that says why, or what was done: on standard error and in the log.
void Explain(InstallLog& log, const std::string& why) {
  // Names from the CD and the user's paths are shown, never obeyed, by the terminal.
  const std::string line = files::ShownText("zandrel2-install: " + why);
  output::WriteErrorLine(line);
  log.Note(line);
}

void ExplainFailure(InstallLog& log, const InstallDetails& details) {
  if (details.failed != InstallDetails::Failed::kNothing) {
    // What to do first, where the failure is a common one; then what happened.
    if (const std::string next = report::WhatToDo(details, report::FrontEnd::kCommandLine); !next.empty()) {
      Explain(log, next);
    }
    Explain(log, report::PreparationProblem(details));
  } else if (details.copyFailures != 0) {
    Explain(log, report::LeftOutSummary(details));
  }
}

// The summary of a few lines a person reads at the end. First, before the server is
// asked: installed or not and what was copied, and the catalog folder.
void SummariseCopy(InstallLog& log, const InstallDetails& copied, InstallOutcome outcome) {
  if (outcome == InstallOutcome::kPreparationFailed) {
    Explain(log, "not installed");
    return;
  }
  const std::uint64_t done = copied.filesCopied;
  const char* const how = outcome == InstallOutcome::kInstalled ? "installed: "
                          : outcome == InstallOutcome::kStopped ? "stopped: "
                                                                : "installed in part: ";
  Explain(log, how + std::to_string(done) + (done == 1 ? " file" : " files") + " copied, " +
                   std::to_string(copied.filesFailed) + " failed, " + FormatBytes(copied.bytesCopied) + " in " +
                   FormatDuration(copied.elapsed));
  Explain(log, "the catalog is in " + report::Named(CatalogFolder()));
}

// Then the installed catalog's address and whether the server serves it (`verdict`, null
// where nothing was asked), and the log.
void SummariseAddress(InstallLog& log, InstallOutcome outcome, const std::string& catalogAddress,
                      const served::Verdict* verdict) {
  if (outcome == InstallOutcome::kInstalled) {
    // "served at ADDRESS" names the address itself; any other verdict follows it.
    if (verdict == nullptr || verdict->kind != served::Verdict::Kind::kServed) {
      Explain(log, "browse it at " + catalogAddress);
    }
    if (verdict != nullptr) Explain(log, verdict->line);
  }
  if (!log.Path().empty() && log.Problem().empty()) Explain(log, "the log is " + log.Path());
}

// What the user asked for beyond the install itself.
struct Options {
  std::string installDir;
  bool summary = false;  // a summary, on a terminal or asked for
  bool openCatalog = false;
  bool check = true;  // ask the server for the installed catalog
};

// The lines after an install, and its exit status.
int Finish(InstallLog& log, InstallOutcome outcome, const InstallDetails& details, const Options& options) {
  FlushTrace();
  ExplainFailure(log, details);
  const bool installed = outcome == InstallOutcome::kInstalled;
  const address::CatalogPlace place = installed ? address::FindCatalog(options.installDir, g_catalogRoot)
                                                : address::CatalogPlace();
  const std::string& catalogAddress = place.address;
  // Whether the server serves what was installed: said in the summary, and always in the
  // log. A stop request ends the check at once; it changes no status.
  if (options.summary) SummariseCopy(log, details, outcome);
  std::optional<served::Verdict> verdict;
  if (installed && options.check) {
    verdict = served::Check(place, options.installDir, [] { return g_stopStatus.load() != 0; });
  }
  if (options.summary) {
    SummariseAddress(log, outcome, catalogAddress, verdict ? &*verdict : nullptr);
  } else if (verdict) {
    log.Note("zandrel2-install: " + verdict->line);
  }
  if (options.openCatalog && installed) {
    log.Note("opening " + catalogAddress);
    if (std::string problem; !desktop::OpenInBrowser(catalogAddress, problem)) {
      Explain(log, "cannot open " + catalogAddress + ": " + problem);
    }
  }
  int status = kExitPreparationFailed;
  switch (outcome) {
    case InstallOutcome::kInstalled:
      status = kExitInstalled;
      break;
    case InstallOutcome::kPreparationFailed:
      status = kExitPreparationFailed;
      break;
    case InstallOutcome::kCopyFailed:
      status = kExitCopyFailed;
      break;
    case InstallOutcome::kStopped:
      status = g_stopStatus.load();
      break;
  }
  if (const int lost = TraceWriteError(); lost != 0) {
    Explain(log, std::string("the trace could not be written to standard output: ") + std::strerror(lost));
    if (outcome == InstallOutcome::kInstalled) status = kExitTraceLost;
  }
  log.Note("exit status " + std::to_string(status));
  // A log that could not be written costs the install nothing; it is only mentioned.
  if (const std::string problem = log.Problem(); !problem.empty()) Explain(log, "no log was written: " + problem);
  return status;
}

// Why `file` cannot be the log, as bad usage; empty where it can. The log must not be
// one of the files the install reads (it would be copied as it is being written), and
// what is there under its name must be a regular file.
std::string RefusedLog(const std::string& file, const InstallLog& log) {
  if (log.OpenError() == files::kErrorInvalidParameter) return "--log " + file + ": it is there and is not a regular file";
  return {};
}

InstallLog OpenLog(bool logOff, const std::string& logFile) {
  if (logOff) return InstallLog();
  return logFile.empty() ? InstallLog::InLogFolder() : InstallLog::AtFile(logFile);
}

}  // namespace

int main(int argc, char** argv) {
  PrepareTraceOutput();
  g_requestsOnThread = stops::WatchStopRequests(&StopOnRequest);

  CLI::App app{"Installs the HTML product catalog of a catalog CD into an Apache2 document\ntree.\n",
               "zandrel2-install"};
  std::string cdPath = "D:\\";
  std::string installDir = "C:\\Apache2";
  app.formatter(std::make_shared<HelpFormatter>());
  app.add_option("--cd", cdPath, "the CD root, a Windows or Linux path (default D:\\)")->type_name("PATH");
  app.add_option("--install-dir", installDir, "Apache2's install directory (default C:\\Apache2)")->type_name("PATH");
  bool progressForced = false;
  bool progressOff = false;
  bool summary = false;
  app.add_flag("--progress", progressForced, "show a progress line on standard error even when it is no terminal");
  app.add_flag("--no-progress", progressOff, "show no progress line, even on a terminal")->excludes("--progress");
  app.add_flag("--summary", summary, "end with a summary, even when standard error is no terminal");
  std::string logFile;
  bool logOff = false;
  app.add_option("--log", logFile, "write the install's log to FILE instead of a new one in the log folder")
      ->type_name("FILE");
  app.add_flag("--no-log", logOff, "write no log")->excludes("--log");
  bool openCatalog = false;
  app.add_flag("--open", openCatalog, "open the installed catalog in the browser after a successful install");
  bool traceShown = false;
  app.add_flag("--trace", traceShown, "write the trace to standard output even when it is a terminal");
  bool noCheck = false;
  app.add_flag("--no-check", noCheck, "do not ask the web server whether it serves the installed catalog");
  app.set_version_flag("--version", "zandrel2-install " ZANDREL2_VERSION_TEXT, "print the version and exit");
  app.set_help_flag("--help,-h", "print this help and exit (also /?)");
  app.footer(std::string(kCommonStatuses) + kPlatformHelp);
  // "/?" asks for help, as Windows programs take it, unless it is an option's value.
  std::vector<std::string> arguments(argv + 1, argv + argc);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const bool isValue = i > 0 && (arguments[i - 1] == "--cd" || arguments[i - 1] == "--install-dir");
    if (arguments[i] == "/?" && !isValue) arguments[i] = "--help";
  }
  std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
  try {
    app.parse(arguments);
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    ExplainUsageError(app, error);
    return kExitUsage;
  }

  // On a terminal the copy lines are noise to a person: the progress line and the
  // summary say what happened, and the log keeps the trace.
  if (!traceShown) KeepTraceOffTerminal();
  g_cdPath.Format("%s", cdPath);
  // A log among the CD's files would be read back into the catalog, and an existing file
  // of the CD would be lost: refused before anything is opened.
  if (!logFile.empty()) {
    const std::optional<files::FolderIdentity> logFolder = files::IdentifyFolderOfFile(logFile.c_str());
    if (logFolder && IsCopiedFrom(*logFolder)) {
      output::WriteErrorLine(files::ShownText("zandrel2-install: --log " + logFile +
                                              ": it is in a folder the install copies from the CD; choose a log "
                                              "outside the CD"));
      return kExitUsage;
    }
  }
  InstallLog log = OpenLog(logOff, logFile);
  if (const std::string refused = RefusedLog(logFile, log); !refused.empty()) {
    output::WriteErrorLine(files::ShownText("zandrel2-install: " + refused));
    return kExitUsage;
  }
  const int columns = ErrorTerminalColumns();
  const bool onTerminal = columns > 0;
  const Options options{installDir, onTerminal || summary, openCatalog, !noCheck};
  log.FollowTrace();
  log.NoteStart("zandrel2-install", ZANDREL2_VERSION_TEXT, cdPath, installDir);
  ConsoleNotices notices((onTerminal || progressForced) && !progressOff, onTerminal ? columns : 80, log,
                         [&](const InstallDetails& copied) {
                           stops::EndProcessNow(Finish(log, InstallOutcome::kStopped, copied, options));
                         });
  InstallDetails details;
  const InstallOutcome outcome = RunInstallRequest(installDir, notices, &details);
  return Finish(log, outcome, details, options);
}
