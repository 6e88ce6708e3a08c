#include "installer/InstallRequest.h"

#include <system_error>
#include <thread>

#include "installer/CopyPlan.h"
#include "installer/FileServices.h"
#include "installer/InstallContext.h"
#include "installer/InstallProgress.h"
#include "installer/TargetPreparation.h"
#include "installer/Trace.h"

void NoteCopied(const InstallProgress::Snapshot& copied, InstallDetails& details) {
  details.filesCopied = copied.filesDone - copied.filesFailed;
  details.filesFailed = copied.filesFailed;
  details.bytesCopied = copied.bytesDone;
  details.elapsed = std::chrono::duration_cast<std::chrono::seconds>(copied.elapsed);
}

InstallOutcome RunInstallRequest(std::string_view installDir, InstallNotices& notices, InstallDetails* details) {
  InstallDetails unused;
  InstallDetails& report = details != nullptr ? *details : unused;
  report = {};
  const auto failedPreparation = [&](InstallDetails::Failed failed, std::string path) {
    report = {};
    report.failed = failed;
    report.path = std::move(path);
    report.error = files::LastError();
    notices.ShowNotice(kPreparationFailedNotice);
    return InstallOutcome::kPreparationFailed;
  };

  SetCatalogRoot(installDir);
  // A root created before a later failure stays: nothing is rolled back.
  if (PrepareCatalogRoot() != 0) return failedPreparation(InstallDetails::Failed::kCatalogRoot, g_catalogRoot);
  switch (PrepareCatalogFolder()) {
    case 0:
      break;
    case -1:
      return failedPreparation(InstallDetails::Failed::kFramePage, g_cdPath.Text());
    default:
      return failedPreparation(InstallDetails::Failed::kCatalogFolder, CatalogFolder());
  }
  notices.ShowNotice(kStartNotice);
  bool stopped = false;
  notices.WaitForCopy([&](InstallProgress* progress) {
    // The catalog is counted beside the copy, on a thread of its own, so that the
    // totals cost the copy next to nothing; they come long before the copy's end.
    std::jthread counting;
    if (progress != nullptr) {
      progress->Start();
      if (progress->WantsTotals()) {
        try {
          counting = std::jthread([progress] {
            const CatalogTotals totals = ScanCatalog(progress);
            progress->SetTotals(totals.files, totals.bytes);
          });
        } catch (const std::system_error&) {
          // No thread to be had (a process limit, little memory): the copy goes on
          // without totals.
        }
      }
    }
    report.copyFailures = CopyCatalog(progress, &report.leftOut);
    if (progress == nullptr) return;
    stopped = progress->Stopped();
    NoteCopied(progress->Read(), report);
  });
  // What was copied before a stop stays; the next install completes the catalog.
  if (stopped) {
    // A later log appended to the trace must not continue its last line.
    EndTraceLine();
    notices.ShowNotice(kStoppedNotice);
    return InstallOutcome::kStopped;
  }
  if (report.copyFailures != 0) {
    notices.ShowNotice(kCopyFailedNotice);
    return InstallOutcome::kCopyFailed;
  }
  notices.FinishWithOk();
  return InstallOutcome::kInstalled;
}
