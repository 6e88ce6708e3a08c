#!/usr/bin/env bash
# Installs the Debian packages that building, demonstrating and testing need, for the
# Linux programs and for the Windows ones (mingw-w64, and Wine to run them).
# Idempotent: what is present already is skipped, so a second run is quick.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libcli11-dev googletest libcurl4-openssl-dev
  clang clang-tidy libclang-rt-14-dev
  apache2 wget curl xdg-utils
  genisoimage fuseiso fuse
  python3 python3-pil
  qt6-base-dev libgl-dev fonts-ipafont-gothic
  xvfb xauth xdotool x11-utils imagemagick openbox wmctrl
  strace time
  scdoc groff-base man-db lintian appstream
  mingw-w64 wine wine32:i386 wine64 locales
  python3-fusepy
)

sudo_cmd=()
((EUID == 0)) || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

# wine32 comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  echo "setup: all packages present"
else
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Windows programs run in the Japanese code page (932) under Wine, which takes it
# from this locale.
if ! locale -a 2>/dev/null | grep -qx 'ja_JP.utf8'; then
  "${sudo_cmd[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

# Where the kernel cannot run 32-bit x86 code, the 32-bit Windows programs run through
# qemu-user 10 from Debian 12's backports (Debian 12's own 7.2 is far too slow for
# Wine), downloaded and unpacked privately for tools/run-32bit.sh: nothing is installed,
# and the system's package sources are not changed.
# Fetches qemu-user from the backports suite of the mirror the system already uses into
# the folder $1; false where it cannot (no network, no mirror to be found).
fetch_qemu_user() {
  local fetch mirror status=0
  fetch=$(mktemp -d)
  mirror=$({ sed -n 's/^URIs: *\([^ ]*debian\/*\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } | head -n 1)
  [[ -n $mirror ]] || mirror=$(awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list 2>/dev/null || true)
  if [[ -z $mirror ]]; then
    echo "setup: no Debian mirror found in the system's package sources" >&2
    rm -rf "$fetch"
    return 1
  fi
  mkdir -p "$fetch/sources" "$fetch/lists/partial" "$fetch/cache/archives/partial"
  printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" >"$fetch/sources/backports.sources"
  local apt_private=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$fetch/sources"
    -o Dir::State::Lists="$fetch/lists" -o Dir::Cache="$fetch/cache" -o APT::Sandbox::User=root)
  { apt-get "${apt_private[@]}" -qq update &&
    (cd "$fetch" && apt-get "${apt_private[@]}" -qq download qemu-user/bookworm-backports) &&
    mkdir -p "$1" && dpkg-deb -x "$fetch"/qemu-user_*.deb "$1"; } || status=$?
  rm -rf "$fetch"
  return "$status"
}

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  qemu=$("$(dirname "$0")/run-32bit.sh" --qemu)
  qemu_dir=${qemu%/usr/bin/qemu-i386}
  if [[ -x $qemu ]]; then
    echo "setup: this host cannot run 32-bit x86 code; the 32-bit programs run through $qemu"
  else
    echo "setup: this host cannot run 32-bit x86 code; fetching qemu-user from bookworm-backports into $qemu_dir"
    # Without it the 32-bit programs are built and read back only: that is no reason
    # to stop the other stages.
    if fetch_qemu_user "$qemu_dir"; then
      "$qemu" --version | head -n 1
    else
      echo "setup: qemu-user could not be fetched; the 32-bit programs will be built and read back only"
      rm -rf "$qemu_dir"
    fi
  fi
fi
