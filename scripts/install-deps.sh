#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Quick when everything is there: only missing packages go to apt-get.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev gcovr
  # user interface
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-liberation2 xdg-utils
  # case database: driver manager, installer library, SQLite and PostgreSQL drivers
  unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql postgresql
  # spreadsheets and EDF+
  libxlsxwriter-dev libedf-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
