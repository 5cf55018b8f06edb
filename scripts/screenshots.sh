#!/usr/bin/env bash
# Takes a picture of every page of the Stowlark wizard under Xvfb and puts
# them in build/screenshots (or $SCREENSHOT_DIR). The wizard walks through a
# backup (pictured in the middle of a component of 4,000 files), a restore,
# and a restore that fails, in a dark palette, on a scratch copy of the demo
# machine, so no real Wine prefix is touched.
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
# A large skins folder, so that the run is pictured in the middle of a long
# component.
skins="$scratch/prefix/drive_c/Program Files/Winamp/Skins/Many"
mkdir -p "$skins"
for i in $(seq 1 4000); do printf 'x' > "$skins/skin$i.bmp"; done

WINEPREFIX="$scratch/prefix" STOWLARK_SCREENSHOTS="$OUT" \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD_DIR/bin/Stowlark"
echo "Screenshots in $OUT:"
ls "$OUT"
