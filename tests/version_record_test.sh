#!/usr/bin/env bash
# The Windows programs' resources, read back from the executables with the mingw-w64
# tools of their word size: the application icon with its three images, the version
# record (one version, each program's own description and names) and the manifest
# (run as the invoking user, the supported systems; for the dialog program also the
# themed common controls and per-monitor DPI awareness), all marked Japanese; and
# nothing imported but the system's DLLs.
#
#   version_record_test.sh TRIPLET DIALOG_PROGRAM COMMAND_LINE_PROGRAM
#   (TRIPLET: i686-w64-mingw32 or x86_64-w64-mingw32)
set -euo pipefail
(($# == 3)) || { echo "usage: $0 TRIPLET DIALOG_PROGRAM COMMAND_LINE_PROGRAM" >&2; exit 2; }
triplet=$1
failures=0

both=(
  'LANGUAGE 17, 1'
  '"\040\040\020\000", 1, 4,'
  '"\020\020\020\000", 1, 4,'
  '"\040\040\000\000", 1, 8,'
  'FILEVERSION 1, 0, 0, 1'
  'PRODUCTVERSION 1, 0, 0, 1'
  'BLOCK "041104b0"'
  'VALUE "CompanyName", ""'
  'VALUE "FileVersion", "1, 0, 0, 1"'
  'VALUE "ProductName", L"Zandrel2 \xff71\xff8c\xff9f\xff98\xff79\xff70\xff7c\xff6e\xff9d"'
  'VALUE "ProductVersion", "1, 0, 0, 1"'
  'VALUE "Translation", 0x411, 1200'
  '1 24 /* RT_MANIFEST */'
  'version=""1.0.0.1""'
  '<requestedExecutionLevel level=""asInvoker"" uiAccess=""false""/>'
  '<supportedOS Id=""{35138b9a-5d96-4fbd-8e2d-a2440225f93a}""/>'
  '<supportedOS Id=""{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}""/>'
  '<supportedOS Id=""{1f676c76-80e1-4239-95bb-83d0f6d0da78}""/>'
  '<supportedOS Id=""{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}""/>'
)
dialog=(
  'VALUE "FileDescription", L"Zandrel2 MFC \xff71\xff8c\xff9f\xff98\xff79\xff70\xff7c\xff6e\xff9d"'
  'VALUE "InternalName", "Zandrel2"'
  'VALUE "OriginalFilename", "Zandrel2.EXE"'
  'name=""Microsoft.Windows.Common-Controls"" version=""6.0.0.0""'
  '>PerMonitorV2, PerMonitor</dpiAwareness>'
)
command_line=(
  'VALUE "FileDescription", L"Zandrel2 \xff7a\xff8f\xff9d\xff84\xff9e\xff97\xff72\xff9d \xff72\xff9d\xff7d\xff84\xff70\xff97"'
  'VALUE "InternalName", "zandrel2-install"'
  'VALUE "OriginalFilename", "zandrel2-install.exe"'
)

# check PROGRAM IMPORTS EXPECTED...
check() {
  local program=$1 imports_expected=$2 resources imports
  shift 2
  resources=$("$triplet-windres" -i "$program" -O rc)
  for expected in "$@"; do
    grep -qF -- "$expected" <<<"$resources" || { echo "FAIL: $(basename "$program"): no $expected" >&2; failures=$((failures + 1)); }
  done
  imports=$("$triplet-objdump" -p "$program" | sed -n 's/.*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
  [[ "$imports" == "$imports_expected" ]] || { echo "FAIL: $(basename "$program") imports $imports" >&2; failures=$((failures + 1)); }
}

check "$2" "COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL SHELL32.DLL USER32.DLL WINHTTP.DLL " "${both[@]}" "${dialog[@]}"
# The command line opens the catalog through the shell (--open).
check "$3" "KERNEL32.DLL MSVCRT.DLL OLE32.DLL SHELL32.DLL WINHTTP.DLL " "${both[@]}" "${command_line[@]}"
# The command-line program needs no themed controls and declares none.
if "$triplet-windres" -i "$3" -O rc | grep -qF 'Common-Controls'; then
  echo "FAIL: $(basename "$3") asks for the common controls" >&2
  failures=$((failures + 1))
fi
exit $((failures > 0))
