#!/usr/bin/env bash
# Starts the local MariaDB server on 127.0.0.1:3306 that holds the user table, without
# systemd, in its own folder (/var/tmp/coravex-mariadb or $CORAVEX_MARIADB_DIR), and loads
# scripts/db/schema.sql into it. Idempotent: a server already running from that folder is
# kept and only gets the schema again. Exits with 3 when 127.0.0.1:3306 is held by a server
# that is not ours (run-tests.sh then skips the database tests), with 1 on other failures.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/mariadb-env.sh"

load_schema() {
  mariadb --no-defaults --socket="$mariadb_socket" -u"$mariadb_admin" \
    --default-character-set=utf8mb4 <"$here/db/schema.sql"
}

mariadb_lock

if mariadb_ping; then
  load_schema
  echo "start-mariadb: server already running (socket $mariadb_socket)"
  exit 0
fi

if ! mariadb_pid >/dev/null && port_3306_open; then
  echo "start-mariadb: 127.0.0.1:3306 is taken by a server that is not ours ($mariadb_root);" \
    "stop it or load $here/db/schema.sql into it" >&2
  exit 3
fi

if ! mariadb_pid >/dev/null; then
  if [ ! -f "$mariadb_ready" ]; then
    # No server runs from this folder, so a half-made data folder can go.
    rm -rf "$mariadb_data"
    mkdir -p "$mariadb_data"
    install_args=(--no-defaults --datadir="$mariadb_data" --skip-test-db
      --auth-root-authentication-method=socket --auth-root-socket-user="$mariadb_admin")
    [ "$(id -u)" -eq 0 ] && install_args+=(--user=root)
    mariadb-install-db "${install_args[@]}" >"$mariadb_root/install.log" 2>&1 || {
      echo "start-mariadb: mariadb-install-db failed, see $mariadb_root/install.log" >&2
      exit 1
    }
    touch "$mariadb_ready"
  fi

  server_args=(--no-defaults --datadir="$mariadb_data" --socket="$mariadb_socket"
    --pid-file="$mariadb_pidfile" --log-error="$mariadb_log"
    --port=3306 --bind-address=127.0.0.1 --skip-name-resolve
    --character-set-server=utf8mb4 --collation-server=utf8mb4_unicode_ci
    --innodb-buffer-pool-size=64M)
  [ "$(id -u)" -eq 0 ] && server_args+=(--user=root)
  # Its own session, so that it outlives the shell or test that started it.
  setsid -f mariadbd "${server_args[@]}" </dev/null >/dev/null 2>&1 9>&-
fi

for _ in $(seq 1 300); do
  mariadb_ping && break
  sleep 0.1
done
if ! mariadb_ping; then
  echo "start-mariadb: the server did not come up; last lines of $mariadb_log:" >&2
  tail -n 20 "$mariadb_log" >&2 || true
  exit 1
fi

load_schema
echo "start-mariadb: server running on 127.0.0.1:3306 (socket $mariadb_socket)"
