#include "installer/InstallContext.h"

BoundedPath<256> g_cdPath;
BoundedPath<7> g_catalogId;
std::string g_catalogRoot;
std::array<char, kMaxPath> g_browsePath{};

void SetCatalogRoot(std::string_view installDir) {
  g_catalogRoot = installDir;
  g_catalogRoot += "\\htdocs";
  g_catalogRoot += "\\Catalogs";
}
