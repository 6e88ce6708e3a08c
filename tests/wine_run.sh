#!/usr/bin/env bash
# Runs a Windows test program under Wine with drive D: mapped to an empty scratch
# folder of its own, in the Japanese code page. Needs WINEPREFIX from
# tools/wine-prefix.sh.
set -euo pipefail
: "${WINEPREFIX:?prepare one with tools/wine-prefix.sh}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ln -sfn "$scratch" "$WINEPREFIX/dosdevices/d:"
WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 wine "$@"
