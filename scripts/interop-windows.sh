#!/usr/bin/env bash
# Two implementations, one answer: the Windows build running inside a Wine
# prefix (the real Win32 API as Wine implements it) and the Linux build
# reading the same prefix's files must make the same backup, and each one's
# backup must restore through the other to the same registry.
#
#   scripts/interop-windows.sh [BUILD_DIR [WINDOWS_BUILD_DIR]]
#
# Needs the Linux build (default build/) and the Windows build (default
# build-windows/, scripts/build-windows.sh). Works in a temporary folder:
#  1. wineboot updates a copy of the demo machine into a full prefix, so it
#     holds the demo applications' settings beside Wine's own;
#  2. stowlark-cli.exe, copied into the prefix's C:, backs every component
#     up under Wine; the Linux stowlark-cli backs the same prefix up;
#  3. the two backup folders are compared byte for byte;
#  4. two copies of that prefix, with some settings deleted or changed, each
#     get one folder restored by the other build; Wine's `reg query` of both must agree, and so must
#     the files restored.
# Exit status 0 when everything matches, 1 with the differences shown, 77
# when there is no Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath -m "${1:-build}")
WINBUILD=$(realpath -m "${2:-build-windows}")
cli="$BUILD/bin/stowlark-cli"
winbin="$WINBUILD/bin"
[ -x "$cli" ] || { echo "missing: $cli (build Linux first)" >&2; exit 2; }
# Without the Windows build there is nothing to compare (77: CTest's skip).
for f in "$winbin/stowlark-cli.exe" "$winbin/StowlarkKernel.dll"; do
  [ -e "$f" ] || { echo "missing: $f (run scripts/build-windows.sh first)" >&2; exit 77; }
done

work=$(mktemp -d /tmp/sl-interop-XXXXXX)
trap 'for p in "$work"/p*; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
      [ "${SL_KEEP:-0}" = 1 ] && echo "kept: $work" || rm -rf "$work"' EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
inprefix() { local p=$1; shift; WINEPREFIX="$p" "$@"; }
settle() { WINEPREFIX="$1" wineserver -w; }

echo "== wineboot on a copy of the demo machine"
cp -a examples/demo-prefix "$work/pdemo"
inprefix "$work/pdemo" wineboot -u >/dev/null 2>&1
settle "$work/pdemo"
# The demo machine keeps its applications' machine keys where a 32-bit
# prefix has them; a booted 64-bit prefix shows 32-bit programs those of
# Wow6432Node, so the keys are copied there, as the applications' own
# installers would have put them.
for k in 'Microsoft\Internet Explorer' 'Microsoft\Office' 'Microsoft\Outlook Express' \
         'Microsoft\Windows\CurrentVersion\Policies\Ratings' \
         'Microsoft\Windows\CurrentVersion\Uninstall\Winamp' 'Netscape'; do
  inprefix "$work/pdemo" wine reg copy "HKLM\\Software\\$k" "HKLM\\Software\\Wow6432Node\\$k" /s /f \
    >/dev/null
done
settle "$work/pdemo"
# The restores below start from this state, with settings lost.
cp -a "$work/pdemo" "$work/pbase"
inprefix "$work/pbase" wine reg delete 'HKLM\Software\Wow6432Node\Netscape\Netscape Navigator\Main' /f >/dev/null
inprefix "$work/pbase" wine reg delete 'HKCU\Software\FTP Explorer\Profiles' /f >/dev/null
settle "$work/pbase"
echo "// changed since" >> "$work/pbase/drive_c/Program Files/Winamp/winamp.ini"
echo "components installed: $("$cli" --prefix "$work/pdemo" list | grep -c '  yes  ' || true)"

echo "== backup by stowlark-cli.exe inside the prefix under Wine"
mkdir -p "$work/pdemo/drive_c/Stowlark"
cp "$winbin"/*.dll "$winbin/stowlark-cli.exe" "$work/pdemo/drive_c/Stowlark/"
rm -f "$work/pdemo/drive_c/Stowlark/sl_win32_probe.dll"
# The folder through Z:, as the Linux build names it too.
(cd "$work/pdemo/drive_c/Stowlark" &&
 inprefix "$work/pdemo" wine 'C:\Stowlark\stowlark-cli.exe' backup "Z:${work//\//\\}\\fromwin" --all) \
  > "$work/win-backup.txt" 2>&1 || { cat "$work/win-backup.txt"; }
settle "$work/pdemo"

echo "== backup by the Linux build reading the prefix's files"
"$cli" --prefix "$work/pdemo" backup "$work/fromlinux" --all > "$work/linux-backup.txt" 2>&1 ||
  cat "$work/linux-backup.txt"

status=0
echo "== the two backup folders"
if diff -r "$work/fromwin" "$work/fromlinux"; then
  echo "identical: $(cd "$work/fromwin" && find . -type f | wc -l) files"
else
  status=1
  for f in $(cd "$work/fromwin" && find . -type f | sort); do
    cmp -s "$work/fromwin/$f" "$work/fromlinux/$f" || {
      echo "--- $f differs"; cmp -l "$work/fromwin/$f" "$work/fromlinux/$f" 2>&1 | head -5; }
  done
fi

echo "== each folder restored by the other build"
cp -a "$work/pbase" "$work/pA"   # the Windows build's folder, restored by Linux
cp -a "$work/pbase" "$work/pB"   # the Linux build's folder, restored under Wine
"$cli" --prefix "$work/pA" restore "$work/fromwin" > "$work/restore-linux.txt" 2>&1 ||
  cat "$work/restore-linux.txt"
mkdir -p "$work/pB/drive_c/Stowlark"
cp "$work/pdemo/drive_c/Stowlark/"* "$work/pB/drive_c/Stowlark/"
(cd "$work/pB/drive_c/Stowlark" &&
 inprefix "$work/pB" wine 'C:\Stowlark\stowlark-cli.exe' restore "Z:${work//\//\\}\\fromlinux") \
  > "$work/restore-win.txt" 2>&1 || cat "$work/restore-win.txt"
settle "$work/pB"
rm -rf "$work/pB/drive_c/Stowlark"
for p in pA pB pdemo; do
  for key in 'HKCU\Software' 'HKLM\Software' 'HKLM\Software\Wow6432Node'; do
    inprefix "$work/$p" wine reg query "$key" /s 2>/dev/null | tr -d '\r'
  done > "$work/$p.reg.txt"
  settle "$work/$p"
done
if diff "$work/pA.reg.txt" "$work/pB.reg.txt" > "$work/reg.diff"; then
  echo "registries agree ($(wc -l < "$work/pA.reg.txt") lines of reg query)"
else
  status=1; echo "registries differ:"; head -40 "$work/reg.diff"
fi
# And both are the settings the backups were made from.
if diff "$work/pdemo.reg.txt" "$work/pA.reg.txt" > "$work/reg-demo.diff"; then
  echo "restored registry equals the backed-up prefix's"
else
  echo "restored registry differs from the backed-up prefix's (expected only where a restore"
  echo "adds its own keys):"; head -20 "$work/reg-demo.diff"
fi
cmp "$work/pdemo/drive_c/Program Files/Winamp/winamp.ini" \
    "$work/pB/drive_c/Program Files/Winamp/winamp.ini" && echo "winamp.ini is back"
# The files restored (the pre-restore copies and Wine's own files aside).
if diff -r -x Stowlark.Bak -x '*.log' -x Stowlark.Log "$work/pA/drive_c" "$work/pB/drive_c" \
     > "$work/files.diff" 2>&1; then
  echo "restored files agree"
else
  status=1; echo "restored files differ:"; head -20 "$work/files.diff"
fi
exit $status
