#!/usr/bin/env bash
# Starts and stops Debian's apache2 as a test fixture serving one document root.
# Everything it needs lives in a state folder of its own; the system's Apache setup is
# never read or touched, so fixtures run side by side and beside a real server.
#
#   apache-fixture.sh start STATE_DIR DOCUMENT_ROOT   prints http://127.0.0.1:PORT/
#   apache-fixture.sh stop STATE_DIR                  quiet, also when not running
#
# Started as root, the workers run as www-data and read the files as that user, which
# is the point: the caller must make DOCUMENT_ROOT and every folder above it readable
# and traversable by others (this script changes no permissions outside STATE_DIR).
# STATE_DIR holds apache2.conf, port, apache2.pid, error.log, access.log and startup.log.
set -euo pipefail

readonly apache=/usr/sbin/apache2
readonly modules=/usr/lib/apache2/modules
readonly wait_tenths=100  # ten seconds, in steps of 0.1 s

usage() {
  echo "usage: $0 start STATE_DIR DOCUMENT_ROOT | stop STATE_DIR" >&2
  exit 2
}

fail() {
  echo "apache-fixture: $*" >&2
  exit 1
}

# Apache's config syntax has no escape for these, so such paths are refused up front.
check_path() {
  [[ "$1" != *[\"\\$'\n']* ]] || fail "unsupported character in path: $1"
}

# The PID in the PidFile, if that process is still an apache2 (PIDs get reused).
running_pid() {
  local state_dir=$1 pid
  [[ -s "$state_dir/apache2.pid" ]] || return 1
  pid=$(<"$state_dir/apache2.pid")
  [[ "$pid" =~ ^[0-9]+$ ]] || return 1
  [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == apache2 ]] || return 1
  echo "$pid"
}

free_port() {
  # The kernel's pick for port 0; it can be taken again before apache binds, so the
  # caller retries on a bind failure.
  /usr/bin/python3 -c '
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()'
}

write_config() {
  local state_dir=$1 document_root=$2 port=$3
  {
    cat <<EOF
ServerRoot "$state_dir"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
PidFile "$state_dir/apache2.pid"
DefaultRuntimeDir "$state_dir/run"
ErrorLog "$state_dir/error.log"
LogLevel warn
LogFormat "%h %l %u %t \"%r\" %>s %b" common
CustomLog "$state_dir/access.log" common

LoadModule mpm_event_module $modules/mod_mpm_event.so
LoadModule authz_core_module $modules/mod_authz_core.so
LoadModule mime_module $modules/mod_mime.so
LoadModule dir_module $modules/mod_dir.so

# A test needs few workers; keeping them few spares the shared CPUs.
StartServers 1
ServerLimit 2
ThreadsPerChild 8
MaxRequestWorkers 16
MinSpareThreads 8
MaxSpareThreads 16

TypesConfig /etc/mime.types
DirectoryIndex index.htm index.html
DocumentRoot "$document_root"

<Directory />
  AllowOverride None
  Require all denied
</Directory>
<Directory "$document_root">
  AllowOverride None
  Require all granted
</Directory>
EOF
    if ((EUID == 0)); then
      printf 'User www-data\nGroup www-data\n'
    fi
  } >"$state_dir/apache2.conf"
}

print_logs() {
  local state_dir=$1 log
  for log in startup.log error.log; do
    if [[ -s "$state_dir/$log" ]]; then
      echo "--- $state_dir/$log (tail) ---" >&2
      tail -n 20 "$state_dir/$log" >&2
    fi
  done
}

# Waits until the PID is gone; fails after the bound.
wait_gone() {
  local pid=$1 tenth
  for ((tenth = 0; tenth < wait_tenths; tenth++)); do
    [[ -d "/proc/$pid" ]] || return 0
    sleep 0.1
  done
  return 1
}

stop() {
  local state_dir=$1 pid
  [[ -d "$state_dir" ]] || return 0
  pid=$(running_pid "$state_dir") || return 0
  # SIGTERM is what "-k stop" sends; signalling directly works even when the
  # document root has already been removed and the config no longer checks out.
  kill -TERM "$pid" 2>/dev/null || return 0
  wait_gone "$pid" || fail "apache2 (pid $pid) still running 10 s after SIGTERM"
}

# One attempt on a fresh port: 0 when serving, 1 when it failed, 3 when the port
# was taken before apache could bind it (worth another go). Runs where errexit is
# off (its caller tests the status), hence the explicit "|| return 1".
try_start() {
  local state_dir=$1 document_root=$2 port url tenth
  port=$(free_port) || return 1
  write_config "$state_dir" "$document_root" "$port" || return 1
  : >"$state_dir/error.log" || return 1
  if ! "$apache" -d "$state_dir" -f "$state_dir/apache2.conf" -k start \
    </dev/null >"$state_dir/startup.log" 2>&1; then
    bind_failed "$state_dir" && return 3
    return 1
  fi
  url="http://127.0.0.1:$port/"
  for ((tenth = 0; tenth < wait_tenths; tenth++)); do
    # Any HTTP status will do; 000 means nothing answered yet.
    if [[ "$(curl -s -o /dev/null -w '%{http_code}' --max-time 1 "$url" || true)" != 000 ]]; then
      echo "$port" >"$state_dir/port" || return 1
      echo "$url"
      return 0
    fi
    # apache daemonises before it binds, so a failure shows only in the error log.
    bind_failed "$state_dir" && return 3
    grep -q 'no listening sockets\|AH00015\|AH00016' "$state_dir/error.log" "$state_dir/startup.log" && return 1
    sleep 0.1
  done
  echo "apache-fixture: no HTTP answer from $url within 10 s" >&2
  return 1
}

bind_failed() {
  grep -qi 'could not bind\|Address already in use' "$1/startup.log" "$1/error.log" 2>/dev/null
}

start() {
  local state_dir=$1 document_root=$2 status pid
  [[ -d "$document_root" ]] || fail "document root is not a folder: $document_root"
  mkdir -p "$state_dir/run"
  state_dir=$(cd "$state_dir" && pwd -P)
  document_root=$(cd "$document_root" && pwd -P)
  check_path "$state_dir"
  check_path "$document_root"
  if pid=$(running_pid "$state_dir"); then
    fail "already running (pid $pid) for $state_dir; stop it first"
  fi
  rm -f "$state_dir/port" "$state_dir/apache2.pid"
  if ((EUID == 0)) && ! runuser -u www-data -- test -r "$document_root" -a -x "$document_root"; then
    echo "apache-fixture: warning: www-data cannot read $document_root; make it and its parents world-readable" >&2
  fi

  for _ in 1 2 3; do
    status=0
    try_start "$state_dir" "$document_root" || status=$?
    ((status == 0)) && return 0
    stop "$state_dir" 2>/dev/null || true
    ((status == 3)) || break
  done
  print_logs "$state_dir"
  fail "apache2 did not start (state in $state_dir)"
}

case "${1:-}" in
  start) (($# == 3)) || usage; start "$2" "$3" ;;
  stop) (($# == 2)) || usage; stop "$2" ;;
  *) usage ;;
esac
