#include "installer/CopyPlan.h"

#include <algorithm>
#include <optional>

#include "installer/FolderCopy.h"
#include "installer/InstallContext.h"
#include "installer/InstallProgress.h"
#include "installer/PathCalls.h"
#include "installer/TextEncoding.h"
#include "installer/Trace.h"

namespace {

// A folder copy's pattern and file paths are composed in buffers of 256 bytes.
using EntryPath = BoundedPath<256>;

// Source formats take the CD root; destination formats the catalog root and ID.
struct CopyStep {
  const char* sourceFormat;
  const char* destinationFormat;
};

// Steps 3 and 4 create their folders inside the HTML folder that step 2 creates,
// and folders are created one level at a time: the order matters.
constexpr CopyStep kCopyPlan[] = {
    {"%s\\INST_FP\\", "%s"},
    {"%s\\FP\\HTML\\", "%s\\%s\\HTML"},
    {"%s\\FP\\HTML\\guide_img\\", "%s\\%s\\HTML\\guide_img"},
    {"%s\\FP\\HTML\\QXT905_app_jpeg\\", "%s\\%s\\HTML\\QXT905_app_jpeg"},
    {"%s\\FP\\jpg\\", "%s\\%s\\jpg"},
};

PlanPath SourceOf(const CopyStep& step) {
  PlanPath source;
  source.Format(step.sourceFormat, g_cdPath);
  return source;
}

bool CdStillThere(const CdRoot* cdRoot) {
  if (cdRoot == nullptr) return true;
  const std::optional<files::FolderIdentity> now = IdentifyFolderAt(cdRoot->path);
  return now && *now == cdRoot->atStart;
}

bool StopsHere(InstallProgress* progress) {
  if (progress == nullptr || !progress->StopRequested()) return false;
  progress->MarkStopped();
  return true;
}

}  // namespace

int CopyCatalog(InstallProgress* progress, LeftOutList* leftOut) {
  // The CD root as it is now, to tell a folder the CD lacks from one gone with the disc.
  const std::optional<files::FolderIdentity> cdAtStart = IdentifyFolderAt(g_cdPath.Text());
  const CdRoot cdRoot{g_cdPath.c_str(), cdAtStart.value_or(files::FolderIdentity{})};
  int failures = 0;
  for (const CopyStep& step : kCopyPlan) {
    PlanPath destination;
    destination.Format(step.destinationFormat, g_catalogRoot, g_catalogId);
    failures += CopyFolder(destination, SourceOf(step), progress, cdAtStart ? &cdRoot : nullptr, leftOut);
    if (progress != nullptr && progress->Stopped()) break;
  }
  return failures;
}

bool IsCopiedFrom(const files::FolderIdentity& folder) {
  for (const CopyStep& step : kCopyPlan) {
    if (IdentifyFolderAt(SourceOf(step).Text()) == folder) return true;
  }
  return false;
}

CatalogTotals ScanCatalog(const InstallProgress* progress) {
  CatalogTotals totals;
  for (const CopyStep& step : kCopyPlan) {
    if (progress != nullptr && progress->StopRequested()) break;
    EntryPath pattern;
    // A pattern that does not fit finds nothing to copy either.
    if (pattern.Format("%s\\*", SourceOf(step))) TallyEntriesAt(pattern, totals);
  }
  return totals;
}

int CopyFolder(const PlanPath& destination, const PlanPath& source, InstallProgress* progress,
               const CdRoot* cdRoot, LeftOutList* leftOut) {
  const auto leaveOut = [leftOut](const char* path, unsigned long error, const ComposedPath* destination = nullptr,
                                   const ComposedPath* sourcePath = nullptr) {
    if (leftOut == nullptr) return 1;
    LeftOut entry{path, error, {}, 0};
    // A path too long is named with the excess, the copy's first: an install folder
    // deep down is the common cause.
    if (error == files::kErrorFilenameTooLong) {
      for (const ComposedPath* tooLong : {destination, sourcePath}) {
        if (tooLong == nullptr) continue;
        const std::size_t excess = PathLimitExcess(*tooLong);
        if (excess == 0) continue;
        entry.tooLong = tooLong->Text();
        entry.excess = excess;
        break;
      }
    }
    leftOut->Add(std::move(entry));
    return 1;
  };
  if (StopsHere(progress)) return 0;
  if (!CreateFolderAt(destination)) Trace("%s", kFolderNotCreatedText);

  EntryPath pattern;
  pattern.Format("%s\\*", source);
  files::FoundEntry entry;
  files::SearchHandle search = FindFirstAt(pattern, entry);
  if (!search) {
    const unsigned long error = files::LastError();
    Trace("ERR-03(%lu)  Source Derectory is Empty. :%d\n", error, 0);
    // A CD may lack a folder, and that is a clean install; a folder that is there but
    // cannot be read, or is gone with the disc, leaves its files out: a failure.
    const bool missing = error == files::kErrorFileNotFound || error == files::kErrorPathNotFound;
    return missing && CdStillThere(cdRoot) ? 0 : leaveOut(source.c_str(), error);
  }

  FolderCopy folderCopy(source.Text(), destination.Text());
  int failures = 0;
  do {
    // A stop ends the copy between two entries: the file before is whole, and the
    // entries after leave no trace.
    if (StopsHere(progress)) return failures;
    EntryPath sourceFile;
    sourceFile.Format("%s\\%s", source, entry.name);
    EntryPath destinationFile;
    destinationFile.Format("%s\\%s", destination, entry.name);
    if (progress != nullptr && !entry.isFolder) progress->StartFile(sourceFile.c_str());
    Trace("copy %s to %s. \n", sourceFile.c_str(), destinationFile.c_str());
    // Folders, "." and ".." fail to copy by nature; any other entry's failure is news,
    // links and special files included, so that nothing is left out in silence.
    std::uint64_t bytesCopied = 0;
    // A stop abandons the file being copied: it is discarded whole, and the file it
    // would have replaced stays as it was.
    const files::CopyWatch watch = [progress](std::uint64_t bytesSoFar) {
      progress->CopyingFile(bytesSoFar);
      return !progress->StopRequested();
    };
    const bool copied =
        entry.unnamable == 0 && folderCopy.CopyFile({entry.name, entry.name, sourceFile, destinationFile}, bytesCopied,
                                                    progress != nullptr ? &watch : nullptr);
    if (!copied && entry.unnamable == 0 && files::LastError() == files::kErrorCancelled && StopsHere(progress)) {
      progress->CopyingFile(0);
      return failures;
    }
    if (!copied && !entry.isFolder) {
      const unsigned long error = entry.unnamable != 0 ? entry.unnamable : files::LastError();
      Trace("ERR-05(%lu)  File Copy Error. :%s\n", error, sourceFile.c_str());
      failures += leaveOut(sourceFile.c_str(), error, &destinationFile, &sourceFile);
    }
    if (progress != nullptr && !entry.isFolder) progress->FinishFile(copied ? bytesCopied : 0, copied);
  } while (files::FindNext(*search, entry));

  const unsigned long searchEnd = files::LastError();
  search.reset();
  if (searchEnd != files::kErrorNoMoreFiles) {
    Trace("ERR-04(%lu)  File Copy Error. :%d\n", searchEnd, 0);
    failures += leaveOut(source.c_str(), searchEnd);
  }
  return failures;
}
