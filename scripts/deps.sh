#!/usr/bin/env bash
# Installs the Debian 12 packages KOVA needs to build, test and run, when any is missing.
set -euo pipefail
need=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format pkg-config
      libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev libeigen3-dev
      qt6-base-dev libqt6svg6-dev xvfb xauth fonts-liberation2)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
