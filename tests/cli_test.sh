#!/usr/bin/env bash
# The command-line front end as a user meets it: options, exit statuses, notices on
# standard error, and the trace on a file, a pipe, a terminal or no output at all.
set -euo pipefail
install_tool=$1
racing_folder=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
source "$here/faulty_cd.sh"
source "$here/outcome.sh"
trap 'unmount_faulty_cd; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_eq() { [[ "$1" == "$2" ]] || fail "$3: expected [$2], got [$1]"; }

# A small CD and an Apache2 install directory, reached through drive letters; the logs
# go to a folder of the test's own.
export WINEPREFIX=$work/prefix XDG_STATE_HOME=$work/state
logs=$work/state/zandrel2
mkdir -p "$WINEPREFIX/dosdevices" "$work/cd/INST_FP" "$work/cd/FP/HTML" "$work/c/Apache2/htdocs"
ln -s "$work/cd" "$WINEPREFIX/dosdevices/d:"
ln -s "$work/c" "$WINEPREFIX/dosdevices/c:"
echo index > "$work/cd/INST_FP/index.htm"
echo frame > "$work/cd/FP/HTML/QXT905_frame.htm"
fresh_install_dir() { rm -rf "$work/c/Apache2/htdocs/Catalogs"; }

# Options: each row is arguments, expected status, and text the output must hold.
while IFS='|' read -r arguments status expected; do
  set +e
  output=$(eval "\"$install_tool\" $arguments" 2>&1)
  actual=$?
  set -e
  expect_eq "$actual" "$status" "status of [$arguments]"
  [[ "$output" == *"$expected"* ]] || fail "output of [$arguments] lacks [$expected]: $output"
done <<'ROWS'
--version|0|zandrel2-install 1.0.0.1
--help|0|--install-dir
--help|0|3   installed, but the trace could not be written
/?|0|dosdevices/x: of Wine's drive map
--bogus|64|zandrel2-install: unknown option --bogus
--intall-dir /tmp/x|64|zandrel2-install: unknown option --intall-dir; did you mean --install-dir?
--cd|64|--cd
extra-argument|64|zandrel2-install: unexpected argument extra-argument
ROWS

# The help reads as a well-kept tool's: within 80 columns whatever COLUMNS says, none of
# the parser's own clutter, and examples.
help=$(COLUMNS=60 "$install_tool" --help)
expect_eq "$(awk 'length($0) > 80' <<<"$help")" "" "help lines over 80 columns"
[[ "$help" != *TEXT* && "$help" != *Excludes* && "$help" == *$'Examples:\n  zandrel2-install --cd '* ]] \
  || fail "the help's clutter or examples: $help"

# A clean install with the defaults D:\ and C:\Apache2: status 0, one notice, the
# trace in a file with CR LF line ends.
fresh_install_dir
status=0
"$install_tool" >"$work/trace" 2>"$work/notices" || status=$?
expect_eq "$status" 0 "clean install status"
expect_eq "$(cat "$work/notices")" "Start to Install." "clean install notices"
expected_first=$'ERR-01 Fial to Create Derectory.copy D:\\\\INST_FP\\\\. to C:\\Apache2\\htdocs\\Catalogs\\.. \r'
expect_eq "$(head -n 1 "$work/trace")" "$expected_first" "first trace line"
expect_eq "$(grep -c $'\r$' "$work/trace")" "$(wc -l < "$work/trace")" "every line ends in CR LF"
expect_eq "$(cat "$work/c/Apache2/htdocs/Catalogs/QXT905/HTML/QXT905_frame.htm")" frame "installed frame page"

# --summary ends a run on a file with the summary a terminal gets by itself: installed,
# the catalog folder, its address, whether the server serves it (here there is no
# server's folder to ask), and the log.
"$install_tool" --summary >"$work/trace" 2>"$work/notices"
newest_log=$(ls "$logs"/zandrel2-*.log | tail -n 1)
expect_eq "$(cat "$work/notices")" "Start to Install.
zandrel2-install: installed: 2 files copied, 0 failed, 12 bytes in 0:00
zandrel2-install: the catalog is in C:\Apache2\htdocs\Catalogs\QXT905 ($WINEPREFIX/dosdevices/c:/Apache2/htdocs/Catalogs/QXT905)
zandrel2-install: browse it at $WINEPREFIX/dosdevices/c:/Apache2/htdocs/Catalogs/index.htm
zandrel2-install: not checked: C:\Apache2 ($WINEPREFIX/dosdevices/c:/Apache2) holds no conf\httpd.conf, so it may not be Apache2's folder; \"Open the catalog\" opens the file from disk, not through the server
zandrel2-install: the log is $newest_log" "the summary"

# --open hands the catalog's address to the desktop's opener (a recording stand-in
# here): the front page file without a server configuration, the server's address with
# one; nothing after a failed install.
mkdir -p "$work/opener"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work/opener" >"$work/opener/xdg-open"
chmod +x "$work/opener/xdg-open"
PATH=$work/opener:$PATH "$install_tool" --open >/dev/null 2>&1
expect_eq "$(cat "$work/opener/opened")" "$WINEPREFIX/dosdevices/c:/Apache2/htdocs/Catalogs/index.htm" "opened without a server"
mkdir -p "$work/c/Apache2/conf"
printf '# the port\nListen 127.0.0.1:8081\n' >"$work/c/Apache2/conf/httpd.conf"
rm "$work/opener/opened"
PATH=$work/opener:$PATH "$install_tool" --open >/dev/null 2>&1
expect_eq "$(cat "$work/opener/opened")" "http://127.0.0.1:8081/Catalogs/index.htm" "opened through the server"
rm -r "$work/opener/opened" "$work/c/Apache2/conf"
status=0
PATH=$work/opener:$PATH "$install_tool" --open --cd 'X:\' >/dev/null 2>&1 || status=$?
expect_eq "$status:$([[ -e "$work/opener/opened" ]] && echo opened)" "1:" "no opening after a failed install"

# Every install writes a log of its own: what it was asked, the trace as it is, the
# notices and the summary in the order they came, and the exit status.
expected_log=$(printf 'zandrel2-install 1.0.0.1: the catalog from D:\\ into C:\\Apache2\r\nStart to Install.\r\n'; cat "$work/trace"; tail -n +2 "$work/notices" | sed 's/$/\r/'; printf 'exit status 0\r')
expect_eq "$(cat "$newest_log")" "$expected_log" "the install's log"
# The newest 20 logs are kept; --log writes one where it is told, --no-log none; a log
# that cannot be written is mentioned, and costs the install nothing.
# Only names of the logs' exact pattern are pruned, oldest first, never a user's notes, a
# link or the log just written, even where a clock set back makes it the oldest name.
rm "$logs"/*
for i in $(seq 10 34); do : >"$logs/zandrel2-20000101-000000-0$i.log"; done
: >"$logs/zandrel2-20000101-000000-015-1.log"
: >"$logs/zandrel2-29991231-235959-999.log"
: >"$logs/zandrel2-my-notes.log"
ln -s "$work/elsewhere.log" "$logs/zandrel2-19990101-000000-000.log"
"$install_tool" --summary >/dev/null 2>"$work/notices"
written=$(sed -n 's/^zandrel2-install: the log is //p' "$work/notices")
[[ -s "$written" ]] || fail "the log the summary names is not there: $written"
expect_eq "$(ls "$logs" | grep -Ec '^zandrel2-[0-9]{8}-[0-9]{6}-[0-9]{3}(-[0-9]+)?\.log$')" 21 "logs kept, the link among them"
expect_eq "$(LC_ALL=C ls "$logs" | sed -n 2p)" "zandrel2-20000101-000000-017.log" "the oldest log kept"
[[ -e "$logs/zandrel2-my-notes.log" && -L "$logs/zandrel2-19990101-000000-000.log" ]] || fail "a user's files were pruned"
# Each log is a new file: a link planted at a log's name, even one pointing nowhere, is
# never followed, and the install takes the next name. Links for every millisecond of
# the next half minute stand in for a planted link and another install's log alike.
rm "$logs"/*
python3 -c '
import datetime, os, sys
now = datetime.datetime.now(datetime.timezone.utc)
for ms in range(0, 30000):
    t = now + datetime.timedelta(milliseconds=ms)
    os.symlink(sys.argv[2], os.path.join(sys.argv[1], t.strftime("zandrel2-%Y%m%d-%H%M%S-") + "%03d.log" % (t.microsecond // 1000)))
' "$logs" "$work/planted.log"
"$install_tool" --summary >/dev/null 2>"$work/notices"
[[ ! -e "$work/planted.log" ]] || fail "the log followed a planted link"
[[ "$(sed -n 's/^zandrel2-install: the log is //p' "$work/notices")" == "$logs/zandrel2-"*"-1.log" ]] || fail "the next name not taken: $(cat "$work/notices")"
find "$logs" -mindepth 1 -delete
# Without an absolute XDG_STATE_HOME or HOME there is no log folder: no log, said once,
# and nothing made relative to wherever the program started.
status=0
mkdir "$work/started-here"
(cd "$work/started-here" && env -u HOME XDG_STATE_HOME=state "$install_tool" >/dev/null 2>"$work/notices") || status=$?
expect_eq "$status" 0 "status without a home"
expect_eq "$(grep -c "no log was written" "$work/notices")" 1 "lines about the log without a home"
expect_eq "$(tail -n 1 "$work/notices")" "zandrel2-install: no log was written: neither XDG_STATE_HOME nor HOME names an absolute folder" "no home"
expect_eq "$(ls -A "$work/started-here")" "" "folders made without a home"
# A log that cannot be completed (here, over the file size limit) is removed, not left
# without its end.
for i in $(seq 1 30); do echo "page $i" >"$work/cd/INST_FP/page$i.htm"; done
status=0
(ulimit -f 1 && exec "$install_tool" --log "$work/limited.log" >/dev/null 2>"$work/notices") || status=$?
expect_eq "$status" 0 "status when the log cannot be completed"
[[ "$(tail -n 1 "$work/notices")" == "zandrel2-install: no log was written: $work/limited.log: The file size exceeds the limit allowed and cannot be saved." ]] \
  || fail "the log that cannot be completed: $(cat "$work/notices")"
[[ ! -e "$work/limited.log" ]] || fail "a partial log was left"
rm "$work"/cd/INST_FP/page*.htm
# --log refuses, as bad usage and before anything is opened, a file among those the
# install copies (an existing CD file would be emptied, a new one copied half-written)
# and anything there that is no regular file (a FIFO would wait for a reader).
mkfifo "$work/fifo"
ln -s "$work/cd/INST_FP/index.htm" "$work/link-to-cd.log"
while IFS='|' read -r log_file why; do
  status=0
  timeout 10 "$install_tool" --log "${log_file//\$work/$work}" >/dev/null 2>"$work/notices" || status=$?
  expect_eq "$status" 64 "status of --log $log_file"
  expect_eq "$(cat "$work/notices")" "zandrel2-install: --log ${log_file//\$work/$work}: $why" "why --log $log_file is refused"
done <<'ROWS'
$work/cd/INST_FP/index.htm|it is in a folder the install copies from the CD; choose a log outside the CD
$work/cd/FP/HTML/new.log|it is in a folder the install copies from the CD; choose a log outside the CD
$work/link-to-cd.log|it is in a folder the install copies from the CD; choose a log outside the CD
$work/fifo|it is there and is not a regular file
$work/cd|it is there and is not a regular file
ROWS
expect_eq "$(cat "$work/cd/INST_FP/index.htm")" index "the CD file named as the log"
[[ ! -e "$work/cd/FP/HTML/new.log" ]] || fail "a log was made among the CD's files"
"$install_tool" --log "$work/chosen.log" >/dev/null 2>&1
[[ "$(tail -n 1 "$work/chosen.log")" == "exit status 0"$'\r' ]] || fail "--log: $(cat "$work/chosen.log")"
before=$(ls "$logs")
"$install_tool" --no-log >/dev/null 2>&1
expect_eq "$(ls "$logs")" "$before" "logs after --no-log"
status=0
XDG_STATE_HOME=/dev/null/state "$install_tool" >/dev/null 2>"$work/notices" || status=$?
expect_eq "$status" 0 "status when the log cannot be written"
[[ "$(tail -n 1 "$work/notices")" == "zandrel2-install: no log was written: /dev/null/state/zandrel2: The system cannot find the path specified." ]] \
  || fail "the log that cannot be written: $(cat "$work/notices")"

# Preparation failure: status 1, the ERR-01 notice, no trace.
status=0
"$install_tool" --install-dir 'C:\NoSuchApache' >"$work/trace" 2>"$work/notices" || status=$?
expect_eq "$status" 1 "preparation failure status"
expect_eq "$(cat "$work/notices")" "ERR-01 Fial to Create Derectory."$'\n'"zandrel2-install: cannot create C:\NoSuchApache\htdocs\Catalogs: C:\NoSuchApache ($WINEPREFIX/dosdevices/c:/NoSuchApache) does not exist" "preparation failure notice and why"
expect_eq "$(wc -c < "$work/trace")" 0 "preparation failure trace"

# After the notice, the commonest failures say in the user's terms what to do, and then
# one line says why, for each kind of preparation failure.
mkdir -p "$work/empty-cd/FP/HTML" "$work/no-htdocs"
while IFS='|' read -r arguments next why; do
  status=0
  eval "\"$install_tool\" $arguments" >/dev/null 2>"$work/notices" || status=$?
  expect_eq "$status" 1 "status of [$arguments]"
  expected=$'ERR-01 Fial to Create Derectory.\n'
  [[ -z $next ]] || expected+="zandrel2-install: ${next//\$work/$work}"$'\n'
  expect_eq "$(cat "$work/notices")" "${expected}zandrel2-install: ${why//\$work/$work}" "why [$arguments] failed"
done <<'ROWS'
--install-dir "$work/no-htdocs"|$work/no-htdocs has no htdocs folder, so it does not look like Apache2's folder. Name Apache2's folder with --install-dir.|cannot create $work/no-htdocs/htdocs/Catalogs: $work/no-htdocs/htdocs does not exist
--install-dir 'Q:\Apache2'||cannot create Q:\Apache2\htdocs\Catalogs: drive Q: is not mapped, and Q:\Apache2 is a Windows path: give Apache2's folder as a Linux path (--install-dir /path/to/apache2), or map Q: in Wine's drive map (a link dosdevices/q: to its folder in the Wine prefix, ~/.wine unless WINEPREFIX is set)
--cd "$work/empty-cd"|no catalog CD found in $work/empty-cd. Insert the catalog CD, or name its drive or folder with --cd.|the CD holds no frame page: no name containing "fram" in FP\HTML of the CD root $work/empty-cd
--cd 'Q:\'|no catalog CD found in Q:\ (its drive is not mapped). Insert the catalog CD, or name its drive or folder with --cd.|cannot search FP\HTML of the CD root Q:\ (its drive is not mapped) for the frame page: The system cannot find the path specified.
ROWS

# Copy failure: status 2 and the ERR-05 notice after the start notice. A folder in
# the way of index.htm makes its copy fail.
fresh_install_dir
mkdir -p "$work/c/Apache2/htdocs/Catalogs/index.htm"
status=0
"$install_tool" >"$work/trace" 2>"$work/notices" || status=$?
expect_eq "$status" 2 "copy failure status"
expect_eq "$(cat "$work/notices")" $'Start to Install.\nERR-05 File Copy Error.\nzandrel2-install: 1 entry of the catalog was left out: D:\\INST_FP\\index.htm (Access is denied.) (see the trace\'s ERR-03, ERR-04 and ERR-05 lines)' "copy failure notices"
grep -q $'^ERR-05(5)  File Copy Error. :D:\\\\\\\\INST_FP\\\\\\\\index.htm\r$' "$work/trace" || fail "ERR-05 trace line"

# One stream, a pipe or a terminal, holds the trace and the notices in the order they
# happened: the trace is written out before each notice, and each notice is whole.
piped=$("$install_tool" 2>&1 | tr -d '\r' || true)
on_terminal=$(script -qec "\"$install_tool\" --no-progress --trace" /dev/null </dev/null | tr -d '\r' || true)
for combined in "$piped" "$on_terminal"; do
  [[ "$combined" == "Start to Install."$'\n'"ERR-01 Fial"*$'\n'"ERR-05 File Copy Error."$'\n'"zandrel2-install: 1 entry"* ]] \
    || fail "trace and notices out of order: $combined"
  [[ "$combined" != *"jpgERR-05"* && "$combined" != *"htmERR-05 File"* ]] || fail "a notice inside a trace line: $combined"
done
rmdir "$work/c/Apache2/htdocs/Catalogs/index.htm"

# On a terminal a person reads no trace (the copy lines, a repeated install's ERR-01):
# the notices and the summary say what happened, and the log keeps the trace; --trace
# asks for it there too.
fresh_install_dir
terminal=$(script -qec "\"$install_tool\" --no-progress" /dev/null </dev/null | tr -d '\r' || true)
[[ "$terminal" != *"copy D:"* && "$terminal" != *"ERR-01"* && "$terminal" == "Start to Install."$'\n'"zandrel2-install: installed: "*" files copied, 0 failed"* ]] \
  || fail "the trace on a terminal without --trace: $terminal"
# The summary is a few short lines, each a fact: the folder, the address and its
# verdict, and the log.
expect_eq "$(sed 's/^zandrel2-install: \([a-z ]*\).*/\1/' <<<"$terminal" | tail -n +2 | tr '\n' '|')" \
  "installed|the catalog is in |browse it at |not checked|the log is |" "the summary's lines on a terminal"
grep -q "^copy D:" "$(ls "$logs"/zandrel2-*.log | tail -n 1)" || fail "the log lacks the trace kept off the terminal"

# No standard output at all: the install behaves the same and the trace goes nowhere,
# not into a file the install opens.
fresh_install_dir
status=0
"$install_tool" >&- 2>"$work/notices" || status=$?
expect_eq "$status" 0 "install without standard output"
expect_eq "$(cat "$work/c/Apache2/htdocs/Catalogs/index.htm")" index "installed index without standard output"
if grep -rqs "copy D:" "$work/c"; then fail "trace landed in the installed tree"; fi

# A trace that cannot be written is reported, and the install still completes: its
# own status where it succeeded, the install's where it failed.
fresh_install_dir
status=0
"$install_tool" >/dev/full 2>"$work/notices" || status=$?
expect_eq "$status" 3 "status with a full disk under the trace"
expect_eq "$(cat "$work/notices")" "Start to Install."$'\n'"zandrel2-install: the trace could not be written to standard output: No space left on device" "notices with a full disk under the trace"
expect_eq "$(cat "$work/c/Apache2/htdocs/Catalogs/QXT905/HTML/QXT905_frame.htm")" frame "install with a full disk under the trace"
rm -f "$work/c/Apache2/htdocs/Catalogs/index.htm"
mkdir "$work/c/Apache2/htdocs/Catalogs/index.htm"
status=0
"$install_tool" >/dev/full 2>"$work/notices" || status=$?
expect_eq "$status" 2 "a failed install keeps its status when the trace is lost too"
expect_eq "$(tail -n 1 "$work/notices")" "zandrel2-install: the trace could not be written to standard output: No space left on device" "the lost trace reported after a failed install"
rmdir "$work/c/Apache2/htdocs/Catalogs/index.htm"

# A reader that goes away early does not stop the install.
fresh_install_dir
"$install_tool" 2>/dev/null | head -c 1 >/dev/null
expect_eq "$(cat "$work/c/Apache2/htdocs/Catalogs/QXT905/HTML/QXT905_frame.htm")" frame "install under a closed pipe"

# Another install creating the catalog root at the same moment: the ERR-01 notice, and
# a reason line that says so instead of the system's "already exists".
fresh_install_dir
status=0
LD_PRELOAD=$racing_folder ZANDREL2_RACING_FOLDER=/htdocs/Catalogs ASAN_OPTIONS=verify_asan_link_order=0 \
  "$install_tool" >/dev/null 2>"$work/notices" || status=$?
expect_eq "$status" 1 "status when another install creates the catalog root"
expect_eq "$(cat "$work/notices")" "ERR-01 Fial to Create Derectory."$'\n'"zandrel2-install: cannot create C:\Apache2\htdocs\Catalogs: another install created it at the same moment; run the install again to complete the catalog" "notices when another install creates the catalog root"
"$install_tool" >/dev/null 2>&1 || fail "the install run again after the race"

# Nothing is left out in silence: a CD file whose name holds a backslash, which no
# Windows path can name, is reported rather than skipped; a file larger than the file
# size limit (ulimit -f) fails its copy instead of ending the program.
fresh_install_dir
echo odd > "$work/cd/INST_FP/a\\b.htm"
head -c 200000 /dev/zero > "$work/cd/INST_FP/large.htm"
status=0
(ulimit -f 100 && exec "$install_tool" >"$work/trace" 2>"$work/notices") || status=$?
expect_eq "$status" 2 "status with a backslash name and a file over the size limit"
expect_eq "$(head -n 2 "$work/notices")" $'Start to Install.\nERR-05 File Copy Error.' "notices with a backslash name and a file over the size limit"
grep -q '^ERR-05(123)  File Copy Error. :D:\\\\INST_FP\\\\a\\b.htm'$'\r$' "$work/trace" || fail "no ERR-05(123) for the backslash name: $(cat "$work/trace")"
grep -q '^ERR-05(223)  File Copy Error. :D:\\\\INST_FP\\\\large.htm'$'\r$' "$work/trace" || fail "no ERR-05(223) for the file over the size limit: $(cat "$work/trace")"
[[ ! -e "$work/c/Apache2/htdocs/Catalogs/large.htm" && -e "$work/c/Apache2/htdocs/Catalogs/index.htm" ]] \
  || fail "what the size limit left in the catalog root"
rm "$work/cd/INST_FP/a\\b.htm" "$work/cd/INST_FP/large.htm"

# A sparse file keeps its holes: 64 MiB with one run of data takes no more than that run.
fresh_install_dir
truncate -s 64M "$work/cd/INST_FP/sparse.jpg"
printf 'data in the middle' | dd of="$work/cd/INST_FP/sparse.jpg" bs=1 seek=$((32 << 20)) conv=notrunc status=none
if (( $(stat -c %b "$work/cd/INST_FP/sparse.jpg") * 512 < (1 << 20) )); then
  "$install_tool" >/dev/null 2>&1 || fail "install of a sparse file"
  cmp -s "$work/cd/INST_FP/sparse.jpg" "$work/c/Apache2/htdocs/Catalogs/sparse.jpg" || fail "the sparse file's copy differs"
  allocated=$(( $(stat -c %b "$work/c/Apache2/htdocs/Catalogs/sparse.jpg") * 512 ))
  echo "a sparse file of 64 MiB took $allocated bytes on the target"
  (( allocated < (1 << 20) )) || fail "the sparse file's copy took $allocated bytes"
else
  skip_part "the sparse copy (this file system keeps no holes)"
fi
rm "$work/cd/INST_FP/sparse.jpg"

# A CD's names are shown, never obeyed: control characters in the reason line, the
# summary and the log's notes are written out, so that a name can neither drive the
# terminal nor forge a line. The trace on a file stays byte for byte.
fresh_install_dir
escape_name=$'x\e]0;PWNED\a\e[2J red'
forging_name=$'a\nzandrel2-install: 37 files copied, 0 failed; installed OK'
ln -s nowhere "$work/cd/INST_FP/$escape_name"
ln -s nowhere "$work/cd/INST_FP/$forging_name"
status=0
"$install_tool" --summary --log "$work/names.log" >"$work/trace" 2>"$work/notices" || status=$?
expect_eq "$status" 2 "status with links named to mislead"
for shown in "$work/notices" "$work/names.log"; do
  if LC_ALL=C grep -q $'[\x01-\x08\x0b\x0c\x0e-\x1f\x7f]' "$shown"; then fail "control characters in $shown: $(cat -v "$shown")"; fi
  if grep -q '^zandrel2-install: 37 files copied' "$shown"; then fail "a line forged in $shown"; fi
  grep -qF 'x\x1b]0;PWNED\x07\x1b[2J red' "$shown" || fail "the escaped name is not in $shown: $(cat -v "$shown")"
  grep -qF 'a\nzandrel2-install: 37 files' "$shown" || fail "the line feed is not written out in $shown"
done
grep -qF "$escape_name" "$work/trace" || fail "the trace on a file is not byte for byte"
rm "$work/cd/INST_FP/$escape_name" "$work/cd/INST_FP/$forging_name"

# An install folder deep down: the entries left out name their copies' paths, too long
# by so many characters, and the cure, not the CD's paths.
deep=$work/$(printf 'd%.0s' $(seq 190))/Apache2
mkdir -p "$deep/htdocs"
status=0
"$install_tool" --install-dir "$deep" --summary --no-check >/dev/null 2>"$work/notices" || status=$?
expect_eq "$status" 2 "status of an install folder deep down"
expected_path="$deep/htdocs/Catalogs/QXT905/"
[[ "$(grep 'left out' "$work/notices")" == *": $expected_path"*" characters too long for a Windows path; choose a shorter install folder)"* ]] \
  || fail "the reason for an install folder deep down: $(grep 'left out' "$work/notices")"
rm -rf "$work/$(printf 'd%.0s' $(seq 190))"

# The server's configuration is read only where it is a regular file, and only its first
# MiB: a FIFO or a link to /dev/zero in its place must not hold up a completed install.
mkdir -p "$work/c/Apache2/conf"
for kind in fifo zero; do
  rm -f "$work/c/Apache2/conf/httpd.conf"
  if [[ $kind == fifo ]]; then mkfifo "$work/c/Apache2/conf/httpd.conf"; else ln -s /dev/zero "$work/c/Apache2/conf/httpd.conf"; fi
  status=0
  timeout 20 "$install_tool" --summary >/dev/null 2>"$work/notices" || status=$?
  expect_eq "$status" 0 "status with a $kind for the server's configuration"
  grep -qx "zandrel2-install: browse it at $WINEPREFIX/dosdevices/c:/Apache2/htdocs/Catalogs/index.htm" "$work/notices" \
    || fail "the address with a $kind for the server's configuration: $(cat "$work/notices")"
done
rm -r "$work/c/Apache2/conf"

# The catalog root follows the length rule of every folder the install creates: one
# longer than Windows takes is refused before it is made.
long_dir=$(printf 'a%.0s' $(seq 230))
mkdir -p "$work/c/$long_dir/htdocs"
status=0
"$install_tool" --install-dir "C:\\$long_dir" >/dev/null 2>"$work/notices" || status=$?
expect_eq "$status" 1 "status with a catalog root too long"
expect_eq "$(sed -n 2p "$work/notices")" "zandrel2-install: cannot create C:\\$long_dir\\htdocs\\Catalogs: The filename or extension is too long." "why a catalog root too long failed"
[[ ! -e "$work/c/$long_dir/htdocs/Catalogs" ]] || fail "a catalog root too long was made"
rm -r "${work:?}/c/$long_dir"

# With no thread to be had (a process limit), the copy goes on without the progress line
# and says so once. Root ignores the limit: the program then runs as nobody.
fresh_install_dir
as_limited=()
if ((EUID == 0)); then as_limited=(setpriv --reuid=nobody --regid=nogroup --clear-groups); fi
chmod -R a+rwX "$work/c" "$work/state"
chmod a+rx "$work" "$work/prefix" "$work/prefix/dosdevices"
status=0
# LeakSanitizer needs a thread of its own to look for leaks at the end: not here.
ASAN_OPTIONS=detect_leaks=0 "${as_limited[@]}" prlimit --nproc=1 "$install_tool" --progress >/dev/null 2>"$work/notices" || status=$?
expect_eq "$status" 0 "status with no thread to be had"
expect_eq "$(grep -c "no thread could be started for the progress line" "$work/notices")" 1 "lines about the missing thread"
expect_eq "$(cat "$work/c/Apache2/htdocs/Catalogs/QXT905/HTML/QXT905_frame.htm")" frame "install with no thread to be had"

# What a terminal shows for OUTPUT: each carriage return starts the line over, and
# what is written after it overwrites what was there.
render_terminal() {
  python3 -c '
import sys
for line in sys.stdin.read().split("\n"):
    shown = ""
    for part in line.split("\r"):
        shown = part + shown[len(part):]
    print(shown.rstrip())'
}

# On a slow CD: a terminal gets a progress line that is cleared before each notice and
# trace line; Ctrl-C stops, abandoning the file being copied, with status 130, and the next
# run completes the catalog.
if have_fuse; then
  mkdir -p "$work/slow-cd/FP/HTML" "$work/slow-cd/FP/jpg"
  echo frame > "$work/slow-cd/FP/HTML/QXT905_frame.htm"
  for i in $(seq -w 1 40); do head -c 70000 /dev/urandom > "$work/slow-cd/FP/jpg/p0$i.jpg"; done
  # Each read waits a tenth of a second: the copy takes seconds.
  mount_faulty_cd "$work/slow-cd" "$work/slow" --slow-all 0.1
  fresh_install_dir
  status=0
  # A background job starts with Ctrl-C ignored, which the program keeps; a terminal's
  # foreground program, which this one stands for, starts with it in place.
  with_interrupt="import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.execv(sys.argv[1], sys.argv[1:])"
  script -qfec "echo \$\$ > '$work/pid'; exec python3 -c '$with_interrupt' '$install_tool' --cd '$work/slow' --trace" \
    "$work/typescript" >/dev/null &
  script_pid=$!
  for _ in $(seq 100); do grep -Eq "([2-9]|[1-9][0-9]) of 41 files" "$work/typescript" 2>/dev/null && break; sleep 0.1; done
  grep -Eq "([2-9]|[1-9][0-9]) of 41 files" "$work/typescript" 2>/dev/null || fail "the copy never reached its second file"
  kill -INT "$(cat "$work/pid")"
  await_exit "$script_pid" 60 || status=$?
  expect_eq "$status" 130 "status after Ctrl-C"
  grep -qa "%  [0-9]* of 41 files  .* of 2.7 MB" "$work/typescript" || fail "no progress line: $(cat -v "$work/typescript")"
  shown=$(render_terminal < "$work/typescript" | grep -v '^Script ')
  [[ "$shown" == "Start to Install."$'\n'"ERR-01 Fial to Create Derectory.ERR-03(3) "* ]] || fail "progress line left before the trace: $shown"
  [[ "$shown" == *$'\n'"Install stopped."$'\n'"zandrel2-install: stopped: "*" files copied, 0 failed, "* ]] \
    || fail "stop notice and summary not whole lines: $shown"
  [[ "$shown" != *" of 41 files"* ]] || fail "progress line left on the screen: $shown"
  installed=$work/c/Apache2/htdocs/Catalogs/QXT905/jpg
  copied=$(ls "$installed" | wc -l)
  (( copied > 0 && copied < 40 )) || fail "$copied of 40 photos copied before the stop"
  for photo in "$installed"/*; do cmp -s "$photo" "$work/slow-cd/FP/jpg/${photo##*/}" || fail "partial file ${photo##*/}"; done
  # ".", ".." and the frame page in HTML, "." and ".." in jpg, then the photos copied,
  # and the line of the photo the stop abandoned, where it came inside one.
  lines=$(grep -c "^copy " <<<"$shown")
  ((lines == copied + 5 || lines == copied + 6)) || fail "$lines trace lines for $copied photos copied"
  # The same disc, no longer slowed down.
  "$install_tool" --cd "$work/slow-cd" --no-progress >/dev/null 2>&1 || fail "install after the stop"
  diff -r "$installed" "$work/slow-cd/FP/jpg" >/dev/null || fail "catalog not completed after the stop"
  unmount_faulty_cd

  mkdir "$work/slow-cd/INST_FP"
  echo index > "$work/slow-cd/INST_FP/index.htm"

  # Starts the install from the slow CD in the background with Ctrl-C in place, the
  # trace and notices in files; install_pid is the program's.
  start_slow_install() {
    python3 -c "$with_interrupt" "$install_tool" --cd "$work/slow" "$@" >"$work/trace" 2>"$work/notices" &
    install_pid=$!
  }
  # Waits, with a deadline, until the command succeeds.
  wait_for() {
    for _ in $(seq 200); do "$@" && return 0; sleep 0.05; done
    fail "never happened: $*"
    return 1
  }
  has_photo() { compgen -G "$installed/p0*.jpg" >/dev/null; }

  # A stop request at each edge of the copy: in the frame page search, before the copy,
  # the program ends with the request's status and nothing copied; between the catalog
  # root's ERR-01 and its first entry, the trace ends with a line end. Each row: the
  # signal, the CD folder whose listing it comes in, the status, the trace.
  while IFS='|' read -r signal folder expected_status expected_trace; do
    fresh_install_dir
    rm -f "$work/listing"
    mount_faulty_cd "$work/slow-cd" "$work/slow" --slow-listing "$folder:2" --listing-mark "$work/listing"
    start_slow_install
    wait_for test -s "$work/listing"
    kill -"$signal" "$install_pid"
    status=0
    await_exit "$install_pid" 60 || status=$?
    expect_eq "$status" "$expected_status" "status of $signal while listing $folder"
    expect_eq "$(cat "$work/notices")" $'Start to Install.\nInstall stopped.' "notices of $signal while listing $folder"
    expect_eq "$(cat -v "$work/trace")" "$expected_trace" "trace of $signal while listing $folder"
    [[ ! -e "$installed" ]] || fail "photos copied after $signal while listing $folder"
    unmount_faulty_cd
  done <<'ROWS'
INT|HTML|130|
INT|INST_FP|130|ERR-01 Fial to Create Derectory.^M
TERM|INST_FP|143|ERR-01 Fial to Create Derectory.^M
HUP|INST_FP|129|ERR-01 Fial to Create Derectory.^M
ROWS

  # SIGTERM and SIGHUP mid-copy stop as Ctrl-C does: the trace is whole, with a line
  # for each photo copied and for the one abandoned, if any, and nothing after.
  for signal in TERM HUP; do
    fresh_install_dir
    mount_faulty_cd "$work/slow-cd" "$work/slow" --slow-all 0.1
    start_slow_install
    wait_for has_photo
    kill -"$signal" "$install_pid"
    status=0
    await_exit "$install_pid" 60 || status=$?
    expect_eq "$status" "$([[ $signal == TERM ]] && echo 143 || echo 129)" "status of $signal mid-copy"
    expect_eq "$(tail -n 1 "$work/notices")" "Install stopped." "notice of $signal mid-copy"
    copied=$(ls "$installed" | wc -l)
    lines=$(grep -c "^copy .*\.jpg\. "$'\r$' "$work/trace")
    ((lines == copied || lines == copied + 1)) || fail "$lines trace lines for the $copied photos copied before $signal"
    expect_eq "$(tail -c 2 "$work/trace" | od -An -tx1 | tr -d ' ')" 0d0a "the last two bytes of the trace stopped by $signal"
    unmount_faulty_cd
  done

  # A stop inside a large file on a slow disc abandons that file at once: its copy is
  # discarded, the old file it would have replaced stays, and the trace ends with its line.
  fresh_install_dir
  mkdir -p "$installed"
  echo "the older photo" > "$installed/p001.jpg"
  head -c 3000000 /dev/urandom > "$work/slow-cd/FP/jpg/p000.jpg"
  mount_faulty_cd "$work/slow-cd" "$work/slow" --slow-reads p000.jpg:0.3
  start_slow_install
  reading_large() { find "/proc/$install_pid/fd" -lname "$work/slow/FP/jpg/p000.jpg" 2>/dev/null | grep -q .; }
  wait_for reading_large
  asked=$(date +%s%N)
  kill -INT "$install_pid"
  status=0
  await_exit "$install_pid" 60 || status=$?
  echo "a stop inside a slowed file ended the program after $(( ($(date +%s%N) - asked) / 1000000 )) ms"
  expect_eq "$status" 130 "status of a stop inside a large file"
  [[ ! -e "$installed/p000.jpg" ]] || fail "the large file abandoned by the stop was put in place"
  expect_eq "$(cat "$installed/p001.jpg")" "the older photo" "the file after the abandoned one"
  expect_eq "$(ls -A "$installed")" "p001.jpg" "the photos folder after a stop inside a file"
  [[ "$(tail -n 1 "$work/trace")" == "copy "*"\\p000.jpg to "*$'\\p000.jpg. \r' ]] || fail "the trace's last line: $(tail -n 1 "$work/trace")"
  unmount_faulty_cd

  # A read that stalls (a scratched disc) cannot look for the stop: the program acts on
  # it a second later all the same, as the copy's stop would (notice, log, status 130),
  # the old file kept and nothing part-written. The system lets the process go once
  # the stalled read returns, so the output, not the process's end, is timed here.
  fresh_install_dir
  mkdir -p "$installed"
  echo "the older photo" > "$installed/p000.jpg"
  mount_faulty_cd "$work/slow-cd" "$work/slow" --slow-reads p000.jpg:6
  start_slow_install --log "$work/stalled.log"
  wait_for reading_large
  sleep 0.5  # inside the stalled read
  kill -INT "$install_pid"
  stop_noticed() { grep -q "^Install stopped.$" "$work/notices" && grep -q "^exit status 130"$'\r$' "$work/stalled.log"; }
  for _ in $(seq 80); do stop_noticed && break; sleep 0.05; done
  stop_noticed || fail "a stop during a stalled read not acted on within 4 s: $(cat "$work/notices")"
  status=0
  await_exit "$install_pid" 60 || status=$?
  expect_eq "$status" 130 "status of a stop during a stalled read"
  # A file system without unnamed files keeps the abandoned copy's held temporary name
  # until the next install sweeps it.
  expect_eq "$(ls -A "$installed" | grep -Ev '^\.zandrel2-[0-9A-Za-z]{6}$')" "p000.jpg" "the photos folder after a stop during a stalled read"
  expect_eq "$(cat "$installed/p000.jpg")" "the older photo" "the file the stalled read would have replaced"
  unmount_faulty_cd

  # The progress line's hint after a stop request speaks of the way it came: after
  # SIGTERM, not of Ctrl-C.
  fresh_install_dir
  mount_faulty_cd "$work/slow-cd" "$work/slow" --slow-reads p000.jpg:4
  rm -f "$work/pid"
  script -qfec "echo \$\$ > '$work/pid'; exec '$install_tool' --cd '$work/slow'" "$work/typescript" >/dev/null &
  script_pid=$!
  wait_for test -s "$work/pid"
  install_pid=$(cat "$work/pid")
  wait_for reading_large
  kill -TERM "$install_pid"
  await_exit "$script_pid" 60 || true
  grep -qa "stopping (a second request quits at once)" "$work/typescript" || fail "the hint after SIGTERM: $(cat -v "$work/typescript")"
  if grep -qa "Ctrl-C again" "$work/typescript"; then fail "the hint after SIGTERM speaks of Ctrl-C"; fi
  unmount_faulty_cd
  rm "$work/slow-cd/FP/jpg/p000.jpg"

  # Started with standard input and error closed, the program gives them to no file of
  # its own: the progress line it is asked for goes nowhere, and the catalog is whole.
  fresh_install_dir
  mount_faulty_cd "$work/slow-cd" "$work/slow" --slow-all 0.05
  python3 -c "$with_interrupt" "$install_tool" --cd "$work/slow" --progress >"$work/trace" 0<&- 2>&- &
  install_pid=$!
  wait_for has_photo
  for stream in 0 2; do
    expect_eq "$(readlink "/proc/$install_pid/fd/$stream")" /dev/null "standard stream $stream while the copy runs"
  done
  status=0
  await_exit "$install_pid" 60 || status=$?
  expect_eq "$status" 0 "install with standard input and error closed"
  diff -r "$installed" "$work/slow-cd/FP/jpg" >/dev/null || fail "catalog installed with closed streams differs"
  unmount_faulty_cd

  # A disc taken out part-way (a lazy unmount, as an eject does): the folders not yet
  # copied are gone with it, and that is a failed install, not a CD that lacks them.
  # Here the photos come first, in INST_FP.
  fresh_install_dir
  cp -r "$work/slow-cd" "$work/eject-cd"
  cp "$work/slow-cd/FP/jpg/"* "$work/eject-cd/INST_FP/"
  mount_faulty_cd "$work/eject-cd" "$work/slow" --slow-all 0.1
  start_slow_install
  root_has_photo() { compgen -G "$work/c/Apache2/htdocs/Catalogs/p0*.jpg" >/dev/null; }
  wait_for root_has_photo
  eject_faulty_cd "$install_pid"
  expect_eq "$ejected_status" 2 "status after the disc was taken out"
  expect_eq "$(head -n 2 "$work/notices")" $'Start to Install.\nERR-05 File Copy Error.' "notices after the disc was taken out"
  expect_eq "$(grep -c '^ERR-03(3) ' "$work/trace")" 4 "the four folders gone with the disc"
  # The reason line names the first three and counts the rest.
  [[ "$(sed -n 3p "$work/notices")" == "zandrel2-install: 4 entries of the catalog were left out: $work/slow/FP/HTML/ (The system cannot find the path specified.); "*"; "*" and 1 more (see the trace's ERR-03, ERR-04 and ERR-05 lines)" ]] \
    || fail "the reason line after the disc was taken out: $(sed -n 3p "$work/notices")"
else
  skip_part "the slow-CD progress checks (no FUSE here)"
fi

finish_test
