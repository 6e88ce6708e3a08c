#!/usr/bin/env bash
# WM_QUIT, as another program posts it, while the Windows program's progress window
# runs over the install dialog: every modal loop ends and passes it on, the copy is
# asked to stop and waited for, and the program ends with status 0, its trace written
# out whole and no temporary file left. Needs WINEPREFIX prepared by tools/wine-prefix.sh.
#   wine_quit_test.sh PROGRAM POST_QUIT ARTIFACTS
set -euo pipefail
platform=windows
app=$1
post_quit=$2
artifacts=$3
source "$(dirname "$0")/slow_cd_program.sh"

"${run[@]}" >"$work/trace" 2>"$work/stderr" &
app_pid=$!
dialog=$(window_named '^Zandrel$')
xdotool windowfocus "$dialog" 2>/dev/null || true
keys Return
window_named "^$app_name\$" >/dev/null
keys Return
# The progress window, while the copy of the slowed CD runs for several seconds.
window_named "^Installing the catalog - $app_name\$" >/dev/null
"$tools/wine.sh" "$post_quit" "Installing the catalog - $app_name" || fail "no progress window to post WM_QUIT to"

program_ends "after WM_QUIT" 30
photos=$(find "$catalog" -type f -name '*.jpg' | wc -l)
(( photos < $(find "$work/cd/FP" -type f -name '*.jpg' | wc -l) )) || fail "the copy ran to its end despite WM_QUIT"
[[ -z "$(find "$apache" -name '.zandrel2-*' -print -quit)" ]] || fail "temporary files left after WM_QUIT"
[[ "$(tail -c 2 "$work/trace" | od -An -c | tr -d ' ')" == '\r\n' ]] || fail "trace not written out to its end"
echo "the program ended after WM_QUIT with $photos photos copied"
