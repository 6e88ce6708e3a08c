// The install context: the state that the install dialog and the installer share.
// It lives from process start to exit, starts empty and is never saved.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "installer/ComposedPath.h"
#include "installer/PathCalls.h"

// The CD root, as the CD field or chooser last gave it.
extern BoundedPath<256> g_cdPath;
// The six-byte catalog ID, derived from the CD's frame page at each install request.
extern BoundedPath<7> g_catalogId;
// The folder the catalog goes into: install dir + "\htdocs" + "\Catalogs".
extern std::string g_catalogRoot;
// The folder choosers' shared result, as long as the platform's longest path.
extern std::array<char, kMaxPath> g_browsePath;

// The catalog-root rule: the install directory text followed by the two suffixes,
// nothing trimmed or checked.
void SetCatalogRoot(std::string_view installDir);
