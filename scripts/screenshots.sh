#!/usr/bin/env bash
# Takes a picture of every page of the Stowlark wizard under Xvfb and puts
# them in build/screenshots (or $SCREENSHOT_DIR). The wizard walks through a
# backup and a restore on a scratch copy of the demo machine, so no real
# Wine prefix is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
OUT=${SCREENSHOT_DIR:-$BUILD_DIR/screenshots}
if [ ! -f "$BUILD_DIR/build.ninja" ] && [ ! -f "$BUILD_DIR/Makefile" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" -j2 --target Stowlark
rm -rf "$OUT"
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/stowlark-shots-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cp -a examples/demo-prefix "$scratch/prefix"
[ -e "$scratch/prefix/dosdevices/c:" ] || { mkdir -p "$scratch/prefix/dosdevices"; ln -s ../drive_c "$scratch/prefix/dosdevices/c:"; }

WINEPREFIX="$scratch/prefix" STOWLARK_SCREENSHOTS="$OUT" \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bin/Stowlark"
echo "Screenshots in $OUT:"
ls "$OUT"
