#!/usr/bin/env bash
# The check after an install that the local web server really serves the catalog, with
# a real Apache2 on 127.0.0.1: served; the server stopped; another document root, read
# from Debian's layout (an apache2.conf that includes ports.conf and the enabled sites,
# links among them); an install under umask 077 (as root the workers read the files as
# www-data); a Listen in an included file; a server that accepts and never answers, and
# a stop request during that wait; --no-check; and an install folder with no
# configuration. The check never changes the exit status.
set -euo pipefail
install_tool=$1
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../tools" && pwd)
source "$here/outcome.sh"

work=$(mktemp -d)
chmod 755 "$work"  # Apache's workers read the tree as www-data when run by root
silent_pid=
cleanup() {
  "$tools/apache-fixture.sh" stop "$work/apache" || true
  [[ -z "$silent_pid" ]] || kill "$silent_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$tools/make-sample-cd.py" "$work/cd" >/dev/null 2>&1
install_dir=$work/Apache2
mkdir -p "$install_dir/htdocs" "$install_dir/conf" "$work/other"
url=$("$tools/apache-fixture.sh" start "$work/apache" "$install_dir/htdocs")
port=$(<"$work/apache/port")
export XDG_STATE_HOME=$work/state

# install [OPTION...]: an install of the sample CD into $install_dir with a summary; its
# status in $status, standard error in $work/notices, the verdict in $verdict.
install() {
  status=0
  "$install_tool" --cd "$work/cd" --install-dir "$install_dir" --summary "$@" >/dev/null 2>"$work/notices" || status=$?
  verdict=$(grep -E '^zandrel2-install: (served at|not served:|not checked:)' "$work/notices" || true)
}

# Served: the front page's bytes come back from the address the configuration gives.
printf 'Listen 127.0.0.1:%s\nDocumentRoot "%s/htdocs"\n' "$port" "$install_dir" >"$install_dir/conf/httpd.conf"
install
[[ $status == 0 ]] || fail "served: status $status"
[[ "$verdict" == "zandrel2-install: served at http://127.0.0.1:$port/Catalogs/index.htm" ]] || fail "served: [$verdict]"
tr -d '\r' <"$(ls "$work"/state/zandrel2/*.log)" | grep -qx "zandrel2-install: served at http://127.0.0.1:$port/Catalogs/index.htm" \
  || fail "the log does not record the verdict"

# --no-check asks nothing and says nothing.
install --no-check
[[ -z "$verdict" ]] || fail "--no-check: [$verdict]"

# A Listen in an included file, the path relative to the install folder.
printf 'Include conf/ports.conf\n' >"$install_dir/conf/httpd.conf"
printf 'Listen 127.0.0.1:%s\n' "$port" >"$install_dir/conf/ports.conf"
install
[[ "$verdict" == "zandrel2-install: served at http://127.0.0.1:$port/Catalogs/index.htm" ]] || fail "Include: [$verdict]"

# Under umask 077 the copies are still the server's to read: files 0644, folders 0755.
if ((EUID == 0)); then
  rm -rf "$install_dir/htdocs/Catalogs"
  (umask 077 && install && echo "$verdict" >"$work/umask-verdict")
  [[ "$(<"$work/umask-verdict")" == "zandrel2-install: served at "* ]] || fail "umask 077: $(<"$work/umask-verdict")"
  [[ "$(stat -c %a "$install_dir/htdocs/Catalogs" "$install_dir/htdocs/Catalogs/QXT905/jpg/p001.jpg")" == $'755\n644' ]] \
    || fail "modes under umask 077: $(stat -c '%a %n' "$install_dir/htdocs/Catalogs" "$install_dir/htdocs/Catalogs/QXT905/jpg/p001.jpg")"
else
  skip_part "the install under umask 077 (only as root do the workers run as another user)"
fi

# Another document root, from Debian's layout: the install folder holds apache2.conf,
# which includes ports.conf and, through a wildcard, the enabled site (a link), whose
# virtual host answers the address.
"$tools/apache-fixture.sh" stop "$work/apache"
url=$("$tools/apache-fixture.sh" start "$work/apache" "$work/other")
port=$(<"$work/apache/port")
rm "$install_dir/conf/httpd.conf"
mkdir -p "$install_dir/sites-available" "$install_dir/sites-enabled"
printf 'User www-data\nInclude ports.conf\nIncludeOptional sites-enabled/*.conf\n' >"$install_dir/apache2.conf"
printf 'Listen 127.0.0.1:%s\n' "$port" >"$install_dir/ports.conf"
printf '<VirtualHost *:%s>\n  DocumentRoot %s/other\n</VirtualHost>\n' "$port" "$work" >"$install_dir/sites-available/000-default.conf"
ln -s ../sites-available/000-default.conf "$install_dir/sites-enabled/000-default.conf"
install
[[ $status == 0 ]] || fail "another document root: status $status"
[[ "$verdict" == "zandrel2-install: not served: the server does not serve $install_dir/htdocs (404 Not Found at http://127.0.0.1:$port/Catalogs/index.htm): its DocumentRoot is $work/other (in $install_dir/apache2.conf); install into that server's folder, or set its DocumentRoot to $install_dir/htdocs" ]] \
  || fail "another document root: [$verdict]"
rm -rf "$install_dir/apache2.conf" "$install_dir/ports.conf" "$install_dir/sites-available" "$install_dir/sites-enabled"

# The server stopped: nothing answers, and the verdict says how to start it.
"$tools/apache-fixture.sh" stop "$work/apache"
printf 'Listen 127.0.0.1:%s\n' "$port" >"$install_dir/conf/httpd.conf"
install
[[ $status == 0 ]] || fail "server stopped: status $status"
[[ "$verdict" == "zandrel2-install: not served: nothing answers at http://127.0.0.1:$port/Catalogs/index.htm, so the server is not running; start it: sudo systemctl start apache2 (or sudo apache2ctl start)" ]] \
  || fail "server stopped: [$verdict]"

# A server that accepts and never answers: the check gives up after 3 s.
/usr/bin/python3 -c '
import socket, sys, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(8)
print(s.getsockname()[1], flush=True)
held = []
while True:
    held.append(s.accept()[0])
' >"$work/silent-port" &
silent_pid=$!
for _ in $(seq 100); do [[ -s "$work/silent-port" ]] && break; sleep 0.05; done
silent_port=$(<"$work/silent-port")
printf 'Listen 127.0.0.1:%s\n' "$silent_port" >"$install_dir/conf/httpd.conf"
started=$SECONDS
install
(( SECONDS - started <= 8 )) || fail "the check of a silent server took $((SECONDS - started)) s"
[[ "$verdict" == "zandrel2-install: not served: the server at http://127.0.0.1:$silent_port/Catalogs/index.htm did not answer within 3 s; it may be stuck: restart it" ]] \
  || fail "silent server: [$verdict]"

# A stop request during that wait ends the check at once, with the install's status.
# A background job starts with Ctrl-C ignored; a terminal's program starts with it in place.
with_interrupt="import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.execv(sys.argv[1], sys.argv[1:])"
/usr/bin/python3 -c "$with_interrupt" "$install_tool" --cd "$work/cd" --install-dir "$install_dir" --summary \
  >/dev/null 2>"$work/notices" &
install_pid=$!
for _ in $(seq 100); do grep -q "files copied" "$work/notices" 2>/dev/null && break; sleep 0.02; done
stopped_at=$SECONDS
kill -INT "$install_pid"
status=0
await_exit "$install_pid" 10 || status=$?
[[ $status == 0 ]] || fail "stop during the check: status $status"
(( SECONDS - stopped_at <= 1 )) || fail "the stop during the check took $((SECONDS - stopped_at)) s"
grep -qx "zandrel2-install: not checked: stopped" "$work/notices" || fail "stop during the check: $(cat "$work/notices")"

# No configuration: nothing to ask, and the reason why.
rm "$install_dir/conf/httpd.conf"
install
[[ "$verdict" == "zandrel2-install: not checked: $install_dir holds no conf\\httpd.conf, so it may not be Apache2's folder; \"Open the catalog\" opens the file from disk, not through the server" ]] \
  || fail "no configuration: [$verdict]"

finish_test
