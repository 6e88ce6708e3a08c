#!/usr/bin/env bash
# Sets up and runs every test: the packages, the build and its tests, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, and clang-tidy.
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

echo "== clang-tidy"
run-clang-tidy -quiet -p build "$root/(installer|platform|framework|res|tests|Zandrel2)" >build/clang-tidy.log 2>&1 \
  || { grep -E "(warning|error):" build/clang-tidy.log; exit 1; }
echo "clang-tidy: no findings"

echo "== all tests passed"
