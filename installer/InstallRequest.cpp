#include "installer/InstallRequest.h"

#include "installer/CopyPlan.h"
#include "installer/InstallContext.h"
#include "installer/TargetPreparation.h"

InstallOutcome RunInstallRequest(std::string_view installDir, InstallNotices& notices) {
  SetCatalogRoot(installDir);
  // A root created before a later failure stays: nothing is rolled back.
  if (PrepareCatalogRoot() != 0 || PrepareCatalogFolder() != 0) {
    notices.ShowNotice(kPreparationFailedNotice);
    return InstallOutcome::kPreparationFailed;
  }
  notices.ShowNotice(kStartNotice);
  if (CopyCatalog() != 0) {
    notices.ShowNotice(kCopyFailedNotice);
    return InstallOutcome::kCopyFailed;
  }
  notices.FinishWithOk();
  return InstallOutcome::kInstalled;
}
