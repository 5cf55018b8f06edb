#!/usr/bin/env bash
# Installs what is missing, builds, and starts Stowlark. Without WINEPREFIX
# (and no ~/.wine) it works on a scratch copy of the demo machine.
set -euo pipefail
cd "$(dirname "$0")/.."
SL_WITH_WINE=0 scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake --build "$BUILD_DIR" -j2 --target StowlarkKernel StowlarkInspect Stowlark stowlark-cli
exec "$BUILD_DIR/bin/Stowlark" "$@"
