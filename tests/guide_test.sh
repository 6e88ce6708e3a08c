#!/usr/bin/env bash
# The README's commands, run as a newcomer pastes them: the first of the two commands
# (the demo, without a display), the plain Linux install, one test or a few by name,
# the programs under Wine by hand, and the install into Debian's own Apache2: the
# package installed with apt, Debian's server on port 80 started, the catalog installed
# and served at http://localhost/, and all of it undone afterwards. Paths under /tmp
# are moved into a folder of the test's own, and /media/cdrom is the sample catalog CD;
# `sudo` is left out as the README says to as root. The Debian block changes the system,
# so it runs only as root, on a machine where nothing of it is there already.
#   guide_test.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tests/outcome.sh
work=$(mktemp -d)
chmod 755 "$work"  # Debian's server reads the installed catalog as www-data
# The installs' logs go to this test's folder.
export XDG_STATE_HOME=$work/state
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
undo=()
finish() {
  local step
  for ((step = ${#undo[@]} - 1; step >= 0; step--)); do eval "${undo[step]}" || true; done
  rm -rf "$work"
}
trap finish EXIT

# readme_block MARKER: the first sh block after the README line starting with MARKER,
# with /tmp/ moved into this test's folder.
readme_block() {
  awk -v marker="$1" 'index($0, marker) == 1 { found = 1 } found && /^```sh$/ { inside = 1; next }
    inside && /^```$/ { exit } inside { print }' README.md | sed "s|/tmp/|$work/|g"
}

# run_block NAME BLOCK: runs BLOCK as pasted into a terminal, stopping at the first
# command that fails, within 10 minutes; what the terminal showed is in $work/NAME.shown.
run_block() {
  local name=$1 status=0
  [[ -n $2 ]] || { fail "the README has no $name block where the test looks for it"; return 1; }
  printf 'set -euo pipefail\n%s\n' "$2" >"$work/$name.sh"
  timeout -k 10 600 script -qec "bash '$work/$name.sh'" "$work/$name.typescript" </dev/null >/dev/null || status=$?
  tr -d '\r' <"$work/$name.typescript" >"$work/$name.shown"
  ((status == 0)) || fail "the README's $name block failed ($status): $(tail -n 20 "$work/$name.shown")"
  return "$status"
}

echo "== the demo, without a display"
status=0
TMPDIR=$work timeout -k 10 600 env -u DISPLAY tools/demo.sh </dev/null >"$work/demo.out" 2>&1 || status=$?
grep -Eq '^zandrel2-install: served at http://127\.0\.0\.1:[0-9]+/Catalogs/index\.htm$' "$work/demo.out" \
  && grep -q '<title>' "$work/demo.out" && ((status == 0)) \
  || fail "the demo ($status): $(tail -n 20 "$work/demo.out")"

echo "== a plain Linux install"
if run_block plain "$(readme_block 'A plain Linux install from a catalog CD')"; then
  # On a terminal: the notice and the summary, no trace; the trace is in its file.
  grep -qx "zandrel2-install: browse it at $work/apache2/htdocs/Catalogs/index.htm" "$work/plain.shown" \
    && grep -q '^zandrel2-install: not checked: ' "$work/plain.shown" && ! grep -q '^copy ' "$work/plain.shown" \
    || fail "the plain install showed: $(cat "$work/plain.shown")"
  grep -q '^copy ' "$work/trace" || fail "the plain install's trace file: $(head -n 3 "$work/trace")"
fi

# Both blocks use the 64-bit Windows build, which the test command makes before.
if [[ ! -x build-win64/bin/zandrel2-install.exe ]]; then
  skip_part "one test by name, and Wine by hand (no 64-bit Windows build in build-win64/)"
else
  echo "== one test, or a few, by name"
  undo+=("WINEPREFIX='$work/wine64-tests/prefix' wineserver -k 2>/dev/null")
  run_block by-name "$(readme_block 'One test, or a few, by name')" || true

  echo "== the programs under Wine by hand"
  # The window program needs a display, which the Wine tests give their own; its line is left out.
  undo+=("WINEPREFIX='$work/wine64/prefix' wineserver -k 2>/dev/null")
  if run_block wine "$(readme_block 'To run the programs under Wine by hand' | grep -v 'Zandrel2.exe')"; then
    [[ -f "$work/wine64/prefix/drive_c/Apache2/htdocs/Catalogs/QXT905/HTML/QXT905_frame.htm" ]] \
      || fail "nothing installed under Wine by hand: $(tail -n 5 "$work/wine.shown")"
  fi
fi

echo "== into Debian's own Apache2"
debian_block=$(readme_block "### Into Debian's own Apache2" | sed 's/^sudo //; s/ sudo / /g')
if ((EUID != 0)); then
  skip_part "the Debian block (it installs a package and starts Debian's server: root only)"
elif [[ "$(dpkg-query -W -f='${db:Status-Status}' zandrel2 2>/dev/null || true)" == installed ]]; then
  skip_part "the Debian block (a zandrel2 package is installed already, which the test never touches)"
elif [[ -e /srv/apache2 || -e /var/www/html/Catalogs ]]; then
  skip_part "the Debian block (/srv/apache2 or /var/www/html/Catalogs is there already)"
elif [[ -s /run/apache2/apache2.pid ]] || (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null; then
  skip_part "the Debian block (a server listens on port 80 already)"
else
  undo+=("dpkg -r zandrel2 >/dev/null" "rm -rf /srv/apache2 /var/www/html/Catalogs" "apache2ctl stop")
  # The catalog CD is the sample one; the browser is a stand-in that notes the address.
  tools/make-sample-cd.py "$work/cdrom" >/dev/null
  mkdir "$work/opener"
  printf '#!/bin/sh\necho "$1" >"%s/opened"\n' "$work" >"$work/opener/xdg-open"
  chmod +x "$work/opener/xdg-open"
  if PATH=$work/opener:$PATH run_block debian "${debian_block//\/media\/cdrom/$work/cdrom}"; then
    grep -qx 'zandrel2-install: served at http://localhost/Catalogs/index.htm' "$work/debian.shown" \
      || fail "the Debian block's verdict: $(tail -n 8 "$work/debian.shown")"
    [[ "$(cat "$work/opened" 2>/dev/null)" == http://localhost/Catalogs/index.htm ]] \
      || fail "the Debian block opened: $(cat "$work/opened" 2>/dev/null)"
    curl -sf --max-time 10 http://localhost/Catalogs/index.htm | grep -q '<title>' \
      || fail "Debian's server does not serve the catalog"
  fi
fi
finish_test
