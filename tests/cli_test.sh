#!/usr/bin/env bash
# The command-line front end as a user meets it: options, exit statuses, notices on
# standard error, and the trace on a file, a pipe, a terminal or no output at all.
set -euo pipefail
install_tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_eq() { [[ "$1" == "$2" ]] || fail "$3: expected [$2], got [$1]"; }

# A small CD and an Apache2 install directory, reached through drive letters.
export WINEPREFIX=$work/prefix
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
--bogus|64|--bogus
--cd|64|--cd
extra-argument|64|extra-argument
ROWS

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

# Preparation failure: status 1, the ERR-01 notice, no trace.
status=0
"$install_tool" --install-dir 'C:\NoSuchApache' >"$work/trace" 2>"$work/notices" || status=$?
expect_eq "$status" 1 "preparation failure status"
expect_eq "$(cat "$work/notices")" "ERR-01 Fial to Create Derectory." "preparation failure notice"
expect_eq "$(wc -c < "$work/trace")" 0 "preparation failure trace"

# Copy failure: status 2 and the ERR-05 notice after the start notice. A folder in
# the way of index.htm makes its copy fail.
fresh_install_dir
mkdir -p "$work/c/Apache2/htdocs/Catalogs/index.htm"
status=0
"$install_tool" >"$work/trace" 2>"$work/notices" || status=$?
expect_eq "$status" 2 "copy failure status"
expect_eq "$(cat "$work/notices")" $'Start to Install.\nERR-05 File Copy Error.' "copy failure notices"
grep -q $'^ERR-05(5)  File Copy Error. :D:\\\\\\\\INST_FP\\\\\\\\index.htm\r$' "$work/trace" || fail "ERR-05 trace line"

# Order on one stream tells the buffering: a pipe holds the trace until exit, after
# the last notice; a terminal gets each trace call at once, before that notice.
piped=$("$install_tool" 2>&1 | tr -d '\r' || true)
[[ "$piped" == "Start to Install."$'\n'"ERR-05 File Copy Error."$'\n'"ERR-01 Fial"* ]] \
  || fail "piped trace should follow the notices: $piped"
on_terminal=$(script -qec "\"$install_tool\"" /dev/null | tr -d '\r' || true)
[[ "$on_terminal" == "Start to Install."$'\n'"ERR-01 Fial"*"ERR-05 File Copy Error." ]] \
  || fail "terminal trace should come before the last notice: $on_terminal"
rmdir "$work/c/Apache2/htdocs/Catalogs/index.htm"

# No standard output at all: the install behaves the same and the trace goes nowhere,
# not into a file the install opens.
fresh_install_dir
status=0
"$install_tool" >&- 2>"$work/notices" || status=$?
expect_eq "$status" 0 "install without standard output"
expect_eq "$(cat "$work/c/Apache2/htdocs/Catalogs/index.htm")" index "installed index without standard output"
if grep -rqs "copy D:" "$work/c"; then fail "trace landed in the installed tree"; fi

# A reader that goes away early does not stop the install.
fresh_install_dir
"$install_tool" 2>/dev/null | head -c 1 >/dev/null
expect_eq "$(cat "$work/c/Apache2/htdocs/Catalogs/QXT905/HTML/QXT905_frame.htm")" frame "install under a closed pipe"

exit $((failures > 0))
