#!/usr/bin/env bash
# The Windows program under Wine in a real window on Xvfb, driven from the keyboard:
# the system menu's about item opens the about box; "Browse" opens the folder chooser
# and Esc cancels it; Enter on "Copy" without htdocs gives ERR-01 and the outcome that
# says why; with htdocs it installs the sample catalog, from a folder of a Japanese
# name taken in the chooser, after "Start to Install.", and
# the outcome's "Open the catalog" (Alt+O) hands the server's address, through Wine's
# browser, to the desktop's opener (a recording stand-in), where a real Apache serves
# it; the process ends with status 0 and the catalog and the trace in place.
# Screenshots of the dialog, the system menu, the about box, the chooser, the notice
# and both outcomes go to ARTIFACTS. Needs WINEPREFIX prepared by tools/wine-prefix.sh.
set -euo pipefail
app=$1
artifacts=$2
tools=$(cd "$(dirname "$0")/../tools" && pwd)
source "$(dirname "$0")/x11_session.sh"
source "$(dirname "$0")/test_prefix.sh"
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8

# D: holds the catalog CD in a folder of a Japanese name, which the install takes from
# the chooser.
cd_root=$work/discs/カタログCD
"$tools/make-sample-cd.py" "$cd_root" 2>/dev/null
ln -sfn "$work/discs" "$WINEPREFIX/dosdevices/d:"
apache=$WINEPREFIX/drive_c/Apache2
rm -rf "$apache"
mkdir -p "$apache"
# Wine hands an address to its browser, which hands it to the desktop's opener.
stand_in_opener
export XDG_STATE_HOME=$work/state

start_xvfb
keys() { xdotool key --delay 100 "$@" 2>/dev/null; }

# The program under a Japanese name, as a user's copy may be: its name is the caption
# of its notices and the title of its other windows, in the system's code page.
cp "$app" "$work/カタログ.exe"
app=$work/カタログ.exe
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

# Back to "Copy", and Enter: without htdocs, ERR-01, and then the outcome says why.
xdotool windowfocus "$dialog" 2>/dev/null || true
keys shift+Tab shift+Tab shift+Tab Return
window_named '^カタログ$' >/dev/null
keys Return
# The outcome window's title is its heading and the program's name.
outcome=$(window_named '^Not installed - カタログ$')
# Its details field fits its few lines: the window is shorter than the install dialog,
# which it overtops at the template's full height.
height_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^HEIGHT=//p'; }
(($(height_of "$outcome") < $(height_of "$dialog"))) \
  || fail "the outcome's details field was not fitted: $(height_of "$outcome") against the dialog's $(height_of "$dialog")"
xdotool windowfocus "$outcome" 2>/dev/null || true
shoot outcome-failed.png
keys Escape
gone '^Not installed - カタログ$'

# Apache serves the install directory's htdocs, as its conf\httpd.conf says.
mkdir -p "$apache/htdocs" "$apache/conf"
url=$("$tools/apache-fixture.sh" start "$work/apache" "$apache/htdocs")
trap '"$tools/apache-fixture.sh" stop "$work/apache" || true; cleanup' EXIT
printf 'Listen 127.0.0.1:%s\r\n' "$(<"$work/apache/port")" >"$apache/conf/httpd.conf"

# The CD's "Browse" again, through the chooser's tree from the desktop: Shift+Tab to
# the tree, End to My Computer, Right to open it and to C:, Down to D:, Right to open
# it and to the CD's folder, and Enter takes it; then back to "Copy", and Enter.
xdotool windowfocus "$dialog" 2>/dev/null || true
keys Tab Tab Tab space
chooser=$(window_named 'フォルダー')
xdotool windowfocus "$chooser" 2>/dev/null || true
keys shift+Tab End Right Right Down Right Right
shoot chooser-japanese-folder.png
keys Return
gone 'フォルダー'
xdotool windowfocus "$dialog" 2>/dev/null || true
keys shift+Tab shift+Tab shift+Tab Return
window_named '^カタログ$' >/dev/null
shoot notice.png
keys Return

# The outcome: "Open the catalog" (Alt+O) opens the front page through the server.
outcome=$(window_named '^Installed - カタログ$')
xdotool windowfocus "$outcome" 2>/dev/null || true
shoot outcome-installed.png
keys alt+o
address=$(opened_address)
[[ "$address" == "${url}Catalogs/index.htm" ]] || fail "opened $address, not ${url}Catalogs/index.htm"
[[ "$(curl -s --max-time 10 -o /dev/null -w '%{http_code}' "$address")" == 200 ]] || fail "$address is not served"
# The outcome says, on a line of its own, that the server serves the catalog (asked
# through WinHTTP); the log, in the user's temporary folder, holds the outcome's lines.
newest_log=$(find "$WINEPREFIX/drive_c/users" -name 'zandrel2-*.log' -newer "$work/trace" -printf '%T@ %p\n' | sort -n | tail -n 1 | cut -d' ' -f2-)
[[ -n "$newest_log" ]] && iconv -f CP932 -t UTF-8 "$newest_log" | tr -d '\r' | grep -qx "Served at ${url}Catalogs/index.htm" \
  || fail "no \"Served at\" in the outcome: $(cat "$newest_log" 2>/dev/null)"
keys Escape

program_ends

catalogs=$apache/htdocs/Catalogs
cmp -s "$catalogs/QXT905/HTML/QXT905_frame.htm" "$cd_root/FP/HTML/QXT905_frame.htm" || fail "frame page not installed"
cmp -s "$catalogs/QXT905/jpg/p013.jpg" "$cd_root/FP/jpg/p013.jpg" || fail "last photo not installed"
# The second install's first line, in the system's code page: the CD's folder as the
# chooser gave it.
first=$'ERR-01 Fial to Create Derectory.copy D:\\カタログCD\\INST_FP\\\\. to C:\\Apache2\\htdocs\\Catalogs\\.. \r'
[[ "$(head -n 1 "$work/trace" | iconv -f CP932 -t UTF-8)" == "$first" ]] \
  || fail "trace starts with: $(head -n 1 "$work/trace" | iconv -f CP932 -t UTF-8)"
[[ "$(tail -c 2 "$work/trace" | od -An -c | tr -d ' ')" == '\r\n' ]] || fail "trace not written out to its end"
rm -rf "$apache"
echo "screenshots in $artifacts"
