// Making sure the two target folders exist before anything is copied: the catalog
// root, and the catalog-ID folder named after the CD's frame page.
#pragma once

#include <string_view>

// 0 when the catalog root exists or was created, -1 when creating it failed.
int PrepareCatalogRoot();

// The CD's frame page: the first entry of this folder of the CD root whose name holds
// this mark.
inline constexpr const char* kFramePageFolder = "FP\\HTML";
inline constexpr const char* kFramePageMark = "fram";

// 0 when the catalog-ID folder exists or was created, -1 when the CD holds no frame
// page, -2 when creating the folder failed. Leaves the ID in g_catalogId once the
// frame page is found.
int PrepareCatalogFolder();

// The catalog ID of a frame page's name: its first six bytes, ending early rather
// than cutting a character in two.
std::string_view CatalogIdOf(std::string_view frameName);
