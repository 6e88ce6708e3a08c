#include <windows.h>

#include "installer/StandardOutput.h"

namespace output {

bool PrepareStandardOutput() {
  // Without a standard output, as usual for a window program, the runtime drops
  // what is written; a console gets each trace call at once.
  const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR;
}

// Standard output stays in text mode, as the runtime opens it.
bool TranslatesLineFeeds() { return true; }

}  // namespace output
