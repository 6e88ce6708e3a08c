#!/usr/bin/env bash
# The real window under Xvfb, driven from the keyboard as a person would: open the
# about box from the window menu; press Enter without htdocs, for ERR-01 and the
# outcome that says why; then press Enter to install the sample catalog,
# dismiss "Start to Install." with Enter; the outcome window says "Installed" and its
# "Open the catalog" (Alt+O) hands the server's address to the desktop's opener (a
# recording stand-in), where a real Apache serves the catalog's front page; Esc closes
# it, the program ends, and what the install left behind is checked. Screenshots of the
# dialog, the about box, the notice and the outcome go to ARTIFACTS.
set -euo pipefail
app=$1
artifacts=$2
tools=$(cd "$(dirname "$0")/../tools" && pwd)
source "$(dirname "$0")/x11_session.sh"

"$tools/make-sample-cd.py" "$work/cd" 2>/dev/null
export WINEPREFIX=$work/prefix
mkdir -p "$WINEPREFIX/dosdevices" "$work/c/Apache2"
ln -s "$work/cd" "$WINEPREFIX/dosdevices/d:"
ln -s "$work/c" "$WINEPREFIX/dosdevices/c:"

stand_in_opener

start_xvfb

export XDG_STATE_HOME=$work/state
"$app" >"$work/trace" 2>"$work/stderr" &
app_pid=$!
dialog=$(window_named '^Zandrel$')
focus_window "$dialog"
shoot dialog.png

# A fixed size and no maximise (nor minimise) button or function, as window managers
# read them: the Motif hints' functions and decorations, and equal size bounds.
read -r functions decorations < <(xprop -id "$dialog" _MOTIF_WM_HINTS | awk -F'[=,]' '{print $3, $4}')
(( (functions & 0x18) == 0 && (decorations & 0x60) == 0 )) || fail "maximise or minimise offered: $(xprop -id "$dialog" _MOTIF_WM_HINTS)"
sizes=$(xprop -id "$dialog" WM_NORMAL_HINTS | sed -n 's/.*program specified m[a-z]*imum size: //p' | sort -u | wc -l)
[[ $sizes == 1 ]] || fail "the dialog can be resized: $(xprop -id "$dialog" WM_NORMAL_HINTS)"

# The window menu: Shift+F10, then the about item's mnemonic.
shown_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }
before=$(shown_windows)
xdotool key --clearmodifiers shift+F10
# The menu is a window of its own: wait for it, up to five seconds.
for _ in $(seq 50); do (( $(shown_windows) > before )) && break; sleep 0.1; done
(( $(shown_windows) > before )) || fail "no window menu after Shift+F10"
xdotool key a
window_named 'ﾊﾞｰｼﾞｮﾝ情報' >/dev/null
shoot about.png
xdotool key Return
gone 'ﾊﾞｰｼﾞｮﾝ情報'

# Enter presses "Copy", the focused default button. Without htdocs, ERR-01, and then
# the outcome says why.
focus_window "$dialog"
xdotool key Return
window_named '^zandrel2$' >/dev/null
xdotool key Return
# The outcome window's title is its heading and the program's name.
outcome=$(window_named '^Not installed - zandrel2$')
focus_window "$outcome"
shoot outcome-failed.png
xdotool key Escape
gone '^Not installed - zandrel2$'
# First what to do, in the user's terms, then the details.
grep -q "^C:\\\\Apache2 (.*) has no htdocs folder, so it does not look like Apache2's folder. Choose Apache2's folder with Browse." \
  "$XDG_STATE_HOME"/zandrel2/*.log || fail "the outcome does not say what to do: $(cat "$XDG_STATE_HOME"/zandrel2/*.log)"
grep -q "^Cannot create C:\\\\Apache2\\\\htdocs\\\\Catalogs: C:\\\\Apache2\\\\htdocs (.*) does not exist" "$XDG_STATE_HOME"/zandrel2/*.log \
  || fail "the log does not say why: $(cat "$XDG_STATE_HOME"/zandrel2/*.log)"

# Apache serves the install directory's htdocs, as its conf\httpd.conf says.
mkdir -p "$work/c/Apache2/htdocs" "$work/c/Apache2/conf"
chmod 755 "$work"  # Apache's workers read the tree as www-data when run by root
url=$("$tools/apache-fixture.sh" start "$work/apache" "$work/c/Apache2/htdocs")
trap '"$tools/apache-fixture.sh" stop "$work/apache" || true; cleanup' EXIT
printf 'ServerName 127.0.0.1\nListen 127.0.0.1:%s\n' "$(<"$work/apache/port")" >"$work/c/Apache2/conf/httpd.conf"

focus_window "$dialog"
xdotool key Return
window_named '^zandrel2$' >/dev/null
shoot notice.png
xdotool key Return

outcome=$(window_named '^Installed - zandrel2$')
focus_window "$outcome"
shoot outcome-installed.png
xdotool key alt+o
address=$(opened_address)
[[ "$address" == "${url}Catalogs/index.htm" ]] || fail "opened $address, not ${url}Catalogs/index.htm"
curl -s --max-time 10 -o "$work/front.htm" -w '%{http_code}' "$address" >"$work/http-status" || true
[[ "$(<"$work/http-status")" == 200 ]] || fail "$address answered $(<"$work/http-status")"
grep -q '<title>Norvane Fluid Components - Catalog CD</title>' "$work/front.htm" || fail "$address is not the catalog's front page"
# The outcome says, on a line of its own, that the server serves the catalog; the log
# holds the outcome's lines.
newest_log=$(ls -t "$XDG_STATE_HOME"/zandrel2/zandrel2-*.log | head -n 1)
tr -d '\r' <"$newest_log" | grep -qx "Served at ${url}Catalogs/index.htm" || fail "no \"Served at\" in the outcome: $(cat "$newest_log")"
xdotool key Escape

program_ends

catalogs=$work/c/Apache2/htdocs/Catalogs
cmp -s "$catalogs/QXT905/HTML/QXT905_frame.htm" "$work/cd/FP/HTML/QXT905_frame.htm" || fail "frame page not installed"
cmp -s "$catalogs/QXT905/jpg/p013.jpg" "$work/cd/FP/jpg/p013.jpg" || fail "last photo not installed"
first=$'ERR-01 Fial to Create Derectory.copy D:\\\\INST_FP\\\\. to C:\\Apache2\\htdocs\\Catalogs\\.. \r'
[[ "$(head -n 1 "$work/trace")" == "$first" ]] || fail "trace starts with: $(head -n 1 "$work/trace")"
[[ "$(tail -c 2 "$work/trace" | od -An -c | tr -d ' ')" == '\r\n' ]] || fail "trace not written out to its end"
echo "screenshots in $artifacts"
