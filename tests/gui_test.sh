#!/usr/bin/env bash
# The real window under Xvfb, driven from the keyboard as a person would: open the
# about box from the window menu, then press Enter to install the sample catalog,
# dismiss "Start to Install." with Enter, and check what the install left behind.
# Screenshots of the dialog, the about box and the notice go to ARTIFACTS.
set -euo pipefail
app=$1
artifacts=$2
tools=$(cd "$(dirname "$0")/../tools" && pwd)
source "$(dirname "$0")/x11_session.sh"

"$tools/make-sample-cd.py" "$work/cd" 2>/dev/null
export WINEPREFIX=$work/prefix
mkdir -p "$WINEPREFIX/dosdevices" "$work/c/Apache2/htdocs"
ln -s "$work/cd" "$WINEPREFIX/dosdevices/d:"
ln -s "$work/c" "$WINEPREFIX/dosdevices/c:"

start_xvfb

"$app" >"$work/trace" 2>"$work/stderr" &
app_pid=$!
dialog=$(window_named '^Zandrel$')
xdotool windowfocus --sync "$dialog"
shoot dialog.png

# A fixed size and no maximise (nor minimise) button or function, as window managers
# read them: the Motif hints' functions and decorations, and equal size bounds.
read -r functions decorations < <(xprop -id "$dialog" _MOTIF_WM_HINTS | awk -F'[=,]' '{print $3, $4}')
(( (functions & 0x18) == 0 && (decorations & 0x60) == 0 )) || fail "maximise or minimise offered: $(xprop -id "$dialog" _MOTIF_WM_HINTS)"
sizes=$(xprop -id "$dialog" WM_NORMAL_HINTS | sed -n 's/.*program specified m[a-z]*imum size: //p' | sort -u | wc -l)
[[ $sizes == 1 ]] || fail "the dialog can be resized: $(xprop -id "$dialog" WM_NORMAL_HINTS)"

# The window menu: Shift+F10, then the about item's mnemonic.
xdotool key --clearmodifiers shift+F10
sleep 0.5
xdotool key a
window_named 'ﾊﾞｰｼﾞｮﾝ情報' >/dev/null
shoot about.png
xdotool key Return
gone 'ﾊﾞｰｼﾞｮﾝ情報'

# Enter presses "Copy", the focused default button.
xdotool windowfocus --sync "$dialog"
xdotool key Return
window_named '^zandrel2$' >/dev/null
shoot notice.png
xdotool key Return

status=0
ended "$app_pid"
wait "$app_pid" || status=$?
app_pid=
[[ $status == 0 ]] || fail "exit status $status: $(cat "$work/stderr")"

catalogs=$work/c/Apache2/htdocs/Catalogs
cmp -s "$catalogs/QXT905/HTML/QXT905_frame.htm" "$work/cd/FP/HTML/QXT905_frame.htm" || fail "frame page not installed"
cmp -s "$catalogs/QXT905/jpg/p013.jpg" "$work/cd/FP/jpg/p013.jpg" || fail "last photo not installed"
first=$'ERR-01 Fial to Create Derectory.copy D:\\\\INST_FP\\\\. to C:\\Apache2\\htdocs\\Catalogs\\.. \r'
[[ "$(head -n 1 "$work/trace")" == "$first" ]] || fail "trace starts with: $(head -n 1 "$work/trace")"
[[ "$(tail -c 2 "$work/trace" | od -An -c | tr -d ' ')" == '\r\n' ]] || fail "trace not written out to its end"
echo "screenshots in $artifacts"
