#!/usr/bin/env bash
# Prepares a Wine prefix for the Windows programs' tests, without prompts or
# downloads, for the 32-bit programs (win32) or the 64-bit ones (win64): drive D: is a
# CD-ROM drive mapped to CD_FOLDER, and the Japanese fonts the programs and Wine's own
# window parts name for code page 932 (the dialogs' "ＭＳ Ｐゴシック", the menus' and
# captions' "MS UI Gothic") are Debian's IPAPGothic. Run the programs with
# tools/wine.sh and LC_ALL=ja_JP.UTF-8 (code page 932).
#
#   wine-prefix.sh win32|win64 PREFIX CD_FOLDER [--for-tests]
#
# --for-tests marks the prefix as the tests' own: they change its drive D: and
# C:\Apache2, and refuse to run in a prefix without the mark.
set -euo pipefail
if ! { (($# == 3)) || { (($# == 4)) && [[ $4 == --for-tests ]]; }; } || [[ $1 != win32 && $1 != win64 ]]; then
  echo "usage: $0 win32|win64 PREFIX CD_FOLDER [--for-tests]" >&2
  exit 2
fi
tools=$(cd "$(dirname "$0")" && pwd)
export WINEARCH=$1 WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ $WINEARCH == win64 ]]; then export WINELOADER=/usr/lib/wine/wine64; else export WINELOADER=/usr/lib/wine/wine; fi
mkdir -p "$WINEPREFIX" "$3"
# Wine's first start sets the prefix up; no display is needed for that.
DISPLAY= "$WINELOADER" wineboot -i >/dev/null 2>&1
wineserver -w
ln -sfn "$(cd "$3" && pwd)" "$WINEPREFIX/dosdevices/d:"
# regedit reads a UTF-16 file as Unicode, so the Japanese font names survive.
cat <<'REG' | iconv -f UTF-8 -t UTF-16 >"$WINEPREFIX/zandrel2.reg"
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"d:"="cdrom"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"
"ＭＳ ゴシック"="IPAPGothic"
"MS Gothic"="IPAPGothic"
REG
"$tools/wine.sh" regedit /S "Z:$(echo "$WINEPREFIX/zandrel2.reg" | tr / '\\')" >/dev/null 2>&1
wineserver -w
if [[ ${4:-} == --for-tests ]]; then
  echo "made by tools/wine-prefix.sh for the Windows programs' tests, which change it" >"$WINEPREFIX/zandrel2-test-prefix"
fi
