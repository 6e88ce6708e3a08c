#!/usr/bin/env bash
# Runs COMMAND where 32-bit x86 programs run. Where the kernel runs them itself, as it
# is; elsewhere in a user and mount namespace of its own, whose own binfmt_misc hands
# 32-bit programs to the private qemu-user that tools/setup.sh provides (Linux 6.7 or
# later gives each user namespace a binfmt_misc). Nothing changes outside it: the rest
# of the machine still refuses 32-bit code.
#
#   run-32bit.sh COMMAND [ARGUMENT...]
#   run-32bit.sh --qemu      prints where the private qemu-i386 is (or would be)
set -euo pipefail

# The private qemu-user, kept between runs; ZANDREL2_QEMU_DIR chooses another place.
qemu_dir=${ZANDREL2_QEMU_DIR:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/zandrel2/qemu-user}
qemu=$qemu_dir/usr/bin/qemu-i386
if [[ ${1:-} == --qemu ]]; then
  echo "$qemu"
  exit 0
fi
(($# > 0)) || { echo "usage: $0 COMMAND [ARGUMENT...]" >&2; exit 2; }

if /usr/lib/wine/wine --version >/dev/null 2>&1; then exec "$@"; fi
[[ -x $qemu ]] || { echo "run-32bit.sh: no 32-bit runner at $qemu: run tools/setup.sh" >&2; exit 2; }

# The usual i386 registration: ELF, 32-bit, little-endian, an executable or a shared
# object for the 386. F opens qemu now, so it is found from any mount namespace.
registration=':zandrel2-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F'
exec unshare --user --map-root-user --mount bash -c '
  set -e
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  echo "$1" >/proc/sys/fs/binfmt_misc/register
  shift
  exec "$@"' run-32bit "$registration" "$@"
