#!/usr/bin/env bash
# Prepares a 32-bit Wine prefix for the Windows programs' tests, without prompts or
# downloads: drive D: is a CD-ROM drive mapped to CD_FOLDER, and the dialogs' font
# "ＭＳ Ｐゴシック" is Debian's IPAPGothic. Run the programs with
# LC_ALL=ja_JP.UTF-8 (code page 932) and WINEDEBUG=-all.
#
#   wine-prefix.sh PREFIX CD_FOLDER
set -euo pipefail
(($# == 2)) || { echo "usage: $0 PREFIX CD_FOLDER" >&2; exit 2; }
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX" "$2"
# Wine's first start sets the prefix up; no display is needed for that.
DISPLAY= wineboot -i >/dev/null 2>&1
wineserver -w
ln -sfn "$(cd "$2" && pwd)" "$WINEPREFIX/dosdevices/d:"
# regedit reads a UTF-16 file as Unicode, so the Japanese font name survives.
cat <<'REG' | iconv -f UTF-8 -t UTF-16 >"$WINEPREFIX/zandrel2.reg"
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"d:"="cdrom"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS PGothic"="IPAPGothic"
REG
wine regedit /S "Z:$(echo "$WINEPREFIX/zandrel2.reg" | tr / '\\')" >/dev/null 2>&1
wineserver -w
