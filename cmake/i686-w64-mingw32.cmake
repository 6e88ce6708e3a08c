# Cross-building the 32-bit Windows programs with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZANDREL2_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
