#include "installer/InstallContext.h"

BoundedPath<256> g_cdPath;
BoundedPath<kCatalogIdBytes + 1> g_catalogId;
std::string g_catalogRoot;
std::array<char, kMaxPath> g_browsePath{};

void SetCatalogRoot(std::string_view installDir) {
  g_catalogRoot = installDir;
  g_catalogRoot += "\\htdocs";
  g_catalogRoot += "\\Catalogs";
}

std::string CatalogFolder() { return g_catalogRoot + "\\" + g_catalogId.Text(); }
