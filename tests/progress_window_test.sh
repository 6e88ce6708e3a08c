#!/usr/bin/env bash
# The progress window in a real window on Xvfb, with a slow CD (every read delayed),
# driven from the keyboard: after "Start to Install." the progress window shows the
# copy moving; a window put over the install dialog and taken away leaves no ghost;
# Stop ends the copy within the file being copied with the dialog open, "Install
# stopped." and then the outcome shown; the next Copy completes the catalog byte for
# byte, and Enter closes its outcome. Screenshots go to
# ARTIFACTS.
#   progress_window_test.sh linux PROGRAM ARTIFACTS
#   progress_window_test.sh windows PROGRAM ARTIFACTS   (WINEPREFIX from tools/wine-prefix.sh)
set -euo pipefail
platform=$1
app=$2
artifacts=$3
source "$(dirname "$0")/slow_cd_program.sh"

focus() { xdotool windowfocus "$1" 2>/dev/null || true; }
geometry() { xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' '; }
# A region of a screenshot: crop FILE WIDTHxHEIGHT+X+Y OUT
crop() { convert "$1" -crop "$2" +repage "$3"; }

"${run[@]}" >"$work/trace" 2>"$work/stderr" &
app_pid=$!
dialog=$(window_named '^Zandrel$')
focus "$dialog"
keys Return
window_named "^$app_name\$" >/dev/null
# Enter twice, 250 ms apart, as a double press or a bouncing key gives it: the first
# answers the notice, the second lands on the progress window and must not stop the
# copy (which then goes on to the photos, below).
xdotool key --delay 250 Return Return 2>/dev/null
progress=$(window_named "^Installing the catalog - $app_name\$")

# The copy moves: a later shot of the progress window differs from the first, within
# ten seconds.
eval "$(geometry "$progress")"
progress_region=${WIDTH}x${HEIGHT}+$X+$Y
progress_top=$Y
shoot progress-1.png
crop "$artifacts/progress-1.png" "$progress_region" "$work/p1.png"
changed=0
for _ in $(seq 50); do
  shoot progress-2.png
  crop "$artifacts/progress-2.png" "$progress_region" "$work/p2.png"
  changed=$(compare -metric AE "$work/p1.png" "$work/p2.png" null: 2>&1 || true)
  (( ${changed%% *} > 0 )) && break
  sleep 0.2
done
(( ${changed%% *} > 0 )) || fail "the progress window did not change in ten seconds"

# A window over the install dialog, taken away again: the dialog draws itself anew.
# Its strip above the progress window is compared with how it looked before.
eval "$(geometry "$dialog")"
strip=${WIDTH}x$((progress_top - Y))+$X+$Y
import -window root "$work/before.png"
convert -size 200x60 xc:red "$work/cover.png"
display -title zandrel2-cover -geometry "+$((X + 10))+$((Y + 5))" "$work/cover.png" &
cover_pid=$!
extra_pids+=("$cover_pid")
window_named '^zandrel2-cover$' >/dev/null
kill "$cover_pid"
await_exit "$cover_pid" 30 2>/dev/null || true
extra_pids=()
# The strip must look as before within five seconds of the cover's going.
crop "$work/before.png" "$strip" "$work/strip-before.png"
ghost=
for _ in $(seq 25); do
  import -window root "$work/after.png"
  crop "$work/after.png" "$strip" "$work/strip-after.png"
  ghost=$(compare -metric AE "$work/strip-before.png" "$work/strip-after.png" null: 2>&1 || true)
  [[ ${ghost%% *} == 0 ]] && break
  sleep 0.2
done
[[ ${ghost%% *} == 0 ]] || { cp "$work/after.png" "$artifacts/ghost.png"; fail "a ghost of the covering window: ${ghost%% *} pixels differ"; }

# Stop (Space on the focused button; Enter does nothing there), once the copy has reached the photos (the frame page is
# copied by then). The progress window goes, and a notice takes its place.
for _ in $(seq 300); do [[ -n "$(find "$catalog" -name '*.jpg' -print -quit 2>/dev/null)" ]] && break; sleep 0.1; done
[[ -n "$(find "$catalog" -name '*.jpg' -print -quit 2>/dev/null)" ]] || fail "no photo copied in thirty seconds"
focus "$progress"
keys space
notice=
for _ in $(seq 150); do
  notice=$(xdotool search --onlyvisible --name "^$app_name\$" 2>/dev/null | head -n 1 || true)
  [[ -n "$notice" ]] && ! xdotool search --onlyvisible --name "^Installing the catalog - " 2>/dev/null | grep -qx "$progress" && break
  notice=
  sleep 0.1
done
[[ -n "$notice" ]] || fail "no notice after Stop, or the progress window stayed"
shoot stopped.png
keys Return
# Then the outcome: how much was done, and that the next Copy completes the catalog.
outcome=$(window_named "^Stopped - $app_name\$")
focus "$outcome"
shoot outcome-stopped.png
keys Return
gone "^Stopped - $app_name\$"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended after Stop"
xdotool search --onlyvisible --name '^Zandrel$' >/dev/null || fail "the install dialog closed after Stop"
photos=$(find "$catalog" -type f -name '*.jpg' | wc -l)
(( photos < $(find "$work/cd/FP" -type f -name '*.jpg' | wc -l) )) || fail "the whole catalog was copied despite Stop"
while IFS= read -r -d '' file; do
  cmp -s "$file" "$work/cd/FP/${file#"$catalog"/}" || fail "a partial file under a real name: $file"
done < <(find "$catalog" -type f -print0)
[[ -z "$(find "$apache" -name '.zandrel2-*' -print -quit)" ]] || fail "temporary files left after Stop"

# Copy again, to the end this time.
focus "$dialog"
keys Return
window_named "^$app_name\$" >/dev/null
keys Return
# Enter on the outcome's Close ends the dialog.
outcome=$(window_named "^Installed - $app_name\$")
focus "$outcome"
keys Return
program_ends "" 45
check_installed "$work/cd" "$apache/htdocs/Catalogs"
# The trace, written out at the end, holds both Copies: the frame page's line twice.
expect_lines=$(grep -c 'QXT905_frame.htm to ' "$work/trace" || true)
[[ $expect_lines == 2 ]] || fail "the trace holds the frame page's copy $expect_lines times, not once for each Copy"
echo "screenshots in $artifacts"
