#!/usr/bin/env bash
# Sets up and runs every test: the packages, the build and its tests, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows build and its
# tests under Wine, and clang-tidy.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup.sh

echo "== build and test"
cmake --preset default
cmake --build --preset default
ctest --preset default

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

echo "== the Windows programs: build with mingw-w64, test under Wine"
cmake --preset win32
cmake --build --preset win32
wine_home=$(mktemp -d)
chmod 755 "$wine_home"
export WINEPREFIX=$wine_home/prefix
# D: is a CD-ROM drive holding the sample catalog; tests that need another CD remap it.
tools/make-sample-cd.py "$wine_home/cd"
tools/wine-prefix.sh "$WINEPREFIX" "$wine_home/cd"
# Wine's background services must not inherit ctest's output pipes: start them first.
wineserver -p
WINEDEBUG=-all wine cmd /c exit </dev/null >/dev/null 2>&1
status=0
ctest --preset win32 || status=$?
wineserver -k || true
unset WINEPREFIX
rm -rf "$wine_home"
((status == 0)) || exit "$status"

echo "== fuzz the path mapping, the wildcard matcher and the catalog-ID cut"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZANDREL2_SANITIZE=ON -DZANDREL2_FUZZ=ON -DZANDREL2_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target path_mapping_fuzzer wildcard_fuzzer catalog_id_fuzzer
fuzz/run-fuzzers.sh build-fuzz/bin 20

echo "== clang-tidy"
run-clang-tidy -quiet -p build "$root/(installer|platform|framework|res|tests|Zandrel2)" >build/clang-tidy.log 2>&1 \
  || { grep -E "(warning|error):" build/clang-tidy.log; exit 1; }
echo "clang-tidy: no findings"

echo "== all tests passed"
