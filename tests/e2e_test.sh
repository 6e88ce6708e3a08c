#!/usr/bin/env bash
# End to end: the sample catalog CD installed by zandrel2-install and served by a real
# Apache2 on 127.0.0.1, from a CD folder and from a CD image mounted read-only.
set -euo pipefail
install_tool=$1
tools=$(cd "$(dirname "$0")/../tools" && pwd)
source "$(dirname "$0")/outcome.sh"

work=$(mktemp -d)
chmod 755 "$work"  # Apache's workers read the tree as www-data when run by root
mount_point=$work/mnt
cleanup() {
  "$tools/apache-fixture.sh" stop "$work/apache" || true
  mountpoint -q "$mount_point" && fusermount -u "$mount_point"
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$tools/make-sample-cd.py" "$work/cd" --iso "$work/cd.iso"
export WINEPREFIX=$work/prefix
mkdir -p "$WINEPREFIX/dosdevices" "$work/c/Apache2/htdocs"
ln -s "$work/c" "$WINEPREFIX/dosdevices/c:"
catalogs=$work/c/Apache2/htdocs/Catalogs

# Where each CD folder lands below the catalog root.
installed_path() {
  case "$1" in
    INST_FP/*) echo "${1#INST_FP/}" ;;
    FP/HTML/*) echo "QXT905/HTML/${1#FP/HTML/}" ;;
    FP/jpg/*) echo "QXT905/jpg/${1#FP/jpg/}" ;;
  esac
}

# Every file of the CD's catalog must come back over HTTP byte for byte, and a crawl
# from the root index must reach every one of them without a broken link. (The disc's
# installer beside the catalog is not installed.)
check_served() {
  local cd=$1 label=$2 url file
  url=$("$tools/apache-fixture.sh" start "$work/apache" "$work/c/Apache2/htdocs")
  while IFS= read -r file; do
    curl -sf --max-time 10 "${url}Catalogs/$(installed_path "$file")" -o "$work/fetched" || { fail "$label: $file not served"; continue; }
    cmp -s "$work/fetched" "$cd/$file" || fail "$label: $file served with other bytes"
  done < <(cd "$cd" && find INST_FP FP -type f | sort)

  : >"$work/apache/access.log"
  wget --spider -r -l inf -nv -e robots=off -P "$work/crawl" "${url}Catalogs/index.htm" >"$work/crawl.log" 2>&1 \
    || fail "$label: the crawl found broken links: $(grep -B1 -i 'broken\|404' "$work/crawl.log" | head -5)"
  local reached
  reached=$(grep -c '" 200 ' "$work/apache/access.log" || true)
  [[ "$reached" -ge "$(cd "$cd" && find INST_FP FP -type f | wc -l)" ]] || fail "$label: the crawl reached $reached files"
  "$tools/apache-fixture.sh" stop "$work/apache"
}

# (a) The sample CD as a folder, given as a Linux path.
status=0
"$install_tool" --cd "$work/cd" >"$work/trace" 2>"$work/notices" || status=$?
[[ $status == 0 ]] || fail "install from the CD folder: status $status"
[[ "$(cat "$work/notices")" == "Start to Install." ]] || fail "install notices: $(cat "$work/notices")"
# One copy line per entry: 37 files, the dots of five folders, and two subfolders.
copies=$(grep -o 'copy /' "$work/trace" | wc -l)
[[ $copies == $((37 + 5 * 2 + 2)) ]] || fail "one copy line per entry, got $copies"
check_served "$work/cd" "CD folder"

# --open after an install into a directory whose conf\httpd.conf names the server: the
# summary names the address, the desktop's opener (a recording stand-in) is given it,
# and the server answers it with the catalog's front page.
url=$("$tools/apache-fixture.sh" start "$work/apache" "$work/c/Apache2/htdocs")
mkdir -p "$work/c/Apache2/conf" "$work/opener"
printf 'ServerName 127.0.0.1\nListen 127.0.0.1:%s\n' "$(<"$work/apache/port")" >"$work/c/Apache2/conf/httpd.conf"
printf '#!/bin/sh\necho "$1" >"%s/opened"\n' "$work" >"$work/opener/xdg-open"
chmod +x "$work/opener/xdg-open"
PATH=$work/opener:$PATH "$install_tool" --cd "$work/cd" --open --summary >/dev/null 2>"$work/notices" || fail "install with --open"
grep -qx "zandrel2-install: served at ${url}Catalogs/index.htm" "$work/notices" || fail "the summary names no address: $(cat "$work/notices")"
[[ "$(cat "$work/opened" 2>/dev/null)" == "${url}Catalogs/index.htm" ]] || fail "opened: $(cat "$work/opened" 2>/dev/null)"
curl -s --max-time 10 -o "$work/front.htm" -w '%{http_code}' "${url}Catalogs/index.htm" >"$work/http-status" || true
[[ "$(<"$work/http-status")" == 200 ]] && grep -q '<title>Norvane Fluid Components - Catalog CD</title>' "$work/front.htm" \
  || fail "the opened address is not the catalog's front page (HTTP $(<"$work/http-status"))"
"$tools/apache-fixture.sh" stop "$work/apache"
rm -r "$work/c/Apache2/conf"

# (b) The same CD mastered as an image and mounted read-only. Without a map entry
# for D:, the first disc or image mounted is drive D: (where another disc was mounted
# before this one, that one would be, and the check is left out).
rm -rf "$catalogs"
mkdir -p "$mount_point"
fuseiso "$work/cd.iso" "$mount_point"
first_disc=$(awk '{ for (i = 7; $i != "-" && i < NF; i++); if ($(i + 1) ~ /^(iso9660|udf|fuse\.fuseiso)$/) { print $5; exit } }' /proc/self/mountinfo)
if [[ "$first_disc" == "$mount_point" ]]; then
  status=0
  "$install_tool" >/dev/null 2>&1 || status=$?
  [[ $status == 0 ]] || fail "install from the first mounted disc as D: without a map entry: status $status"
  cmp -s "$catalogs/QXT905/HTML/QXT905_frame.htm" "$mount_point/FP/HTML/QXT905_frame.htm" \
    || fail "the first mounted disc was not taken as D:"
  rm -rf "$catalogs"
else
  skip_part "D: as the first mounted disc (another one is mounted first: $first_disc)"
fi
ln -s "$mount_point" "$WINEPREFIX/dosdevices/d:"
status=0
"$install_tool" >"$work/trace-iso" 2>"$work/notices" || status=$?
[[ $status == 0 ]] || fail "install from the mounted image: status $status"
# Files on a CD are read-only; the installed copies must still be replaceable.
[[ -z "$(find "$catalogs" -type f ! -perm -u+w)" ]] || fail "read-only marks travelled from the CD"
check_served "$mount_point" "mounted image"

# (c) A second install over the first: every step's folder exists, so every step
# reports ERR-01, and every file is replaced.
printf 'changed' >"$catalogs/QXT905/jpg/p001.jpg"
status=0
"$install_tool" >"$work/trace-again" 2>"$work/notices" || status=$?
[[ $status == 0 ]] || fail "second install: status $status"
[[ "$(grep -o 'ERR-01 Fial to Create Derectory\.copy D:' "$work/trace-again" | wc -l)" == 5 ]] \
  || fail "second install should report ERR-01 for all five steps"
cmp -s "$catalogs/QXT905/jpg/p001.jpg" "$mount_point/FP/jpg/p001.jpg" || fail "second install did not replace p001.jpg"
[[ "$(sed 's/^ERR-01 Fial to Create Derectory\.//' "$work/trace-again")" == "$(sed 's/^ERR-01 Fial to Create Derectory\.//' "$work/trace-iso")" ]] \
  || fail "second install's copy lines differ from the first's"

finish_test
