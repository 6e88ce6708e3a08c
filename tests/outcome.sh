# Sourced by the shell tests whose parts need what some hosts lack (FUSE, holes in
# files, a free first disc): a part skipped is said and counted, and the test ends
# skipped (77, ctest's SKIP_RETURN_CODE) instead of passed, unless something failed.
# Every wait for a process of a test ends on a deadline: await_exit.
[[ -z ${outcome_sourced:-} ]] || return 0
outcome_sourced=1
skipped_parts=()

# skip_part WHAT: says that WHAT was not checked here, and why.
skip_part() {
  echo "skipped: $*"
  skipped_parts+=("$*")
}

# finish_test: ends the test failed (1) where any check failed, else skipped (77) where
# a part was skipped, else passed (0). Reads the test's own `failures` count.
finish_test() {
  if ((failures > 0)); then exit 1; fi
  if ((${#skipped_parts[@]} > 0)); then
    echo "every check that ran passed, but ${#skipped_parts[@]} part(s) were skipped:"
    printf '  %s\n' "${skipped_parts[@]}"
    exit 77
  fi
  exit 0
}

# await_exit PID SECONDS: waits for the child PID to end and returns its status; where
# it has not ended within SECONDS, says so, kills it and returns 124, as timeout(1) does.
await_exit() {
  local pid=$1 deadline=$((SECONDS + $2)) state
  for (( ; ; )); do
    # An ended child stays a zombie (state Z) until it is waited for.
    state=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -c1) || state=
    [[ -z $state || $state == Z ]] && break
    if ((SECONDS >= deadline)); then
      echo "FAIL: process $pid still running after $2 s: killed" >&2
      kill -KILL "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      return 124
    fi
    sleep 0.05
  done
  wait "$pid"
}
