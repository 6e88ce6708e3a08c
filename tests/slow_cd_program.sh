# Sourced by the window tests that catch a copy while it runs, once they have set
# platform ("linux" or "windows"), app and artifacts: an Xvfb display (x11_session.sh),
# the sample CD served slowly as drive D:, and the program ready to start as
# "${run[@]}", installing into $apache; keys types on the display. The caller's extra
# processes, listed in extra_pids, are ended at exit with the rest.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tools=$here/../tools
source "$here/x11_session.sh"
source "$here/faulty_cd.sh"
extra_pids=()
keys() { xdotool key --delay 100 "$@" 2>/dev/null; }

if ! have_fuse; then
  echo "no FUSE here: catching a copy needs a slow CD; skipped"
  exit 77  # ctest's SKIP_RETURN_CODE: reported as skipped, never as passed
fi

"$tools/make-sample-cd.py" "$work/cd" 2>/dev/null
mount_faulty_cd "$work/cd" "$work/slow" --slow-all 0.1
trap 'cleanup_all' EXIT
cleanup_all() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
  local pid
  for pid in "${extra_pids[@]}"; do kill "$pid" 2>/dev/null; done
  [[ -n "${xvfb_pid:-}" ]] && { kill "$xvfb_pid" 2>/dev/null; xvfb_pid=; }
  unmount_faulty_cd
  # The Windows program installs into the shared prefix's own drive C:.
  [[ $platform == windows ]] && rm -rf "$apache"
  cleanup
}

if [[ $platform == windows ]]; then
  source "$here/test_prefix.sh"
  export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
  ln -sfn "$work/slow" "$WINEPREFIX/dosdevices/d:"
  apache=$WINEPREFIX/drive_c/Apache2
  rm -rf "$apache"
  run=("$tools/wine.sh" "$app")
  app_name=Zandrel2
else
  export WINEPREFIX=$work/prefix
  mkdir -p "$WINEPREFIX/dosdevices"
  ln -s "$work/slow" "$WINEPREFIX/dosdevices/d:"
  ln -s "$work/c" "$WINEPREFIX/dosdevices/c:"
  apache=$work/c/Apache2
  run=("$app")
  app_name=zandrel2
fi
mkdir -p "$apache/htdocs"
catalog=$apache/htdocs/Catalogs/QXT905
start_xvfb
