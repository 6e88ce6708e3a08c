#!/usr/bin/env bash
# zandrel2-install.exe under Wine where the Windows program has ways of its own: stop
# requests from the console, standard output closed or its reader gone, names the code
# page cannot hold, installs running at the same time, a disc taken out part-way.
# Needs WINEPREFIX prepared by tools/wine-prefix.sh.
#   wine_cli_test.sh ZANDREL2-INSTALL.EXE
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
wine=$here/../tools/wine.sh
source "$here/test_prefix.sh"
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
work=$(mktemp -d)
chmod 755 "$work"
apache=$WINEPREFIX/drive_c/Apache2
catalogs=$apache/htdocs/Catalogs
drive_d=$WINEPREFIX/dosdevices/d:
mapped_d=$(readlink "$drive_d" || true)
source "$here/faulty_cd.sh"
source "$here/outcome.sh"
trap '"$here/../tools/apache-fixture.sh" stop "$work/apache-state" || true; unmount_faulty_cd; ln -sfn "$mapped_d" "$drive_d"; rm -rf "$work" "$apache"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_eq() { [[ "$1" == "$2" ]] || fail "$3: expected [$2], got [$1]"; }
fresh_apache() { rm -rf "$apache"; mkdir -p "$apache/htdocs"; }
map_d() { ln -sfn "$1" "$drive_d"; }
wait_for() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.05; done
  fail "never happened: $*"
  return 1
}

"$here/../tools/make-sample-cd.py" --no-installer "$work/cd" 2>/dev/null
map_d "$work/cd"

# The help speaks of Windows paths as Windows takes them, not of Wine's drive map.
help=$(cd "$work" && "$wine" "$program" --help)
[[ "$help" == *'Both options take Windows paths (C:\Apache2, D:\), as the system resolves them.'* && "$help" != *dosdevices* ]] \
  || fail "the Windows help's paths: $help"

# The window program without a display says so, and fails, rather than vanishing.
status=0
no_display=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY "$wine" "$(dirname "$program")/Zandrel2.exe" 2>&1 >/dev/null) || status=$?
expect_eq "$status:$no_display" "1:zandrel2: no window can be shown (no display); without one, install with zandrel2-install" \
  "the window program without a display"

# Standard output closed: the trace is dropped without a word, as by the Linux program.
fresh_apache
status=0
(cd "$work" && "$wine" "$program" >&- 2>"$work/notices") || status=$?
expect_eq "$status" 0 "status with standard output closed"
expect_eq "$(cat "$work/notices")" "Start to Install." "notices with standard output closed"

# Each install leaves a log in the user's temporary folder, the trace and the notices
# in it, ending with the exit status.
newest_log=$(find "$WINEPREFIX/drive_c/users" -name 'zandrel2-*.log' -newer "$work/notices" | sort | tail -n 1)
if [[ -n "$newest_log" ]]; then
  [[ "$(tail -n 1 "$newest_log")" == "exit status 0"$'\r' && "$(sed -n 2p "$newest_log")" == "Start to Install."$'\r' ]] \
    || fail "the Windows program's log: $(cat "$newest_log")"
else
  fail "no log in the temporary folder under $WINEPREFIX/drive_c/users"
fi

# Whether the server serves the catalog, asked through WinHTTP of a real Apache2 on this
# machine: served; then, with the server stopped, nothing answers, and the verdict says
# how a Windows server is started. Neither changes the status.
fresh_apache
mkdir -p "$apache/conf"
"$here/../tools/apache-fixture.sh" start "$work/apache-state" "$apache/htdocs" >/dev/null
port=$(<"$work/apache-state/port")
printf 'Listen 127.0.0.1:%s\r\n' "$port" >"$apache/conf/httpd.conf"
# The summary's line that says whether the server serves the catalog.
verdict_line() { tr -d '\r' <"$work/notices" | grep -E '^zandrel2-install: (served at|not served:|not checked:)' || true; }
status=0
(cd "$work" && "$wine" "$program" --summary >/dev/null 2>"$work/notices") || status=$?
expect_eq "$status:$(verdict_line)" "0:zandrel2-install: served at http://127.0.0.1:$port/Catalogs/index.htm" \
  "the verdict through WinHTTP"
"$here/../tools/apache-fixture.sh" stop "$work/apache-state"
status=0
(cd "$work" && "$wine" "$program" --summary >/dev/null 2>"$work/notices") || status=$?
expect_eq "$status:$(verdict_line)" "0:zandrel2-install: not served: nothing answers at http://127.0.0.1:$port/Catalogs/index.htm, so the server is not running; start its Windows service (net start Apache2.4), or run httpd -k start in C:\Apache2\bin" \
  "the verdict through WinHTTP with the server stopped"

# On a Japanese account the temporary folder's path is Japanese: the log goes to the
# folder of the logs there, and a Japanese --log names the file it says.
fresh_apache
mkdir -p "$WINEPREFIX/drive_c/山田/Temp"
windows_program="Z:${program//\//\\}"
(cd "$work" && "$wine" cmd /c "set TMP=C:\\山田\\Temp&& set TEMP=C:\\山田\\Temp&& $windows_program --summary" >/dev/null 2>"$work/notices") || true
japanese_log=$({ find "$WINEPREFIX/drive_c/山田/Temp/zandrel2" -name 'zandrel2-*.log' 2>/dev/null || true; } | head -n 1)
[[ -n "$japanese_log" && "$(tail -n 1 "$japanese_log")" == "exit status 0"$'\r' ]] || fail "no log in a Japanese temporary folder: $(ls -R "$WINEPREFIX/drive_c/山田")"
[[ "$(iconv -f CP932 -t UTF-8 "$work/notices" | tr -d '\r' | sed -n 's/^zandrel2-install: the log is //p')" == "C:\山田\Temp\zandrel2\zandrel2-"*".log" ]] \
  || fail "the summary's log in a Japanese temporary folder: $(iconv -f CP932 -t UTF-8 "$work/notices")"
rm -rf "${WINEPREFIX:?}/drive_c/山田"
fresh_apache
status=0
(cd "$work" && "$wine" "$program" --log 'C:\ログ.txt' --summary >/dev/null 2>"$work/notices") || status=$?
expect_eq "$status" 0 "status with a Japanese --log"
[[ "$(tail -n 1 "$WINEPREFIX/drive_c/ログ.txt")" == "exit status 0"$'\r' ]] || fail "the Japanese --log: $(ls "$WINEPREFIX/drive_c")"
[[ "$(iconv -f CP932 -t UTF-8 "$work/notices" | tr -d '\r' | sed -n 's/^zandrel2-install: the log is //p')" == 'C:\ログ.txt' ]] || fail "the summary's Japanese log"
rm -f "$WINEPREFIX/drive_c/ログ.txt"
# A Japanese install directory: the server's address comes from its conf\httpd.conf.
japanese_apache=$WINEPREFIX/drive_c/カタログ/Apache2
mkdir -p "$japanese_apache/htdocs" "$japanese_apache/conf"
printf 'Listen 127.0.0.1:8123\n' >"$japanese_apache/conf/httpd.conf"
(cd "$work" && "$wine" "$program" --install-dir 'C:\カタログ\Apache2' --summary >/dev/null 2>"$work/notices") || true
iconv -f CP932 -t UTF-8 "$work/notices" | tr -d '\r' | grep -qx "zandrel2-install: browse it at http://127.0.0.1:8123/Catalogs/index.htm" \
  || fail "the address from a Japanese install directory: $(iconv -f CP932 -t UTF-8 "$work/notices")"
rm -rf "${WINEPREFIX:?}/drive_c/カタログ"
# --log refuses one of the CD's files and a device, as on Linux.
while IFS='|' read -r log_file why; do
  status=0
  (cd "$work" && "$wine" "$program" --log "$log_file" >/dev/null 2>"$work/notices") || status=$?
  expect_eq "$status" 64 "status of --log $log_file"
  expect_eq "$(tr -d '\r' <"$work/notices")" "zandrel2-install: --log $log_file: $why" "why --log $log_file is refused"
done <<'ROWS'
D:\INST_FP\index.htm|it is in a folder the install copies from the CD; choose a log outside the CD
NUL|it is there and is not a regular file
ROWS

# A reader gone: the same words as the Linux program's.
fresh_apache
(cd "$work" && "$wine" "$program" 2>"$work/notices" | head -c 1 >/dev/null) || true
expect_eq "$(tail -n 1 "$work/notices")" "zandrel2-install: the trace could not be written to standard output: Broken pipe" \
  "a reader gone"

# On a console, the reason line carries the system's own words in the characters meant
# (a Japanese system's, here), whatever the console's code page.
shown=$(cd "$work" && script -qec "'$wine' '$program' --cd 'Q:\\'" /dev/null </dev/null 2>/dev/null \
  | sed -E 's/\x1b\[[0-9;?]*[a-zA-Z]//g' | tr -d '\r\n' || true)
[[ "$shown" == *"for the frame page: パスが見つかりません。"* ]] || fail "the reason line on a console: $shown"

# Two names that the code page's best fit would make one: the one it cannot hold is
# reported, never read as the other, which is copied once.
fresh_apache
printf 'plain e' >"$work/cd/FP/jpg/cafe.jpg"
printf 'accented e' >"$work/cd/FP/jpg/café.jpg"
status=0
(cd "$work" && "$wine" "$program" >"$work/trace" 2>"$work/notices") || status=$?
expect_eq "$status" 2 "status with a name the code page cannot hold"
expect_eq "$(grep -c '^copy .*\\cafe\.jpg\. ' "$work/trace")" 1 "copy lines for cafe.jpg"
grep -q '^ERR-05(1113)  File Copy Error. :D:\\\\FP\\jpg\\\\caf?\.jpg'$'\r$' "$work/trace" \
  || fail "no ERR-05(1113) for café.jpg: $(grep -a caf "$work/trace")"
expect_eq "$(cat "$catalogs/QXT905/jpg/cafe.jpg")" "plain e" "cafe.jpg installed from itself"
rm "$work/cd/FP/jpg/cafe.jpg" "$work/cd/FP/jpg/café.jpg"

# Three installs of a folder of many files at the same time, in rounds: none fails
# another (each lets go of a copy it has put in place at once).
cp -a "$work/cd" "$work/many-cd"
for i in $(seq 600); do head -c 4000 /dev/urandom >"$work/many-cd/FP/jpg/s$i.jpg"; done
map_d "$work/many-cd"
fresh_apache
(cd "$work" && "$wine" "$program" >/dev/null 2>&1) || fail "the first install of the many files"
for round in 1 2 3; do
  pids=()
  for slot in 1 2 3; do
    (cd "$work" && exec "$wine" "$program" >"$work/trace-$slot" 2>/dev/null) &
    pids+=($!)
  done
  for slot in 1 2 3; do
    status=0
    await_exit "${pids[slot - 1]}" 60 || status=$?
    expect_eq "$status" 0 "round $round, install $slot: $(grep -a -m 1 'ERR-05' "$work/trace-$slot" || true)"
  done
done
diff -r "$catalogs/QXT905/jpg" "$work/many-cd/FP/jpg" >/dev/null || fail "the photos after the concurrent installs"
map_d "$work/cd"

if ! have_fuse; then
  skip_part "the stop requests and the disc taken out (no FUSE here)"
  finish_test
fi

# A terminal's foreground program starts with Ctrl-C in place; a background job would not.
with_interrupt="import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.execv(sys.argv[1], sys.argv[1:])"
start_install() {
  (cd "$work" && exec python3 -c "$with_interrupt" "$wine" "$program" >"$work/trace" 2>"$work/notices") &
  install_pid=$!
}

# Ctrl-C in the frame page's search, before the copy: the stop status and nothing
# copied; between the catalog root's ERR-01 and its first entry: the trace ends with a
# line end.
while IFS='|' read -r folder expected_trace; do
  fresh_apache
  rm -f "$work/listing"
  mount_faulty_cd "$work/cd" "$work/faulty" --slow-listing "$folder:3" --listing-mark "$work/listing"
  map_d "$work/faulty"
  start_install
  wait_for test -s "$work/listing"
  kill -INT "$install_pid"
  status=0
  await_exit "$install_pid" 60 || status=$?
  expect_eq "$status" 130 "status of Ctrl-C while listing $folder"
  expect_eq "$(cat "$work/notices")" $'Start to Install.\nInstall stopped.' "notices of Ctrl-C while listing $folder"
  expect_eq "$(cat -v "$work/trace")" "$expected_trace" "trace of Ctrl-C while listing $folder"
  unmount_faulty_cd
done <<'ROWS'
HTML|
INST_FP|ERR-01 Fial to Create Derectory.^M
ROWS

# Ctrl-C during a read that stalls: acted on within a second all the same, as on Linux,
# with the file the read was for abandoned and the old one kept. (Wine, like Linux,
# lets the process go only once the read returns: the output is timed, not the end.)
fresh_apache
cp -a "$work/cd" "$work/stall-cd"
head -c 300000 /dev/urandom >"$work/stall-cd/FP/jpg/p000.jpg"
mkdir -p "$catalogs/QXT905/jpg"
echo "the older photo" >"$catalogs/QXT905/jpg/p000.jpg"
mount_faulty_cd "$work/stall-cd" "$work/faulty" --slow-reads p000.jpg:6
map_d "$work/faulty"
start_install
# Wine's processes come and go while /proc is read: find's complaints are no answer.
reading_stalled() { { find /proc/[0-9]*/fd -lname "$work/faulty/FP/jpg/p000.jpg" 2>/dev/null || true; } | grep -q .; }
wait_for reading_stalled
sleep 0.5
kill -INT "$install_pid"
stop_noticed() { grep -q "Install stopped." "$work/notices"; }
for _ in $(seq 80); do stop_noticed && break; sleep 0.05; done
stop_noticed || fail "Ctrl-C during a stalled read not acted on within 4 s: $(cat "$work/notices")"
status=0
await_exit "$install_pid" 60 || status=$?
expect_eq "$status" 130 "status of Ctrl-C during a stalled read"
expect_eq "$(cat "$catalogs/QXT905/jpg/p000.jpg")" "the older photo" "the file a stalled read would have replaced"
# Windows has no unnamed files: the abandoned copy's held temporary name stays until the
# next install sweeps it, and nothing else is there.
expect_eq "$(ls -A "$catalogs/QXT905/jpg" | grep -Evc '^(p0[01][0-9]\.jpg|\.zandrel2-[0-9A-Za-z]{6})$')" 0 "files left by a stop during a stalled read"
unmount_faulty_cd

# A disc taken out part-way (a lazy unmount): the folders gone with it fail the install.
fresh_apache
cp -a "$work/cd" "$work/eject-cd"
for i in $(seq 20); do head -c 70000 /dev/urandom >"$work/eject-cd/INST_FP/p$i.jpg"; done
mount_faulty_cd "$work/eject-cd" "$work/faulty" --slow-all 0.1
map_d "$work/faulty"
start_install
root_has_photo() { compgen -G "$catalogs/p*.jpg" >/dev/null; }
wait_for root_has_photo
eject_faulty_cd "$install_pid"
expect_eq "$ejected_status" 2 "status after the disc was taken out"
expect_eq "$(head -n 2 "$work/notices")" $'Start to Install.\nERR-05 File Copy Error.' "notices after the disc was taken out"

finish_test
