#!/usr/bin/env bash
# Cross-builds Stowlark for 64-bit Windows with mingw-w64 into build-windows/,
# runs the Windows tests under Wine (CTest label "windows"), and packs the
# programs for users into build-windows/stowlark-windows.zip:
#   StowlarkKernel.dll, StowlarkInspect.dll, stowlark-cli.exe, the C++
#   runtime DLLs they share, stowlark-cli.txt (the manual page as text) and
#   README-windows.txt.
#
# Environment: BUILD_DIR (default build-windows), JOBS (default 2),
# SL_SKIP_TESTS=1 to build and pack without running the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-windows}
JOBS=${JOBS:-2}

# What the cross build needs from Debian: the posix variant of the compiler
# (its C++ runtime has std::thread and std::mutex), GoogleTest's sources,
# Wine to run the tests, and man/col for the manual page as text.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest wine wine64 man-db
          bsdextrautils)
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

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
nice cmake --build "$BUILD_DIR" -j"$JOBS"

if [ "${SL_SKIP_TESTS:-0}" != 1 ]; then
  # The first run makes the tests' own Wine prefix in $BUILD_DIR/wineprefix.
  nice ctest --test-dir "$BUILD_DIR" -L windows -j"$JOBS" --output-on-failure
fi

bin="$BUILD_DIR/bin"

objdump=x86_64-w64-mingw32-objdump
# The library exports exactly its seven functions.
cmake -DOBJDUMP="$objdump" -DDLL="$bin/StowlarkKernel.dll" \
      -DEXPORTS=SL_RunInstructions,SL_StopRunInstructions,SL_DoesPathContainSLFiles,SL_GetSavedIDs,SL_GetSavedBadIDs,SL_GetRestoredIDs,SL_GetInstalledIDsN \
      -P cmake/check-exports.cmake
# The library and the program pass std::string to each other: both must use
# the one C++ runtime DLL, never a static copy each.
for module in "$bin/StowlarkKernel.dll" "$bin/StowlarkInspect.dll" "$bin/stowlark-cli.exe"; do
  # (The whole dump first: grep -q would stop reading early, and pipefail
  # would count objdump's broken pipe as a failure.)
  imports=$("$objdump" -p "$module")
  if ! grep -q "DLL Name: libstdc++-6.dll" <<<"$imports"; then
    echo "$module does not use libstdc++-6.dll" >&2
    exit 1
  fi
done

stage="$BUILD_DIR/stowlark-windows"
rm -rf "$stage" "$BUILD_DIR/stowlark-windows.zip"
mkdir -p "$stage"
cp "$bin/StowlarkKernel.dll" "$bin/StowlarkInspect.dll" "$bin/stowlark-cli.exe" \
   "$bin/libstdc++-6.dll" "$bin/libgcc_s_seh-1.dll" "$bin/libwinpthread-1.dll" "$stage/"
# Debug information stays in the build (it is most of the runtime DLL's size).
x86_64-w64-mingw32-strip --strip-debug "$stage"/*.dll "$stage"/*.exe
# Text files with Windows line ends, for Notepad.
MANWIDTH=78 man -l cli/stowlark-cli.1 2>/dev/null | col -bx | sed 's/$/\r/' > "$stage/stowlark-cli.txt"
sed 's/$/\r/' packaging/windows/README-windows.txt > "$stage/README-windows.txt"
(cd "$stage" && cmake -E tar cf ../stowlark-windows.zip --format=zip -- *)
echo "$PWD/$BUILD_DIR/stowlark-windows.zip"
