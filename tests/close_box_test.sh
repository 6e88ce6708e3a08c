#!/usr/bin/env bash
# The close boxes during a copy, as a window manager (openbox on Xvfb) sends them: the
# manager's own close request (_NET_CLOSE_WINDOW, by wmctrl) to the install dialog
# stops the copy as Stop does, and so does one to the progress window; each time
# "Install stopped." and the stopped outcome follow, whose Close then ends the program
# (the user meant to leave), and no part-written file is left. Screenshots go to
# ARTIFACTS.
#   close_box_test.sh linux PROGRAM ARTIFACTS
#   close_box_test.sh windows PROGRAM ARTIFACTS   (WINEPREFIX from tools/wine-prefix.sh)
set -euo pipefail
platform=$1
app=$2
artifacts=$3
source "$(dirname "$0")/slow_cd_program.sh"
export XDG_STATE_HOME=$work/state

openbox --sm-disable >/dev/null 2>&1 &
extra_pids+=($!)
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
wmctrl -m >/dev/null 2>&1 || fail "openbox did not start"

# The managed window titled exactly $1, as the window manager lists it.
managed() {
  for _ in $(seq 150); do
    local id
    id=$(wmctrl -l | awk -v title="$1" '{ name = $0; sub(/^[^ ]+ +[^ ]+ +[^ ]+ /, "", name); if (name == title) { print $1; exit } }')
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "the window manager lists no window $1"
}
# The log of the latest install; on Windows in the logs' folder of the user's temporary folder.
newest_log() {
  if [[ $platform == windows ]]; then
    ls -t "$WINEPREFIX"/drive_c/users/*/Temp/zandrel2/zandrel2-*.log | head -n 1
  else
    ls -t "$XDG_STATE_HOME"/zandrel2/zandrel2-*.log | head -n 1
  fi
}

# start_program: the program, and its install dialog as the window manager lists it.
start_program() {
  "${run[@]}" >"$work/trace" 2>"$work/stderr" &
  app_pid=$!
  dialog=$(managed Zandrel)
}

# "Copy" by Enter, once the dialog takes keys: a slow start (the 32-bit programs under
# qemu) can show the dialog a moment before it reads the keyboard. Waits for the notice.
press_copy() {
  local round
  for round in $(seq 10); do
    wmctrl -i -a "$dialog"
    keys Return
    for _ in $(seq 30); do
      xdotool search --onlyvisible --name "^$app_name\$" >/dev/null 2>&1 && return 0
      sleep 0.1
    done
  done
  fail "no notice after Copy in $round tries"
}

# Copy, "Start to Install.", and the close request while the copy runs: the copy stops,
# "Install stopped." and the outcome follow, and the outcome's Close ends the program,
# since the user meant to leave.
stop_by_close_request() {
  local target=$1 shot=$2
  start_program
  press_copy
  keys Return
  local progress
  progress=$(window_named "^Installing the catalog - $app_name\$")
  if [[ $target == dialog ]]; then wmctrl -i -c "$dialog"; else wmctrl -i -c "$progress"; fi
  local waited=0
  until [[ -z "$(xdotool search --onlyvisible --name "^Installing the catalog - " 2>/dev/null | grep -x "$progress")" ]]; do
    (( waited++ < 100 )) || fail "the copy went on after the close request to the $target"
    sleep 0.1
  done
  window_named "^$app_name\$" >/dev/null
  keys Return
  local outcome
  outcome=$(window_named "^Stopped - $app_name\$")
  shoot "$shot"
  wmctrl -i -a "$outcome"
  keys Return
  program_ends "after the outcome of the close request to the $target"
  [[ -n "$(newest_log | xargs grep -l 'Install stopped\.')" ]] || fail "no \"Install stopped.\" in the log"
  photos=$(find "$catalog" -type f -name '*.jpg' 2>/dev/null | wc -l)
  (( photos < $(find "$work/cd/FP" -type f -name '*.jpg' | wc -l) )) || fail "the whole catalog was copied despite the close request"
  [[ -z "$(find "$apache" -name '.zandrel2-*' -print -quit)" ]] || fail "temporary files left after the close request"
}

stop_by_close_request dialog outcome-stopped-by-dialog-close-box.png
stop_by_close_request progress outcome-stopped-by-progress-close-box.png

# The install dialog's own close box, with no copy running, ends the program.
start_program
shoot framed-dialog.png
wmctrl -i -c "$dialog"
program_ends "after the close box"
echo "screenshots in $artifacts"
