#!/bin/sh
# Runs a Windows program under Wine in a prefix of its own (the test
# emulator of the Windows build, see mingw-w64-x86_64.cmake).
#
#   wine-run.sh PREFIX PROGRAM [ARGS...]
#
# The prefix is made with wineboot on first use (under a lock, so tests
# started at once make it once); the user's ~/.wine is never touched.
set -e
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all
# No downloads of Wine's Mono and Gecko while the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/system.reg" ]; then
            wineboot -i >/dev/null 2>&1 || true
            wineserver -w
        fi
    ) 9>"$prefix.lock"
fi
exec wine "$@"
