// zandrel2-install: the install request without a window, for scripted and headless
// installs. Notices go to standard error as lines; the trace goes to standard output.
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "installer/InstallContext.h"
#include "installer/InstallRequest.h"
#include "installer/Trace.h"
#include "res/Version.h"

namespace {

enum ExitStatus : int {
  kExitInstalled = 0,
  kExitPreparationFailed = 1,
  kExitCopyFailed = 2,
  kExitUsage = 64,
};

class ConsoleNotices : public InstallNotices {
 public:
  void ShowNotice(const char* text) override { std::fprintf(stderr, "%s\n", text); }
  void FinishWithOk() override {}
};

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
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kExitUsage;
  }

  g_cdPath.Format("%s", cdPath);
  ConsoleNotices notices;
  switch (RunInstallRequest(installDir, notices)) {
    case InstallOutcome::kInstalled:
      return kExitInstalled;
    case InstallOutcome::kPreparationFailed:
      return kExitPreparationFailed;
    case InstallOutcome::kCopyFailed:
      return kExitCopyFailed;
  }
  return kExitPreparationFailed;
}
