#!/usr/bin/env bash
# A private Firebird server on loopback for the tests of remote paths: its own root folder, port, lock
# folder and security database; nothing under /etc or /var/lib is touched.
#   scripts/fbserver.sh start <state-file>   starts it and writes shell variables to <state-file>
#   scripts/fbserver.sh stop  <state-file>   stops it by its process id (TERM, then KILL after 5 s)
set -euo pipefail
cmd="${1:?start|stop}"
state="${2:?state file}"
lib=/usr/lib/x86_64-linux-gnu/firebird/3.0

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

case "$cmd" in
start)
  root="$(mktemp -d)"
  pass="vorn-test-$$"
  port=3050
  if ! port_free "$port"; then
    port=3055
    while ! port_free "$port"; do port=$((port + 1)); done
  fi
  mkdir -p "$root/intl" "$root/lock"
  printf 'RemoteBindAddress = 127.0.0.1\nRemoteServicePort = %s\nSecurityDatabase = %s/security3.fdb\n' \
    "$port" "$root" >"$root/firebird.conf"
  ln -s "$lib/firebird.msg" "$root/firebird.msg"
  cp "$lib/intl/libfbintl.so" "$root/intl/"   # a copy: a symlink breaks every character set
  [ -f "$lib/intl/fbintl.conf" ] && cp "$lib/intl/fbintl.conf" "$root/intl/"
  printf "create database '%s/security3.fdb';\ncreate user SYSDBA password '%s';\ncommit;\n" "$root" "$pass" |
    FIREBIRD="$root" FIREBIRD_LOCK="$root/lock" isql-fb -q -user SYSDBA >"$root/isql.log" 2>&1
  FIREBIRD="$root" FIREBIRD_LOCK="$root/lock" setsid /usr/sbin/firebird >"$root/server.log" 2>&1 </dev/null &
  pid=$!
  if [ "$port" = 3050 ]; then server=localhost; else server="localhost/$port"; fi
  ok=0
  for _ in $(seq 200); do
    if fbsvcmgr "$server:service_mgr" user SYSDBA password "$pass" info_server_version >/dev/null 2>&1; then ok=1; break; fi
    sleep 0.05
  done
  {
    echo "VORN_FB_SERVER_PID=$pid"
    echo "VORN_FB_SERVER_ROOT=$root"
    echo "VORN_FB_SERVER=$server"
    echo "VORN_FB_SERVER_PORT=$port"
    echo "VORN_FB_SERVER_PASSWORD=$pass"
  } >"$state"
  if [ "$ok" != 1 ]; then
    echo "fbserver: the private Firebird server did not answer; its log:" >&2
    cat "$root/server.log" >&2 || true
    "$0" stop "$state"
    exit 1
  fi
  ;;
stop)
  [ -f "$state" ] || exit 0
  # shellcheck disable=SC1090
  . "$state"
  if [ -n "${VORN_FB_SERVER_PID:-}" ] && kill -0 "$VORN_FB_SERVER_PID" 2>/dev/null; then
    kill -TERM "$VORN_FB_SERVER_PID" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$VORN_FB_SERVER_PID" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$VORN_FB_SERVER_PID" 2>/dev/null || true
    # the server forks no daemons in this mode, but take its process group down too
    kill -KILL -- "-$VORN_FB_SERVER_PID" 2>/dev/null || true
  fi
  [ -n "${VORN_FB_SERVER_ROOT:-}" ] && rm -rf "$VORN_FB_SERVER_ROOT"
  rm -f "$state"
  ;;
*)
  echo "usage: $0 start|stop <state-file>" >&2
  exit 2
  ;;
esac
