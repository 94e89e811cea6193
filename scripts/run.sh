#!/usr/bin/env bash
# Starts the local user-table server (127.0.0.1:3306) and then the program.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display; start it from a desktop session (or under xvfb-run)." >&2
  exit 1
fi
"$here/scripts/start-mariadb.sh"
exec "$here/build/bin/Coravex" "$@"
