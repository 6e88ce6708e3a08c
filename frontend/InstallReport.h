// What an install did, and why one failed, in words: the same for the command line's
// lines and the window program's outcome window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "installer/InstallRequest.h"

namespace report {

// The path and, where the system knows it by another name, that name:
// "C:\Apache2 (/srv/apache2)", or "X:\ (its drive is not mapped)"; a Linux path once,
// as Linux writes it.
std::string Named(const std::string& path);

// Why the target folders could not be prepared: which folder, the system's reason and
// the fix (the drive that is not mapped, the folder that does not exist). Empty where
// preparation did not fail.
std::string PreparationProblem(const InstallDetails& details);

// Which front end says it, and so which way the user takes to fix it.
enum class FrontEnd { kWindow, kCommandLine };

// The commonest preparation failures in the user's terms, with the next step: no catalog
// CD in the CD root, or an install folder without htdocs, so not Apache2's folder. The
// window names "Browse", the command line its option (--cd, --install-dir). Empty for
// the other failures, which PreparationProblem words alone.
std::string WhatToDo(const InstallDetails& details, FrontEnd frontEnd);

// One line: how many entries were left out, the first three with the system's reason,
// then a count of the rest.
std::string LeftOutSummary(const InstallDetails& details);

// The entries left out, one line each with the system's reason (the first 100), then
// "and N more" where there were more.
std::vector<std::string> LeftOutLines(const InstallDetails& details);

// A path as people read it: the copy plan's doubled separators shown once, and a Linux
// path with Linux's separators.
std::string Readable(std::string_view path);

// The catalog folder, and where the system keeps it under another name, that too: one
// line each, CR LF between them.
std::string FolderLines();

// "37 files, 1.2 MB, in 0:03": what the copy put in place.
std::string CopiedText(const InstallDetails& details);

}  // namespace report
