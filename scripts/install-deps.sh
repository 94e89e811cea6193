#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program use directly; what
# those packages need in turn comes with them (libcgal-dev brings GMP and MPFR, which the
# build leaves out, libvtk9-dev brings MPI). Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  # The build: compiler, CMake, and pkg-config, which finds the MariaDB client library.
  build-essential cmake pkg-config
  # The libraries: Qt 5 Widgets, VTK 9.1 with its Qt view, CGAL 5.5 over Boost's rationals,
  # the MariaDB client.
  qtbase5-dev libvtk9-dev libvtk9-qt-dev libcgal-dev libboost-dev libmariadb-dev
  # The local user-table server and the client tools its scripts run.
  mariadb-server mariadb-client
  # The Chinese texts of the program's windows.
  fonts-wqy-microhei
  # The tests and the benchmarks: GoogleTest, Google Benchmark, and the virtual X display
  # with software OpenGL that xvfb-run (which needs xauth) gives the window tests.
  libgtest-dev libbenchmark-dev xvfb xauth libgl1-mesa-dri
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
