# Sourced by the tests that serve a CD through tests/faulty_cd.py: whether this machine
# can, and mounting and unmounting one such CD at a time (faulty_cd_pid serves it).
faulty_cd_pid=
faulty_cd_mount=

source "$(dirname "${BASH_SOURCE[0]}")/outcome.sh"

have_fuse() { [[ -c /dev/fuse ]] && command -v fusermount >/dev/null && /usr/bin/python3 -c 'import fusepy' 2>/dev/null; }

# mount_faulty_cd FOLDER MOUNTPOINT [FAULT...]: serves FOLDER at MOUNTPOINT with the
# faults faulty_cd.py takes, once the mount is there.
mount_faulty_cd() {
  mkdir -p "$2"
  "$(dirname "${BASH_SOURCE[0]}")/faulty_cd.py" "$@" &
  faulty_cd_pid=$!
  faulty_cd_mount=$2
  for _ in $(seq 100); do mountpoint -q "$2" && break; sleep 0.05; done
  mountpoint -q "$2" || { echo "faulty CD did not mount" >&2; exit 1; }
}

unmount_faulty_cd() {
  [[ -n "$faulty_cd_pid" ]] || return 0
  # A killed reader can keep the mount busy while its last slow read finishes.
  for _ in $(seq 50); do fusermount -u "$faulty_cd_mount" 2>/dev/null && break; sleep 0.1; done
  if mountpoint -q "$faulty_cd_mount"; then fusermount -uz "$faulty_cd_mount"; fi
  await_exit "$faulty_cd_pid" 30 2>/dev/null || true
  faulty_cd_pid=
}

# eject_faulty_cd PID: takes the disc out under the program PID reading it, as an eject
# does (a lazy unmount), and waits for PID's end (its status in ejected_status) and
# then for the server, which ends once nothing holds the disc.
eject_faulty_cd() {
  fusermount -uz "$faulty_cd_mount"
  ejected_status=0
  await_exit "$1" 60 || ejected_status=$?
  await_exit "$faulty_cd_pid" 30 2>/dev/null || true
  faulty_cd_pid=
}
