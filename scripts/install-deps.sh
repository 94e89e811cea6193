#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the program need.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qtbase5-dev qttools5-dev-tools
  libvtk9-dev libvtk9-qt-dev mpi-default-dev
  libcgal-dev libboost-dev libgmp-dev libmpfr-dev
  libmariadb-dev mariadb-server mariadb-client
  xvfb xauth libgl1-mesa-dri mesa-utils x11-apps imagemagick fonts-wqy-microhei
  libgtest-dev libgmock-dev libbenchmark-dev
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
