#!/usr/bin/env bash
# Sets up, builds, and installs the bundled sample catalog CD into a sandbox Apache2
# install directory served by a real Apache2 on 127.0.0.1, which the program then asks
# for the catalog: its verdict ("served at ...") ends the install. With a display the
# install dialog opens and "Copy" installs; without one zandrel2-install does.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target zandrel2-install zandrel2 >/dev/null

# The sandbox: the sample CD as drive D:, and C:\Apache2 with its htdocs folder.
sandbox=${TMPDIR:-/tmp}/zandrel2-demo
tools/apache-fixture.sh stop "$sandbox/apache" 2>/dev/null || true
rm -rf "$sandbox"
mkdir -p "$sandbox/prefix/dosdevices" "$sandbox/c/Apache2/htdocs"
chmod 755 "$sandbox"  # Apache's workers read the catalog as www-data when run by root
tools/make-sample-cd.py "$sandbox/cd"
ln -s "$sandbox/cd" "$sandbox/prefix/dosdevices/d:"
ln -s "$sandbox/c" "$sandbox/prefix/dosdevices/c:"
export WINEPREFIX=$sandbox/prefix

# The server first, so that the program finds its address in the install directory's
# configuration and checks that it serves what was installed.
url=$(tools/apache-fixture.sh start "$sandbox/apache" "$sandbox/c/Apache2/htdocs")
trap 'tools/apache-fixture.sh stop "$sandbox/apache"' EXIT
mkdir -p "$sandbox/c/Apache2/conf"
printf 'ServerName 127.0.0.1\nListen 127.0.0.1:%s\n' "$(<"$sandbox/apache/port")" >"$sandbox/c/Apache2/conf/httpd.conf"

if [[ -n "${DISPLAY:-}" ]]; then
  echo "== zandrel2 (D:\\ = $sandbox/cd, C:\\ = $sandbox/c): press Copy to install"
  build/bin/zandrel2
  [[ -d "$sandbox/c/Apache2/htdocs/Catalogs/QXT905" ]] || { echo "== nothing installed"; exit 1; }
else
  echo "== zandrel2-install (D:\\ = $sandbox/cd, C:\\ = $sandbox/c)"
  status=0
  build/bin/zandrel2-install --summary || status=$?
  echo "== exit status $status"
  ((status == 0)) || exit "$status"
fi

echo "== Apache2 goes on serving ${url}Catalogs/"
if [[ -t 0 ]]; then
  read -r -p "Press Enter (or Ctrl-C) to stop Apache2. " || true
else
  curl -sf "${url}Catalogs/index.htm" | grep -o '<title>[^<]*</title>'
  echo "== no terminal: fetched the front page once; stopping Apache2"
fi
