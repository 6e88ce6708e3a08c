// Whether the local web server really serves the installed catalog: its front page asked
// for at the catalog's address, and the answer told in the user's terms, with what to do
// when it is not served.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "frontend/CatalogAddress.h"

namespace served {

// How long the server has to answer: a local server answers in milliseconds.
inline constexpr std::chrono::milliseconds kCheckTimeout{3000};

struct Verdict {
  enum class Kind { kServed, kNotServed, kNotChecked };
  Kind kind = Kind::kNotChecked;
  // "served at ADDRESS", "not served: REASON, and what to do", or "not checked: WHY".
  std::string line;
  // The catalog's address the check was about, as the browser is given it.
  std::string address;
};

// Asks the server for the catalog's front page at `place`'s address and compares the
// answer with the installed file. `installDir` is the install directory as the user gave
// it. Ends within kCheckTimeout, and at once where `stopped` says so.
Verdict Check(const address::CatalogPlace& place, const std::string& installDir, const std::function<bool()>& stopped);

}  // namespace served
