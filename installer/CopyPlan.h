// The copy plan: five CD folders, each copied flat into the catalog tree, with one
// trace line for every directory entry visited.
#pragma once

#include "installer/ComposedPath.h"

// A path of the plan, composed in a buffer of 288 bytes.
using PlanPath = BoundedPath<288>;

// Runs the five plan steps in order; returns the number of regular files that
// failed to copy.
int CopyCatalog();

// Copies every entry directly inside `source` into `destination`, creating the
// destination first; returns the number of regular files that failed to copy.
int CopyFolder(const PlanPath& destination, const PlanPath& source);
