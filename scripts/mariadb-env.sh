# Shared settings of the local MariaDB server that holds the user table (sourced by
# start-mariadb.sh and stop-mariadb.sh). CORAVEX_MARIADB_DIR moves its folder.
mariadb_root="${CORAVEX_MARIADB_DIR:-/var/tmp/coravex-mariadb}"
mariadb_data="$mariadb_root/data"
mariadb_socket="$mariadb_root/mysqld.sock"
mariadb_pidfile="$mariadb_root/mysqld.pid"
mariadb_log="$mariadb_root/error.log"
mariadb_ready="$mariadb_root/initialised"
# The operating-system user is also the server's administrator, signed in over the socket.
mariadb_admin="$(id -un)"

mariadb_ping() {
  mariadb-admin --no-defaults --socket="$mariadb_socket" -u"$mariadb_admin" \
    --connect-timeout=2 ping >/dev/null 2>&1
}

# Prints the pid of this folder's server when that process is alive.
mariadb_pid() {
  local pid
  [ -f "$mariadb_pidfile" ] || return 1
  pid="$(cat "$mariadb_pidfile" 2>/dev/null)"
  [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = mariadbd ] || return 1
  echo "$pid"
}

port_3306_open() {
  (exec 3<>/dev/tcp/127.0.0.1/3306) 2>/dev/null
}

# Serialises the scripts; the descriptor must not reach the server process.
mariadb_lock() {
  mkdir -p "$mariadb_root"
  exec 9>"$mariadb_root/lock"
  flock 9
}
