// zandrel2-install: the install request without a window, for scripted and headless
// installs. Notices go to standard error as lines; the trace goes to standard output.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

#include "installer/FileServices.h"
#include "installer/InstallContext.h"
#include "installer/InstallRequest.h"
#include "installer/PathCalls.h"
#include "installer/Trace.h"
#include "res/Version.h"

namespace {

enum ExitStatus : int {
  kExitInstalled = 0,
  kExitPreparationFailed = 1,
  kExitCopyFailed = 2,
  kExitTraceLost = 3,
  kExitUsage = 64,
};

constexpr const char* kHelpFooter = R"(Exit status:
  0   installed
  1   a target folder could not be prepared, or the CD holds no frame page
      (notice ERR-01)
  2   installed in part: entries of the catalog were left out (trace lines
      ERR-03 but for a missing folder, ERR-04, ERR-05; notice ERR-05)
  3   installed, but the trace could not be written to standard output
  64  bad usage

Paths:
  Both options take Windows paths (C:\Apache2, D:\). On Linux a drive letter X:
  is the folder $WINEPREFIX/dosdevices/x: of Wine's drive map (WINEPREFIX is
  ~/.wine unless set); without that entry D: is /media/cdrom and Z: is /, and
  other letters are not mapped. Linux paths (/srv/apache2) work as they are.)";

class ConsoleNotices : public InstallNotices {
 public:
  void ShowNotice(const char* text) override {
    // What the trace holds so far comes first, so that a log of both keeps the order.
    FlushTrace();
    std::fprintf(stderr, "%s\n", text);
  }
  void FinishWithOk() override {}
};

void Explain(const std::string& why) { std::fprintf(stderr, "zandrel2-install: %s\n", why.c_str()); }

// The path and, where the system knows it by another name, that name.
std::string Named(const std::string& path) {
  const std::string onSystem = files::SystemPath(path.c_str());
  if (onSystem.empty()) return path + " (its drive is not mapped)";
  return onSystem == path ? path : path + " (" + onSystem + ")";
}

// The drive of `path`, as "X:", where it has one.
std::string DriveOf(const std::string& path) {
  const std::size_t at = path.find(':');
  return at == 1 ? path.substr(0, 2) : std::string();
}

// Why `folder` could not be created: the nearest folder above it that is not there,
// an unmapped drive, or the system's reason.
std::string WhyNotCreated(const std::string& folder, unsigned long error) {
  const std::string drive = DriveOf(folder);
  if (!drive.empty() && files::SystemPath((drive + "\\").c_str()).empty()) {
    return "drive " + drive + " is not mapped: make " + "$WINEPREFIX/dosdevices/" +
           static_cast<char>(drive[0] | 0x20) + ": a link to its folder, or give a Linux path";
  }
  if (error == files::kErrorPathNotFound) {
    std::string missing = folder;
    for (;;) {
      const std::size_t separator = missing.find_last_of("\\/");
      if (separator == std::string::npos || separator == 0) break;
      const std::string parent = missing.substr(0, separator);
      if (parent.size() <= drive.size() || EntryExists(parent.c_str())) break;
      missing = parent;
    }
    if (missing != folder) return Named(missing) + " does not exist";
  }
  return files::ErrorText(error);
}

void ExplainFailure(const InstallDetails& details) {
  switch (details.failed) {
    case InstallDetails::Failed::kNothing:
      if (details.copyFailures != 0) {
        const bool one = details.copyFailures == 1;
        Explain(std::to_string(details.copyFailures) + (one ? " entry" : " entries") + " of the catalog " +
                (one ? "was" : "were") + " left out (see the trace's ERR-03, ERR-04 and ERR-05 lines)");
      }
      return;
    case InstallDetails::Failed::kCatalogRoot:
    case InstallDetails::Failed::kCatalogFolder:
      Explain("cannot create " + details.path + ": " + WhyNotCreated(details.path, details.error));
      return;
    case InstallDetails::Failed::kFramePage:
      if (details.error == files::kErrorFileNotFound) {
        Explain("the CD holds no frame page: no name containing \"fram\" in FP\\HTML of the CD root " +
                Named(details.path));
      } else {
        Explain("cannot search FP\\HTML of the CD root " + Named(details.path) + " for the frame page: " +
                files::ErrorText(details.error));
      }
      return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  PrepareTraceOutput();

  CLI::App app{"Installs the HTML product catalog from a catalog CD into an Apache2 document tree.",
               "zandrel2-install"};
  std::string cdPath = "D:\\";
  std::string installDir = "C:\\Apache2";
  app.add_option("--cd", cdPath, "CD root, a Windows or Linux path")->capture_default_str();
  app.add_option("--install-dir", installDir, "Apache2 install directory")->capture_default_str();
  app.set_version_flag("--version", "zandrel2-install " ZANDREL2_VERSION_TEXT);
  app.set_help_flag("--help,-h", "Print this help message and exit (also /?)");
  app.footer(kHelpFooter);
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
    app.exit(error);
    return kExitUsage;
  }

  g_cdPath.Format("%s", cdPath);
  ConsoleNotices notices;
  InstallDetails details;
  const InstallOutcome outcome = RunInstallRequest(installDir, notices, &details);
  FlushTrace();
  ExplainFailure(details);
  if (const int lost = TraceWriteError(); lost != 0) {
    Explain(std::string("the trace could not be written to standard output: ") + std::strerror(lost));
    if (outcome == InstallOutcome::kInstalled) return kExitTraceLost;
  }
  switch (outcome) {
    case InstallOutcome::kInstalled:
      return kExitInstalled;
    case InstallOutcome::kPreparationFailed:
      return kExitPreparationFailed;
    case InstallOutcome::kCopyFailed:
      return kExitCopyFailed;
  }
  return kExitPreparationFailed;
}
