#!/usr/bin/env bash
# One table of install scenarios through both programs on the same drives: the native
# zandrel2-install and zandrel2-install.exe under Wine see the same D: (the scenario's
# CD) and C: (the Wine prefix's drive). Trace, notices, exit status and the resulting
# tree must be identical, byte for byte. Needs WINEPREFIX from tools/wine-prefix.sh.
#
# Left out because Wine cannot show them as Windows would: a symbolic link to a file
# on the CD (Wine lists it as a plain file: only a link to a folder shows as a reparse
# point), and a search below a plain file (Windows reports 267, Wine 123). The rows with a faulty CD (a read error part-way over an installed file,
# a file that ends before its size without an error, an install killed mid-copy) need
# FUSE and are skipped, with a line that says so, where it is missing.
set -euo pipefail
native=$(realpath "$1")
windows=$(realpath "$2")
tools=$(cd "$(dirname "$0")/../tools" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/test_prefix.sh"
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
work=$(mktemp -d)
chmod 755 "$work"
apache=$WINEPREFIX/drive_c/Apache2
source "$here/faulty_cd.sh"
source "$here/outcome.sh"
trap 'unmount_faulty_cd; rm -rf "$work" "$apache"' EXIT
failures=0

# Serves the scenario's CD through the faulty CD fixture at $work/faulty, with the
# given faults, and maps D: there.
serve_faulty_cd() {
  mount_faulty_cd "$work/cd" "$work/faulty" "$@"
  ln -sfn "$work/faulty" "$WINEPREFIX/dosdevices/d:"
}

# An install directory of exactly $1 bytes, "C:\Apache2\" and a padding folder, with
# its htdocs; a CD root of $1 bytes, "D:\" and a padding folder holding the catalog.
long_install_dir() { local pad; pad=$(printf 'i%.0s' $(seq $(($1 - 11)))); mkdir -p "$apache/$pad/htdocs"; echo "C:\\Apache2\\$pad"; }
long_cd_root() { local pad; pad=$(printf 'c%.0s' $(seq $(($1 - 3)))); echo "D:\\$pad"; }

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
    trailing-space | no-frame-page | path-prefixes) ;;
    special-file) mkfifo "$work/cd/FP/jpg/p014.jpg" ;;
    link-to-folder) ln -s "$work/cd/FP/HTML/guide_img" "$work/cd/FP/jpg/album" ;;
    plain-file-for-a-folder)
      mkdir -p "$apache/htdocs/Catalogs/QXT905"
      printf 'not a folder' >"$apache/htdocs/Catalogs/QXT905/jpg"
      ;;
    abandoned-temporary-files)
      # What killed installs leave: a temporary file in two folders, one of them part-written.
      mkdir -p "$apache/htdocs/Catalogs/QXT905/jpg"
      head -c 5000 "$work/cd/FP/jpg/p001.jpg" >"$apache/htdocs/Catalogs/QXT905/jpg/.zandrel2-Ab3dE9"
      : >"$apache/htdocs/Catalogs/.zandrel2-zz0000"
      ;;
    cd-root-*)
      local pad
      pad=$(long_cd_root "${scenario#cd-root-}")
      pad=${pad#D:\\}
      mkdir "$work/cd/$pad"
      mv "$work/cd/FP" "$work/cd/INST_FP" "$work/cd/$pad/"
      ;;
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
    path-prefixes) args=(--cd '\\?\D:' --install-dir '\\.\C:\Apache2') ;;
    install-dir-*) args=(--install-dir "$(long_install_dir "${scenario#install-dir-}")") ;;
    cd-root-*) args=(--cd "$(long_cd_root "${scenario#cd-root-}")") ;;
  esac
  [[ $program == native ]] && command=("$native") || command=("$tools/wine.sh" "$windows")
  rm -rf "$out"
  mkdir -p "$out"
  # A second install must be able to replace every file of the first, CD marks and all.
  case "$scenario" in
    twice | read-only-cd | read-error | early-end | killed-install | unreadable-folder | failing-listing) (cd "$work" && "${command[@]}" "${args[@]}" >/dev/null 2>&1) || true ;;
  esac
  case "$scenario" in
    read-error) serve_faulty_cd --fail-reads p005.jpg:1000 ;;
    early-end) serve_faulty_cd --end-early p005.jpg:1000 ;;
    unreadable-folder) serve_faulty_cd --fail-listing guide_img:EACCES ;;
    failing-listing) serve_faulty_cd --fail-listing jpg:EIO ;;
    killed-install)
      # Killed while it replaces the first photo, read slowly: its copy is part-written
      # (under a temporary name on Windows, unnamed on Linux).
      serve_faulty_cd --slow-reads p001.jpg:1
      (cd "$work" && exec "${command[@]}" "${args[@]}" >/dev/null 2>&1) &
      local killed=$! reading=
      for _ in $(seq 200); do
        # Descriptors come and go under find's feet: a failed walk just means "not yet".
        reading=$(find "/proc/$killed/fd" -lname "$work/faulty/FP/jpg/p001.jpg" 2>/dev/null | head -n 1 || true)
        [[ -n "$reading" ]] && break
        sleep 0.05
      done
      if [[ -z "$reading" ]]; then
        echo "killed-install ($program): the install never read the slow photo" >&2
        failures=$((failures + 1))
      fi
      kill -KILL "$killed" 2>/dev/null || true
      await_exit "$killed" 30 2>/dev/null || true
      unmount_faulty_cd
      ln -sfn "$work/cd" "$WINEPREFIX/dosdevices/d:"
      ;;
  esac
  (cd "$work" && "${command[@]}" "${args[@]}" >"$out/trace" 2>"$out/stderr") || status=$?
  # The line that explains a failure names paths and reasons as each system has them.
  grep -v '^zandrel2-install: ' "$out/stderr" >"$out/notices" || true
  rm "$out/stderr"
  unmount_faulty_cd
  ln -sfn "$work/cd" "$WINEPREFIX/dosdevices/d:"
  # An I/O error is reported with the code each system gives it (1117 on Linux, what
  # Wine makes of EIO on Windows): these rows compare everything but that number.
  case "$scenario" in
    read-error | failing-listing) sed -i -E 's/ERR-0([345])\([0-9]*\)/ERR-0\1(I\/O error)/' "$out/trace" ;;
  esac
  echo "$status" >"$out/status"
  if [[ -d "$apache" ]]; then
    (cd "$apache" && find . -printf '%y %m %p\n' | sort && find . -type f -print0 | sort -z | xargs -0r md5sum) >"$out/tree"
  fi
  chmod -R u+w "$apache" 2>/dev/null || true
}

# The length rows sit on each side of the longest folder path CreateDirectory takes
# (247), of the longest path a file call takes (259) and of the installer's 256-byte
# file-path buffer: install directories of 203/204 bytes (the application image
# folder), 224/225 (the catalog-ID folder), 229/230 (a file path in the catalog root)
# and 231/232 (the catalog root); CD roots of 244/245 bytes (the frame page's search).
scenarios=(sample no-jpg twice names-in-other-case empty-folder subfolder-below-guide_img
  read-only-destination read-only-cd folder-in-the-way plain-file-for-a-folder id-ending-in-a-dot no-htdocs
  trailing-space no-frame-page absolute-paths path-prefixes abandoned-temporary-files
  install-dir-203 install-dir-204 install-dir-224 install-dir-225 install-dir-229 install-dir-230
  install-dir-231 install-dir-232 cd-root-244 cd-root-245 special-file link-to-folder)
if have_fuse; then
  scenarios+=(read-error early-end killed-install unreadable-folder failing-listing)
else
  skip_part "read-error, early-end, killed-install, unreadable-folder, failing-listing" \
    "(they need FUSE: /dev/fuse, fusermount and python3-fusepy)"
fi
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
finish_test
