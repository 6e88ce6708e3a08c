#!/usr/bin/env bash
# Runs each fuzz target for a bounded time from its checked-in seed corpus. New inputs
# go to a temporary folder; a crash ends the run with the target's report and the input.
# Usage: fuzz/run-fuzzers.sh BIN_DIR [SECONDS_EACH]
set -euo pipefail
bin=$1
seconds=${2:-20}
corpus=$(cd "$(dirname "$0")" && pwd)/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for fuzzer in path_mapping wildcard catalog_id; do
  mkdir -p "$work/$fuzzer"
  if ! TMPDIR=$work "$bin/${fuzzer}_fuzzer" -max_total_time="$seconds" -artifact_prefix="$work/$fuzzer-" \
      "$work/$fuzzer" "$corpus/$fuzzer" >"$work/$fuzzer.log" 2>&1; then
    tail -n 40 "$work/$fuzzer.log"
    for input in "$work/$fuzzer"-*; do
      [[ -e "$input" ]] || continue
      echo "== input that failed: $(basename "$input")"
      od -A x -t x1z "$input" | head -n 20
    done
    exit 1
  fi
  echo "$fuzzer: $(grep -E '^Done' "$work/$fuzzer.log")"
done
