// The port's one service for the trace: a standard output that is safe to write to.
#pragma once

#include <string>
#include <string_view>

namespace output {

// Gives each standard stream the process was started without a sink that drops what
// it is given, so no file the installer opens can take a stream's place, and has
// failed writes reported rather than ending the process; true when standard output
// is an interactive terminal.
bool PrepareStandardOutput();

// The errno value that names why the write to standard output that just failed did:
// a reader gone is EPIPE on every platform; 0 where the process has no standard
// output, whose text is dropped without a word.
int WriteErrorNumber();

// True where the runtime's text-mode output already turns each line feed into CR LF.
bool TranslatesLineFeeds();

// Writes `text` (the narrow encoding) and a line end to standard error, so that a
// console shows it in the characters meant, whatever its own code page.
void WriteErrorLine(std::string_view text);

// The folder of the installs' logs, their own: on Linux $XDG_STATE_HOME/zandrel2
// (~/.local/state/zandrel2 unless set), on Windows zandrel2 in the user's temporary
// folder, as installers there do. Empty, with the reason in `whyNone`, where there is
// none (on Linux, neither an absolute XDG_STATE_HOME nor an absolute HOME).
std::string LogFolder(std::string& whyNone);

}  // namespace output
