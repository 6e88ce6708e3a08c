#!/usr/bin/env bash
# The Debian package of a Linux build: made with cpack, clean under lintian, holding
# the programs, the desktop entry and metainfo, the icons, the manual pages and the
# completion; then installed on this machine with dpkg -i, run from where it put the
# program, and removed (through sudo when not run as root), unless a zandrel2 package
# is installed already, which is left as it is.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
as_root=()
((EUID == 0)) || as_root=(sudo -n)
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

(cd "$build" && rm -f zandrel2_*.deb && cpack -G DEB >/dev/null)
package=$(ls "$build"/zandrel2_*_amd64.deb)
echo "package: ${package##*/}"
dpkg-deb -f "$package" Depends

echo "lintian:"
lintian --fail-on error,warning "$package" 2>/dev/null || fail "lintian reports errors or warnings"

dpkg -x "$package" "$work/root"
for file in usr/bin/zandrel2 usr/bin/zandrel2-install usr/share/applications/zandrel2.desktop \
  usr/share/metainfo/net.zandrel.zandrel2.metainfo.xml usr/share/icons/hicolor/scalable/apps/zandrel2.svg \
  usr/share/icons/hicolor/48x48/apps/zandrel2.png usr/share/man/man1/zandrel2.1.gz \
  usr/share/man/man1/zandrel2-install.1.gz usr/share/bash-completion/completions/zandrel2-install \
  usr/share/doc/zandrel2/copyright usr/share/doc/zandrel2/changelog.gz; do
  [[ -f "$work/root/$file" ]] || fail "the package lacks /$file"
done
grep -q '^Name\[ja\]=' "$work/root/usr/share/applications/zandrel2.desktop" || fail "no Japanese name in the desktop entry"
echo "appstreamcli:"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/net.zandrel.zandrel2.metainfo.xml" \
  || fail "the metainfo does not validate"
[[ -z "$(dpkg-deb -f "$package" Depends | grep -o 'libqt6widgets6')" ]] && fail "no Qt dependency computed"

# Installed on this machine, run from where the package put it, and removed again;
# a zandrel2 package the user installed is never replaced or removed.
if [[ "$(dpkg-query -W -f='${db:Status-Status}' zandrel2 2>/dev/null || true)" == installed ]]; then
  echo "zandrel2 is installed on this machine already: its install and removal are left out"
  exit $((failures > 0))
fi
"${as_root[@]}" dpkg -i "$package" >/dev/null || fail "dpkg -i"
version=$(/usr/bin/zandrel2-install --version 2>&1 || true)
[[ "$version" == "zandrel2-install 1.0.0.1" ]] || fail "the installed zandrel2-install says: $version"
"${as_root[@]}" dpkg -r zandrel2 >/dev/null || fail "dpkg -r"
[[ ! -e /usr/bin/zandrel2-install ]] || fail "/usr/bin/zandrel2-install is left after removal"
exit $((failures > 0))
