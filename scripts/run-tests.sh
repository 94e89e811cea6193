#!/usr/bin/env bash
# Runs the whole test suite: ctest under one Xvfb display (window tests need X), with the
# local MariaDB server that the user-table tests use started first when its script exists.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"

if [ -x "$here/scripts/start-mariadb.sh" ]; then
  "$here/scripts/start-mariadb.sh"
fi

export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/coravex-xdg.XXXXXX)}"
chmod 700 "$XDG_RUNTIME_DIR"
exec xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 900
