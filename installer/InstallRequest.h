// The install request: what "Copy" does. Prepares both target folders, announces
// the install, runs the copy plan, and lets the dialog close.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "installer/CopyPlan.h"
#include "installer/InstallProgress.h"

class InstallProgress;

// How the install request talks to the user; the dialog and the command-line front
// end each implement it.
class InstallNotices {
 public:
  virtual ~InstallNotices() = default;
  // Shows a modal notice with `text` and one OK button, and waits until it is dismissed.
  virtual void ShowNotice(const char* text) = 0;
  // The dialog framework's standard OK ending: re-read the fields, then end with IDOK.
  virtual void FinishWithOk() = 0;
  // Runs the copy to its end, here and unwatched. A front end that shows the copy's
  // progress runs `copy` on one worker thread instead, with a progress it reads
  // meanwhile and may ask to stop, and returns once the copy has ended.
  virtual void WaitForCopy(const std::function<void(InstallProgress*)>& copy) { copy(nullptr); }
};

enum class InstallOutcome {
  kInstalled,          // every file copied; finished with OK
  kPreparationFailed,  // a target folder or the frame page was missing; dialog stays open
  kCopyFailed,         // entries of the catalog were left out (ERR-03, ERR-04, ERR-05); dialog stays open
  kStopped,            // the user stopped the copy before its end; dialog stays open
};

// Why an install request failed, for a front end that explains it.
struct InstallDetails {
  enum class Failed { kNothing, kCatalogRoot, kFramePage, kCatalogFolder };
  Failed failed = Failed::kNothing;
  std::string path;         // the folder that could not be created, or the CD root without a frame page
  unsigned long error = 0;  // the file services' last error then
  int copyFailures = 0;     // entries of the catalog left out
  LeftOutList leftOut;      // the first of them
  // What the copy put in place, where its progress was followed.
  std::uint64_t filesCopied = 0;
  std::uint64_t filesFailed = 0;
  std::uint64_t bytesCopied = 0;
  std::chrono::seconds elapsed{};
};

// Notes in `details` what the copy followed by `copied` put in place.
void NoteCopied(const InstallProgress::Snapshot& copied, InstallDetails& details);

inline constexpr const char* kPreparationFailedNotice = kFolderNotCreatedText;
inline constexpr const char* kStartNotice = "Start to Install.";
inline constexpr const char* kCopyFailedNotice = "ERR-05 File Copy Error.";
inline constexpr const char* kStoppedNotice = "Install stopped.";

// Runs one install request for the install directory the dialog last read; where
// `details` is given, it tells why a request failed.
InstallOutcome RunInstallRequest(std::string_view installDir, InstallNotices& notices,
                                 InstallDetails* details = nullptr);
