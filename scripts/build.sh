#!/usr/bin/env bash
# Configures and builds Coravex, its tests and benchmarks (RelWithDebInfo, all cores).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# CGAL translation units take up to 2.5 GB each: keep the job count within memory.
cmake --build "$build" -j "$(nproc)"
