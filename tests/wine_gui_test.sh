#!/usr/bin/env bash
# The Windows program under Wine in a real window on Xvfb, driven from the keyboard:
# the system menu's about item opens the about box; "Browse" opens the folder chooser
# and Esc cancels it; Enter on "Copy" installs the sample catalog after "Start to
# Install."; the process ends with the catalog and the trace in place. Screenshots
# of the dialog, the system menu, the about box, the chooser and the notice go to
# ARTIFACTS. Needs WINEPREFIX prepared by tools/wine-prefix.sh.
set -euo pipefail
app=$1
artifacts=$2
tools=$(cd "$(dirname "$0")/../tools" && pwd)
source "$(dirname "$0")/x11_session.sh"
: "${WINEPREFIX:?prepare one with tools/wine-prefix.sh}"
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8

"$tools/make-sample-cd.py" "$work/cd" 2>/dev/null
ln -sfn "$work/cd" "$WINEPREFIX/dosdevices/d:"
apache=$WINEPREFIX/drive_c/Apache2
rm -rf "$apache"
mkdir -p "$apache/htdocs"

start_xvfb
keys() { xdotool key --delay 100 "$@" 2>/dev/null; }

"$tools/wine.sh" "$app" >"$work/trace" 2>"$work/stderr" &
app_pid=$!
dialog=$(window_named '^Zandrel$')
xdotool windowfocus "$dialog" 2>/dev/null || true
shoot dialog.png

# The system menu ends with our item: Up from the top wraps round to it.
keys alt+space
shoot system-menu.png
keys Up Return
window_named 'ﾊﾞｰｼﾞｮﾝ情報' >/dev/null
shoot about.png
keys Return
gone 'ﾊﾞｰｼﾞｮﾝ情報'

# Copy, Cancel, the CD field, then the CD's "Browse".
keys Tab Tab Tab space
chooser=$(window_named 'フォルダー')
shoot chooser.png
# Without a window manager a new window does not take the focus by itself.
xdotool windowfocus "$chooser" 2>/dev/null || true
keys Escape
gone 'フォルダー'

# Back to "Copy", and Enter.
xdotool windowfocus "$dialog" 2>/dev/null || true
keys shift+Tab shift+Tab shift+Tab Return
window_named '^Zandrel2$' >/dev/null
shoot notice.png
keys Return

ended "$app_pid"
wait "$app_pid" || true
app_pid=

catalogs=$apache/htdocs/Catalogs
cmp -s "$catalogs/QXT905/HTML/QXT905_frame.htm" "$work/cd/FP/HTML/QXT905_frame.htm" || fail "frame page not installed"
cmp -s "$catalogs/QXT905/jpg/p013.jpg" "$work/cd/FP/jpg/p013.jpg" || fail "last photo not installed"
first=$'ERR-01 Fial to Create Derectory.copy D:\\\\INST_FP\\\\. to C:\\Apache2\\htdocs\\Catalogs\\.. \r'
[[ "$(head -n 1 "$work/trace")" == "$first" ]] || fail "trace starts with: $(head -n 1 "$work/trace")"
[[ "$(tail -c 2 "$work/trace" | od -An -c | tr -d ' ')" == '\r\n' ]] || fail "trace not written out to its end"
rm -rf "$apache"
echo "screenshots in $artifacts"
