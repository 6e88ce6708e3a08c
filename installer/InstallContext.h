// The install context: the state that the install dialog and the installer share.
// It lives from process start to exit, starts empty and is never saved.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "installer/ComposedPath.h"
#include "installer/PathCalls.h"

// The CD root, as the CD field or chooser last gave it.
extern BoundedPath<256> g_cdPath;
// The catalog ID, derived from the CD's frame page at each install request: its first
// six bytes, no character cut.
inline constexpr std::size_t kCatalogIdBytes = 6;
extern BoundedPath<kCatalogIdBytes + 1> g_catalogId;
// The folder the catalogs go into: install dir + "\htdocs" + "\Catalogs".
extern std::string g_catalogRoot;
// The catalog's own folder in it: g_catalogRoot + "\" + g_catalogId.
std::string CatalogFolder();
// The folder choosers' shared result, as long as the platform's longest path.
extern std::array<char, kMaxPath> g_browsePath;

// The catalog-root rule: the install directory text followed by the two suffixes,
// nothing trimmed or checked.
void SetCatalogRoot(std::string_view installDir);
