#!/usr/bin/env bash
# Runs a Windows test program under Wine with drive D: mapped to an empty scratch
# folder of its own, in the Japanese code page. Needs WINEPREFIX from
# tools/wine-prefix.sh, of the program's word size.
set -euo pipefail
source "$(dirname "$0")/test_prefix.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ln -sfn "$scratch" "$WINEPREFIX/dosdevices/d:"
LC_ALL=ja_JP.UTF-8 "$(dirname "$0")/../tools/wine.sh" "$@"
