#!/usr/bin/env bash
# Sets up and runs every test: the packages, the build and its tests, the Debian
# package, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, the
# 64-bit and 32-bit Windows builds and their tests under Wine (the 32-bit ones through a
# private qemu-user where the host cannot run 32-bit code), the fuzz targets, and
# clang-tidy.
#
#   test-all.sh            every stage, in order
#   test-all.sh STAGE...   those stages only, in the order given: graph native release
#                          debian package sanitize win64 win32 guides fuzz tidy
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Each stage's heading says how long the run has taken so far, minutes and seconds.
stage() { printf '== %s (%d:%02d)\n' "$*" $((SECONDS / 60)) $((SECONDS % 60)); }

all_stages=(graph native release debian package sanitize win64 win32 guides fuzz tidy)
stages=("$@")
((${#stages[@]} > 0)) || stages=("${all_stages[@]}")
for name in "${stages[@]}"; do
  [[ " ${all_stages[*]} " == *" $name "* ]] || { echo "test-all.sh: no stage $name (${all_stages[*]})" >&2; exit 2; }
done

# Builds one Windows preset (win32, win64) and runs its tests under Wine, in a prefix
# of the programs' word size; with "build-only", only the tests that need no Wine.
windows_suite() {
  local preset=$1 mode=${2:-} wine_home status=0
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  if [[ $mode == build-only ]]; then
    ctest --preset "$preset" --label-exclude wine
    return
  fi
  wine_home=$(mktemp -d)
  chmod 755 "$wine_home"
  export WINEPREFIX=$wine_home/prefix
  # D: is a CD-ROM drive holding the sample catalog; tests that need another CD remap it.
  tools/make-sample-cd.py "$wine_home/cd"
  tools/wine-prefix.sh "$preset" "$WINEPREFIX" "$wine_home/cd" --for-tests
  # Wine's background services must not inherit ctest's output pipes: start them first.
  wineserver -p
  tools/wine.sh cmd /c exit </dev/null >/dev/null 2>&1
  ctest --preset "$preset" || status=$?
  wineserver -k || true
  unset WINEPREFIX
  rm -rf "$wine_home"
  return "$status"
}

stage_graph() {
  stage "the include graph: every arrow down the layers"
  tools/include-graph.py
}

stage_native() {
  stage "build and test"
  cmake --preset default
  cmake --build --preset default
  ctest --preset default
}

stage_release() {
  stage "a packager's build: Release without the presets, warnings shown but no errors"
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-release
}

stage_debian() {
  stage "Debian's own build: the flags of dpkg-buildflags (hardening, fortify), warnings shown"
  (
    eval "$(dpkg-buildflags --export=sh)"
    cmake -S . -B build-debian -G Ninja -DCMAKE_BUILD_TYPE=None -DZANDREL2_BUILD_TESTS=OFF >/dev/null
    cmake --build build-debian
  )
}

stage_package() {
  stage "the Debian package: cpack, lintian, dpkg -i, run, dpkg -r"
  bash tests/package_test.sh build
}

stage_sanitize() {
  stage "build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake --preset sanitize
  cmake --build --preset sanitize
  ctest --preset sanitize
}

stage_win64() {
  stage "the 64-bit Windows programs: build with mingw-w64, test under Wine"
  windows_suite win64
}

stage_win32() {
  stage "the 32-bit Windows programs: build with mingw-w64, test under Wine"
  # Some hosts' kernels cannot run 32-bit x86 code at all: there the whole suite runs
  # again in the namespace of tools/run-32bit.sh, where qemu-user runs it.
  if probe=$(/usr/lib/wine/wine --version 2>&1); then
    echo "32-bit probe: $probe"
    windows_suite win32
  elif runner=$(tools/run-32bit.sh /usr/lib/wine/wine --version 2>&1); then
    echo "32-bit programs run through qemu-user (tools/run-32bit.sh): $runner"
    tools/run-32bit.sh tools/test-all.sh win32
  else
    echo "32-bit Windows tests skipped: this host cannot run 32-bit x86 programs" \
      "(/usr/lib/wine/wine --version: ${probe##*: }), nor run them through qemu-user" \
      "(tools/run-32bit.sh: ${runner##*: }); building and reading back the 32-bit programs only"
    windows_suite win32 build-only
  fi
}

stage_guides() {
  stage "the README's commands, pasted as a newcomer would (Debian's own Apache2 as root)"
  bash tests/guide_test.sh || (($? == 77))
}

stage_fuzz() {
  stage "fuzz the path mapping, the wildcard matcher and the catalog-ID cut"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZANDREL2_WARNINGS_AS_ERRORS=ON \
    -DZANDREL2_SANITIZE=ON -DZANDREL2_FUZZ=ON -DZANDREL2_BUILD_TESTS=OFF >/dev/null
  cmake --build build-fuzz --target path_mapping_fuzzer wildcard_fuzzer catalog_id_fuzzer
  fuzz/run-fuzzers.sh build-fuzz/bin 10
}

stage_tidy() {
  stage "clang-tidy"
  run-clang-tidy -quiet -p build "$root/(installer|frontend|platform|framework|res|tests|Zandrel2)" >build/clang-tidy.log 2>&1 \
    || { grep -E "(warning|error):" build/clang-tidy.log; exit 1; }
  # The Windows build's own sources (the Win32 ports, and the files with Windows branches)
  # from its compile database, clang told the target and given mingw-w64's C++ headers.
  mingw_gcc=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
  run-clang-tidy -quiet -p build-win64 -extra-arg=--target=x86_64-w64-mingw32 -extra-arg=-nostdinc++ \
    -extra-arg="-isystem$mingw_gcc/include/c++" -extra-arg="-isystem$mingw_gcc/include/c++/x86_64-w64-mingw32" \
    -extra-arg="-isystem$mingw_gcc/include/c++/backward" \
    "$root/(platform/win32/.*|Zandrel2Install|installer/(InstallLog|FolderCopy)|tests/(Win32FileServicesTest|FolderCopyTest|InstallerTest|SandboxDrives))\.cpp\$" \
    >build-win64/clang-tidy.log 2>&1 || { grep -E "(warning|error):" build-win64/clang-tidy.log; exit 1; }
  echo "clang-tidy: no findings"
}

tools/setup.sh

# The programs' logs of the test installs go to a folder of this run, not the user's.
XDG_STATE_HOME=$(mktemp -d)
export XDG_STATE_HOME
trap 'rm -rf "$XDG_STATE_HOME"' EXIT

for name in "${stages[@]}"; do
  "stage_$name"
done
if ((${#stages[@]} == ${#all_stages[@]})); then stage "all tests passed"; else stage "stages passed: ${stages[*]}"; fi
