#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, only
# when something is missing, and configures the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

# nlohmann-json3-dev: stowlark-cli's --json. librsvg2-bin: the PNG icons.
# desktop-file-utils, appstream, zsh, fish: the package test's checks.
# libhivex-dev, libcreg-dev: reading the registry of an old Windows disk (NT
# hives, 9x files); libhivex-bin, libwin-hivex-perl (hivexregedit) and
# libcreg-utils: the tests check the hives they build with these tools.
packages=(build-essential cmake ninja-build ccache pkg-config libgtest-dev libgmock-dev
          libbenchmark-dev qt6-base-dev libqt6svg6 xvfb xauth nlohmann-json3-dev librsvg2-bin
          dpkg-dev desktop-file-utils appstream zsh fish
          libhivex-dev libhivex-bin libwin-hivex-perl libcreg-dev libcreg-utils)
if [ "${SL_WITH_WINE:-1}" = 1 ]; then
  # g++-mingw-w64-x86-64 builds the small Windows programs the Wine tests run.
  packages+=(wine wine64 g++-mingw-w64-x86-64)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
