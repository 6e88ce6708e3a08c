# Sourced by the window tests: a work folder and an Xvfb display of the test's own,
# removed at exit with the program under test (app_pid), and ways to wait for windows
# by name and to take screenshots into $artifacts.

source "$(dirname "${BASH_SOURCE[0]}")/outcome.sh"

work=$(mktemp -d)
app_pid=
xvfb_pid=
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# A failure says why, and what the program under test said on standard error.
fail() {
  echo "FAIL: $*" >&2
  [[ -s "$work/stderr" ]] && tail -n 20 "$work/stderr" | sed 's/^/  stderr: /' >&2
  exit 1
}
mkdir -p "$artifacts"

# Starts Xvfb on a free display and points DISPLAY at it; xvfb_pid is its process.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 50); do [[ -s "$work/display" ]] && break; sleep 0.1; done
  export DISPLAY=:$(<"$work/display")
}

# The first visible window whose name matches, waiting up to a minute: the first window
# of a fresh Wine prefix can take half of that.
window_named() {
  local id
  for _ in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window named $1"
}

# A recording stand-in for the desktop's opener, first on PATH: each address it is
# given goes to $work/opened.
stand_in_opener() {
  mkdir -p "$work/opener"
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/opener/xdg-open"
  chmod +x "$work/opener/xdg-open"
  export PATH=$work/opener:$PATH
}

# Waits up to fifteen seconds for the stand-in opener to have been given an address.
opened_address() {
  for _ in $(seq 150); do
    [[ -s "$work/opened" ]] && { cat "$work/opened"; return 0; }
    sleep 0.1
  done
  fail "nothing was opened"
}

# Gives window $1 the keyboard focus and waits until it has it, ten seconds at most.
focus_window() {
  timeout 10 xdotool windowfocus --sync "$1" 2>/dev/null || fail "window $1 did not take the focus"
}

# Waits until no visible window's name matches.
gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window $1 did not close"
}

# A screenshot of the whole screen, once the last keystroke has been drawn.
shoot() {
  sleep 0.5
  import -window root "$artifacts/$1"
}

# Waits up to $2 seconds (fifteen unless given) for process $1 to end; fails if it does not.
# program_ends [WHAT [SECONDS]]: the program started as app_pid ends within SECONDS (15
# unless given) with status 0; WHAT says after what.
program_ends() {
  local status=0
  await_exit "$app_pid" "${2:-15}" || status=$?
  app_pid=
  [[ $status == 0 ]] || fail "exit status $status${1:+ $1}: $(cat "$work/stderr")"
}

# Fails unless every file of the catalog CD's five folders in $1 is installed below
# the catalog root $2, byte for byte.
check_installed() {
  local file target
  while IFS= read -r file; do
    case "$file" in
      INST_FP/*) target=$2/${file#INST_FP/} ;;
      *) target=$2/QXT905/${file#FP/} ;;
    esac
    cmp -s "$1/$file" "$target" || fail "$file not installed whole"
  done < <(cd "$1" && find INST_FP FP -type f | sort)
}
