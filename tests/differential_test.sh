#!/usr/bin/env bash
# One table of install scenarios through both programs on the same drives: the native
# zandrel2-install and zandrel2-install.exe under Wine see the same D: (the scenario's
# CD) and C: (the Wine prefix's drive). Trace, notices, exit status and the resulting
# tree must be identical, byte for byte. Needs WINEPREFIX from tools/wine-prefix.sh.
#
# Left out because Wine cannot show them as Windows would: a symbolic link on the CD
# (Windows has no Unix links), and a search below a plain file (Windows reports 267,
# Wine 123).
set -euo pipefail
native=$(realpath "$1")
windows=$(realpath "$2")
tools=$(cd "$(dirname "$0")/../tools" && pwd)
: "${WINEPREFIX:?prepare one with tools/wine-prefix.sh}"
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
work=$(mktemp -d)
chmod 755 "$work"
apache=$WINEPREFIX/drive_c/Apache2
trap 'rm -rf "$work" "$apache"' EXIT
failures=0

"$tools/make-sample-cd.py" "$work/sample" 2>/dev/null

# Each scenario: a name, how to make its CD in $cd, how to prepare C:\Apache2, and the
# install's arguments. A scenario's "twice" runs the install twice, comparing the second.
new_cd() { rm -rf "$work/cd"; cp -a "$work/sample" "$work/cd"; }
fresh_apache() { rm -rf "$apache"; mkdir -p "$apache/htdocs"; }

prepare() {
  local scenario=$1
  new_cd
  fresh_apache
  case "$scenario" in
    sample | twice | absolute-paths) ;;
    no-jpg) rm -rf "$work/cd/FP/jpg" ;;
    names-in-other-case)
      mv "$work/cd/FP/HTML" "$work/cd/FP/html"
      mv "$work/cd/FP" "$work/cd/fp"
      mv "$work/cd/INST_FP" "$work/cd/Inst_Fp"
      mv "$work/cd/fp/html/QXT905_frame.htm" "$work/cd/fp/html/qxt905_FRAME.HTM"
      ;;
    empty-folder) rm -f "$work/cd/FP/HTML/guide_img/"* ;;
    subfolder-below-guide_img)
      mkdir "$work/cd/FP/HTML/guide_img/deeper"
      cp "$work/cd/FP/jpg/p001.jpg" "$work/cd/FP/HTML/guide_img/deeper/"
      ;;
    read-only-destination)
      mkdir -p "$apache/htdocs/Catalogs/QXT905/jpg"
      printf 'an older photo' >"$apache/htdocs/Catalogs/QXT905/jpg/p001.jpg"
      chmod a-w "$apache/htdocs/Catalogs/QXT905/jpg/p001.jpg"
      ;;
    read-only-cd) chmod -R a-w "$work/cd" ;;
    folder-in-the-way) mkdir -p "$apache/htdocs/Catalogs/QXT905/HTML/howto.htm" ;;
    id-ending-in-a-dot) mv "$work/cd/FP/HTML/QXT905_frame.htm" "$work/cd/FP/HTML/frame.htm" ;;
    no-htdocs) rmdir "$apache/htdocs" ;;
    trailing-space | no-frame-page) ;;
  esac
  if [[ $scenario == no-frame-page ]]; then rm -f "$work/cd/FP/HTML/QXT905_frame.htm"; fi
}

# Runs one program for the scenario and records what it did under $work/result-$2.
run() {
  local scenario=$1 program=$2 out=$work/result-$2 status=0
  local -a command args=()
  case "$scenario" in
    trailing-space) args=(--install-dir 'C:\Apache2 ') ;;
    absolute-paths) args=(--cd "$work/cd" --install-dir "$apache") ;;
  esac
  [[ $program == native ]] && command=("$native") || command=("$tools/wine.sh" "$windows")
  rm -rf "$out"
  mkdir -p "$out"
  # A second install must be able to replace every file of the first, CD marks and all.
  if [[ $scenario == twice || $scenario == read-only-cd ]]; then (cd "$work" && "${command[@]}" "${args[@]}" >/dev/null 2>&1) || true; fi
  (cd "$work" && "${command[@]}" "${args[@]}" >"$out/trace" 2>"$out/notices") || status=$?
  echo "$status" >"$out/status"
  if [[ -d "$apache" ]]; then
    (cd "$apache" && find . -printf '%y %m %p\n' | sort && find . -type f -print0 | sort -z | xargs -0r md5sum) >"$out/tree"
  fi
  chmod -R u+w "$apache" 2>/dev/null || true
}

scenarios=(sample no-jpg twice names-in-other-case empty-folder subfolder-below-guide_img
  read-only-destination read-only-cd folder-in-the-way id-ending-in-a-dot no-htdocs trailing-space no-frame-page absolute-paths)
ln -sfn "$work/cd" "$WINEPREFIX/dosdevices/d:"
for scenario in "${scenarios[@]}"; do
  for program in native windows; do
    prepare "$scenario"
    run "$scenario" "$program"
  done
  chmod -R u+w "$work/cd"
  if diff -r "$work/result-native" "$work/result-windows" >"$work/diff"; then
    echo "same: $scenario (status $(cat "$work/result-native/status"), $(grep -c '' "$work/result-native/trace") trace lines)"
  else
    echo "DIFFERENT: $scenario" >&2
    head -n 40 "$work/diff" >&2
    failures=$((failures + 1))
  fi
done
exit $((failures > 0))
