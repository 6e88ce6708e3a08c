#!/usr/bin/env bash
# The catalog CD as it ships: an ISO image made with tools/make-sample-cd.py --iso,
# carrying the Windows programs of PROGRAMS (a build's bin folder) and an AUTORUN.INF,
# mounted read-only with fuseiso and mapped as D: in the Wine prefix. As autorun does,
# the disc's install dialog is started from the disc with the disc as its working
# folder; it installs the catalog from there through the real window. Screenshots go
# to ARTIFACTS. Needs WINEPREFIX prepared by tools/wine-prefix.sh.
#   wine_autorun_test.sh PROGRAMS ARTIFACTS
set -euo pipefail
programs=$1
artifacts=$2
here=$(cd "$(dirname "$0")" && pwd)
tools=$here/../tools
source "$here/x11_session.sh"
source "$here/test_prefix.sh"
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8

if [[ ! -c /dev/fuse ]] || ! command -v fuseiso >/dev/null; then
  echo "no FUSE or fuseiso here: the disc cannot be mounted; skipped"
  exit 77  # ctest's SKIP_RETURN_CODE: reported as skipped, never as passed
fi

"$tools/make-sample-cd.py" "$work/cd" --iso "$work/cd.iso" --installer "$programs" 2>/dev/null
mkdir -p "$work/disc"
fuseiso "$work/cd.iso" "$work/disc"
apache=$WINEPREFIX/drive_c/Apache2
trap 'finish' EXIT
finish() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
  fusermount -u "$work/disc" 2>/dev/null || fusermount -uz "$work/disc" 2>/dev/null || true
  rm -rf "$apache"
  cleanup
}

# The disc says what autorun starts, and it is there.
autorun=$(tr -d '\r' <"$work/disc/AUTORUN.INF")
open=$(sed -n 's/^open=//p' <<<"$autorun")
icon=$(sed -n 's/^icon=//p' <<<"$autorun")
[[ -f "$work/disc/$open" && "$open" == Zandrel2.exe ]] || fail "AUTORUN.INF opens [$open]"
[[ -f "$work/disc/${icon%,*}" ]] || fail "AUTORUN.INF's icon [$icon] is not on the disc"
[[ -w "$work/disc" ]] && touch "$work/disc/probe" 2>/dev/null && fail "the disc is writable"

ln -sfn "$work/disc" "$WINEPREFIX/dosdevices/d:"
rm -rf "$apache"
mkdir -p "$apache/htdocs"

start_xvfb
keys() { xdotool key --delay 100 "$@" 2>/dev/null; }

# As autorun starts it: the program on the disc, in the disc's root folder.
"$tools/wine.sh" start /wait /d 'D:\' "D:\\$open" >"$work/stdout" 2>"$work/stderr" &
app_pid=$!
dialog=$(window_named '^Zandrel$')
xdotool windowfocus "$dialog" 2>/dev/null || true
shoot autorun-dialog.png
keys Return
window_named '^Zandrel2$' >/dev/null
keys Return
# The outcome; Enter on its Close ends the program.
outcome=$(window_named '^Installed - Zandrel2$')
xdotool windowfocus "$outcome" 2>/dev/null || true
keys Return

program_ends "" 45

catalog=$apache/htdocs/Catalogs
check_installed "$work/cd" "$catalog"
[[ ! -e "$catalog/Zandrel2.exe" && ! -e "$catalog/AUTORUN.INF" ]] || fail "the disc's installer was installed"
echo "screenshots in $artifacts"
