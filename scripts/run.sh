#!/usr/bin/env bash
# Starts the local user-table server (127.0.0.1:3306) and then the program of the build folder
# given as the first argument (default build/); further arguments go to the program.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
if [ $# -gt 0 ]; then shift; fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display; start it from a desktop session (or under xvfb-run)." >&2
  exit 1
fi
"$here/scripts/start-mariadb.sh"
exec "$build/bin/Coravex" "$@"
