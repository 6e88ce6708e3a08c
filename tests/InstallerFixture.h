// A sandbox drive map and an empty install context for each installer test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "installer/InstallContext.h"
#include "tests/SandboxDrives.h"

class InstallerFixture : public ::testing::Test {
 protected:
  InstallerFixture() {
    g_cdPath.Format("%s", "");
    g_catalogId.Format("%s", "");
    g_catalogRoot.clear();
  }

  // The trace as captured: `lines` with each line feed turned into CR LF. On Windows
  // the capture is read back in text mode, which turns CR LF into a line feed again.
  static std::string CrLf(std::string_view lines) {
#ifdef _WIN32
    return std::string(lines);
#else
    std::string text;
    for (const char c : lines) {
      if (c == '\n') text += '\r';
      text += c;
    }
    return text;
#endif
  }

  SandboxDrives drives;
};
