#!/usr/bin/env bash
# Stops the local MariaDB server started by start-mariadb.sh and waits until it is gone and
# port 3306 is free again. Nothing happens when it is not running.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/mariadb-env.sh"

mariadb_lock

pid="$(mariadb_pid || true)"
if [ -z "$pid" ]; then
  echo "stop-mariadb: no server running from $mariadb_root"
  exit 0
fi

kill -TERM "$pid"
for _ in $(seq 1 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "stop-mariadb: server $pid did not stop" >&2
  exit 1
fi
for _ in $(seq 1 100); do
  port_3306_open || break
  sleep 0.1
done
echo "stop-mariadb: server stopped"
