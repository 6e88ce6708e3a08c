#!/usr/bin/env bash
# Installs the Debian packages that building, demonstrating and testing need, for the
# Linux programs and for the Windows ones (mingw-w64, and Wine to run them).
# Idempotent: what is present already is skipped, so a second run is quick.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libcli11-dev googletest
  clang clang-tidy libclang-rt-14-dev
  apache2 wget curl
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
