// The error numbers as the README's companion documents them, held against the code:
// every number the port reports has its row, and every errno the table names maps to
// its row's number, and no other errno does.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "installer/ErrorCodes.h"
#include "platform/posix/ErrorMapping.h"

namespace {

struct DocumentedError {
  std::set<std::string> errnoNames;
};

// The rows of docs/behaviour.md's error table, by number.
std::map<unsigned long, DocumentedError> DocumentedErrors() {
  std::ifstream document(ZANDREL2_SOURCE_DIR "/docs/behaviour.md");
  std::map<unsigned long, DocumentedError> rows;
  const std::regex row(R"(^\| (\d+) \| [^|]+ \| ([A-Z, ]*)\|$)");
  for (std::string line; std::getline(document, line);) {
    std::smatch match;
    if (!std::regex_match(line, match, row)) continue;
    DocumentedError& error = rows[std::stoul(match[1])];
    std::istringstream names(match[2]);
    for (std::string name; std::getline(names >> std::ws, name, ',');) {
      while (!name.empty() && name.back() == ' ') name.pop_back();
      if (!name.empty()) error.errnoNames.insert(name);
    }
  }
  return rows;
}

TEST(ErrorTable, TheDocumentationListsEveryNumberAndItsErrnoValues) {
  const std::map<unsigned long, DocumentedError> documented = DocumentedErrors();
  ASSERT_FALSE(documented.empty()) << "no error table in docs/behaviour.md";
  // Every number the trace can show has its row; success and a stop never show.
  for (const files::ErrorDescription& error : files::kErrorDescriptions) {
    if (error.code == files::kErrorSuccess || error.code == files::kErrorCancelled) continue;
    EXPECT_TRUE(documented.contains(error.code)) << error.name << " has no row";
  }
  for (const auto& [code, row] : documented) {
    EXPECT_NE(files::TableText(code), "Error " + std::to_string(code) + ".") << code << " has no name in the code";
  }
  // Each errno value maps to the row that names it, and one no row names to 31.
  for (int value = 1; value < 134; ++value) {
    const char* name = strerrorname_np(value);
    if (name == nullptr) continue;
    unsigned long expected = files::kErrorGeneralFailure;
    for (const auto& [code, row] : documented) {
      if (row.errnoNames.contains(name)) expected = code;
    }
    EXPECT_EQ(posix::Win32ErrorFromErrno(value), expected) << name;
  }
}

}  // namespace
