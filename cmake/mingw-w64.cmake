# What both mingw-w64 toolchains share; each sets ZANDREL2_MINGW_TRIPLET first. The
# posix thread model gives the standard library's threads that GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZANDREL2_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZANDREL2_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZANDREL2_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZANDREL2_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Whatever runs a Windows program of this build runs it under the Wine loader of its
# own word size.
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_CURRENT_LIST_DIR}/../tools/wine.sh)
