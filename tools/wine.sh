#!/usr/bin/env bash
# Runs a Windows program under the Wine loader of its own word size: a 64-bit program
# under Debian's 64-bit loader, a 32-bit one under the 32-bit loader. A program Wine
# brings itself (wineboot, regedit, cmd) runs with the loader of $WINEPREFIX's
# architecture. Wine's debug output is off unless WINEDEBUG says otherwise.
#
#   wine.sh PROGRAM [ARGUMENT...]
#   wine.sh --loader PROGRAM     prints the loader only
set -euo pipefail
readonly loader32=/usr/lib/wine/wine loader64=/usr/lib/wine/wine64

# "64" or "32" for a PE file, from the machine field of its header.
pe_bits() {
  local header_at machine
  header_at=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  machine=$(od -An -t x2 -j $((header_at + 4)) -N 2 "$1" | tr -d ' ')
  case "$machine" in
    8664) echo 64 ;;
    014c) echo 32 ;;
    *) echo "wine.sh: $1 is not an x86 Windows program (machine $machine)" >&2; return 1 ;;
  esac
}

# "64" or "32" for the prefix, as Wine recorded it when it made the prefix.
prefix_bits() {
  grep -q '^#arch=win64' "${WINEPREFIX:-$HOME/.wine}/system.reg" 2>/dev/null && echo 64 || echo 32
}

loader_for() {
  local bits
  if [[ -f "$1" ]]; then bits=$(pe_bits "$1"); else bits=$(prefix_bits); fi
  [[ $bits == 64 ]] && echo "$loader64" || echo "$loader32"
}

if [[ ${1:-} == --loader ]]; then
  loader_for "$2"
  exit
fi
(($# >= 1)) || { echo "usage: $0 PROGRAM [ARGUMENT...]" >&2; exit 2; }
loader=$(loader_for "$1")
export WINELOADER=$loader WINEDEBUG=${WINEDEBUG:--all}
exec "$loader" "$@"
