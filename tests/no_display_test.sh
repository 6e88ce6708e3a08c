#!/usr/bin/env bash
# zandrel2 where no display can be opened: one line that points to zandrel2-install,
# and status 1, for no DISPLAY at all and for a local display that is not there.
set -euo pipefail
app=$1
failures=0
while IFS='|' read -r display expected; do
  status=0
  if [[ -n "$display" ]]; then setting=("DISPLAY=$display"); else setting=(-u DISPLAY); fi
  message=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${setting[@]}" "$app" 2>&1) || status=$?
  [[ $status == 1 ]] || { echo "FAIL: DISPLAY=[$display]: status $status" >&2; failures=$((failures + 1)); }
  [[ "$message" == "$expected" ]] || { echo "FAIL: DISPLAY=[$display]: said [$message]" >&2; failures=$((failures + 1)); }
done <<'ROWS'
|zandrel2: cannot open a display (DISPLAY is not set); without one, install with zandrel2-install
:97|zandrel2: cannot open a display (DISPLAY=:97); without one, install with zandrel2-install
ROWS
exit $((failures > 0))
