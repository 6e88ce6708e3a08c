#!/usr/bin/env bash
# The Windows program's resources, read back from the executable with the mingw-w64
# tools of its own word size: the application icon with its three images and the
# version record, all marked Japanese.
#
#   version_record_test.sh PROGRAM TRIPLET      (TRIPLET: i686-w64-mingw32, x86_64-w64-mingw32)
set -euo pipefail
(($# == 2)) || { echo "usage: $0 PROGRAM TRIPLET" >&2; exit 2; }
resources=$("$2-windres" -i "$1" -O rc)
failures=0
for expected in \
  'LANGUAGE 17, 1' \
  '"\040\040\020\000", 1, 4,' \
  '"\020\020\020\000", 1, 4,' \
  '"\040\040\000\000", 1, 8,' \
  'FILEVERSION 1, 0, 0, 1' \
  'PRODUCTVERSION 1, 0, 0, 1' \
  'BLOCK "041104b0"' \
  'VALUE "CompanyName", ""' \
  'VALUE "FileDescription", L"Zandrel2 MFC \xff71\xff8c\xff9f\xff98\xff79\xff70\xff7c\xff6e\xff9d"' \
  'VALUE "FileVersion", "1, 0, 0, 1"' \
  'VALUE "InternalName", "Zandrel2"' \
  'VALUE "OriginalFilename", "Zandrel2.EXE"' \
  'VALUE "ProductName", L"Zandrel2 \xff71\xff8c\xff9f\xff98\xff79\xff70\xff7c\xff6e\xff9d"' \
  'VALUE "ProductVersion", "1, 0, 0, 1"' \
  'VALUE "Translation", 0x411, 1200'; do
  grep -qF -- "$expected" <<<"$resources" || { echo "FAIL: no $expected" >&2; failures=$((failures + 1)); }
done
# Nothing but the system's DLLs.
imports=$("$2-objdump" -p "$1" | sed -n 's/.*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
[[ "$imports" == "KERNEL32.DLL MSVCRT.DLL OLE32.DLL SHELL32.DLL USER32.DLL " ]] || { echo "FAIL: imports $imports" >&2; failures=$((failures + 1)); }
exit $((failures > 0))
