#!/usr/bin/env bash
# Configures and builds Coravex, its tests and benchmarks (RelWithDebInfo, as many jobs as the
# cores and the memory allow).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# CGAL translation units take up to 2.5 GB each: one job per core, but no more jobs than
# 2.5 GB portions of the memory available now (at least one).
cores="$(nproc)"
available_kb="$(awk '/^MemAvailable:/ { print $2 }' /proc/meminfo 2>/dev/null || true)"
jobs=$(( ${available_kb:-0} / 2621440 ))
if (( jobs < 1 )); then jobs=1; fi
if (( jobs > cores )); then jobs=$cores; fi
cmake --build "$build" -j "$jobs"
