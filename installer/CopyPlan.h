// The copy plan: five CD folders, each copied flat into the catalog tree, with one
// trace line for every directory entry visited.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installer/ComposedPath.h"
#include "installer/FileServices.h"

class InstallProgress;

// The text a target folder that cannot be created leaves: in the trace where the plan
// creates one, and as the notice where the install request prepares one.
inline constexpr const char* kFolderNotCreatedText = "ERR-01 Fial to Create Derectory.";

// A path of the plan, composed in a buffer of 288 bytes.
using PlanPath = BoundedPath<288>;

// An entry of the catalog that was left out: a file that failed to copy, or a folder
// that could not be searched or listed to its end; with the error the trace shows.
struct LeftOut {
  std::string path;
  unsigned long error = 0;
  // Where a path was too long: the one (the copy's, else the CD's) and by how many
  // characters (bytes of its buffer, or UTF-16 units of a file call).
  std::string tooLong;
  std::size_t excess = 0;
};
// The first entries left out, as many as a front end shows.
struct LeftOutList {
  static constexpr std::size_t kListed = 100;
  std::vector<LeftOut> first;
  void Add(LeftOut entry) {
    if (first.size() < kListed) first.push_back(std::move(entry));
  }
};

// Runs the five plan steps in order; returns the number of regular files that
// failed to copy. With `progress`, each file is reported to it, and a stop it asks
// for ends the copy within a piece of the file being copied, which is abandoned whole,
// with no trace for what is left after that file's line.
int CopyCatalog(InstallProgress* progress = nullptr, LeftOutList* leftOut = nullptr);

// True where `folder` is one of the CD folders the copy plan copies from, for the CD
// root g_cdPath: a file written there would be read back as part of the catalog.
bool IsCopiedFrom(const files::FolderIdentity& folder);

// What the copy plan will copy, from the same listings the copy reads: the files
// (every entry but folders) and their bytes. Writes no trace.
using CatalogTotals = files::EntryTally;
// A stop that `progress` asks for ends the count after the folder being counted.
CatalogTotals ScanCatalog(const InstallProgress* progress = nullptr);

// Copies every entry directly inside `source` into `destination`, creating the
// destination first; returns the number of regular files that failed to copy. A
// source folder that is not there counts as a failure only where `cdRoot` is given and
// is no longer the folder it was when the copy began: the disc was taken out.
struct CdRoot {
  const char* path;
  files::FolderIdentity atStart;
};
int CopyFolder(const PlanPath& destination, const PlanPath& source, InstallProgress* progress = nullptr,
               const CdRoot* cdRoot = nullptr, LeftOutList* leftOut = nullptr);
