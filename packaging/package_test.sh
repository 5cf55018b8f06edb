#!/usr/bin/env bash
# Builds the Debian package from a built build folder, unpacks it into a
# scratch root with dpkg -x and checks what it installs: the file list, the
# menu entry and AppStream data (with their validators), the icons, the
# completions (parsed by their shells), the manual page, the dependencies,
# and the installed stowlark-cli working on a copy of the demo machine with
# the installed library.
#
#   package_test.sh BUILD_DIR SOURCE_DIR LIBDIR VERSION
set -euo pipefail
build=$1
source=$2
libdir=$3
version=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/stowlark-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
problems=0
fail() {
  echo "FAIL: $*" >&2
  problems=$((problems + 1))
}

echo "== building the package"
cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  exit 1
}
deb=$(find "$work/out" -maxdepth 1 -name 'stowlark_*.deb')
[ -n "$deb" ] || { cat "$work/cpack.log" >&2; echo "FAIL: no stowlark_*.deb made" >&2; exit 1; }
echo "$deb"

echo "== control fields"
[ "$(dpkg-deb -f "$deb" Package)" = stowlark ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Computed by dpkg-shlibdeps from the programs and the library.
for need in libc6 libstdc++6 libqt6widgets6 libqt6core6; do
  [[ $depends == *"$need "* || $depends == *"$need," || $depends == *"$need" ]] ||
    fail "Depends lacks $need"
done

echo "== file list"
root=$work/root
dpkg -x "$deb" "$root"
expected="usr/bin/Stowlark
usr/bin/stowlark-cli
usr/$libdir/libStowlarkInspect.so
usr/$libdir/libStowlarkKernel.so
usr/share/applications/com.quendara.Stowlark.desktop
usr/share/metainfo/com.quendara.Stowlark.metainfo.xml
usr/share/man/man1/stowlark-cli.1
usr/share/bash-completion/completions/stowlark-cli
usr/share/zsh/vendor-completions/_stowlark-cli
usr/share/fish/vendor_completions.d/stowlark-cli.fish
usr/share/icons/hicolor/scalable/apps/stowlark.svg"
for size in 16 22 24 32 48 64 128 256; do
  expected+=$'\n'"usr/share/icons/hicolor/${size}x${size}/apps/stowlark.png"
done
actual=$(cd "$root" && find . ! -type d ! -path './usr/share/stowlark/demo-prefix/*' | sed 's|^\./||' | sort)
if [ "$actual" != "$(sort <<<"$expected")" ]; then
  fail "the package's files differ from the expected list:"
  diff <(sort <<<"$expected") <(echo "$actual") >&2 || true
fi
# The demo machine is there whole, links included.
demo_source=$(cd "$source/examples/demo-prefix" && find . | sort)
demo_installed=$(cd "$root/usr/share/stowlark/demo-prefix" 2>/dev/null && find . | sort)
[ "$demo_source" = "$demo_installed" ] || fail "the installed demo machine differs from examples/demo-prefix"
[ -x "$root/usr/bin/Stowlark" ] && [ -x "$root/usr/bin/stowlark-cli" ] || fail "programs not executable"

echo "== menu entry and AppStream data"
desktop-file-validate "$root/usr/share/applications/com.quendara.Stowlark.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.quendara.Stowlark.metainfo.xml" ||
  fail "appstreamcli validate"
grep -q '^Exec=Stowlark$' "$root/usr/share/applications/com.quendara.Stowlark.desktop" || fail "Exec is not Stowlark"
grep -q '^Icon=stowlark$' "$root/usr/share/applications/com.quendara.Stowlark.desktop" || fail "Icon is not stowlark"
grep -q '<caption>' "$root/usr/share/metainfo/com.quendara.Stowlark.metainfo.xml" || fail "no screenshot captions"

echo "== icons"
for size in 16 22 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/stowlark.png
  # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$png is ${width}x${height}"
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/stowlark.svg" || fail "the scalable icon is no SVG"

echo "== completions"
bash -n "$root/usr/share/bash-completion/completions/stowlark-cli" || fail "bash -n"
zsh -n "$root/usr/share/zsh/vendor-completions/_stowlark-cli" || fail "zsh -n"
fish -n "$root/usr/share/fish/vendor_completions.d/stowlark-cli.fish" || fail "fish -n"

echo "== manual page"
man=$root/usr/share/man/man1/stowlark-cli.1
for section in ENVIRONMENT "JSON OUTPUT" "EXIT STATUS"; do
  grep -q "^\.SH $section\$" "$man" || fail "the manual page has no $section section"
done
for variable in WINEPREFIX XDG_STATE_HOME XDG_RUNTIME_DIR HOME XDG_DATA_HOME XDG_CONFIG_HOME; do
  sed -n '/^\.SH ENVIRONMENT/,/^\.SH /p' "$man" | grep -q "^\.B $variable\$" ||
    fail "ENVIRONMENT does not name $variable"
done

echo "== the installed programs"
if ldd "$root/usr/bin/Stowlark" "$root/usr/bin/stowlark-cli" | grep -q 'not found'; then
  fail "a program misses a shared library"
fi
# A clean environment: nothing points at the build folder, no Wine prefix.
home=$work/home
mkdir -p "$home"
cp -a "$source/examples/demo-prefix" "$work/machine"
run() {
  env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$root/usr/bin/stowlark-cli" "$@"
}
list=$(run --prefix "$work/machine" list) || fail "installed stowlark-cli list exited with $?"
echo "$list" | head -4
expected_list=$("$build/bin/stowlark-cli" --prefix "$work/machine" list)
[ "$list" = "$expected_list" ] || fail "the installed list differs from the built program's"
grep -Eq '^  58 +WinAmp Settings +yes' <<<"$list" || fail "list lacks WinAmp Settings, installed"

# The library that works is the installed one: its log lies beside it.
backup=$(run --prefix "$work/machine" --json backup "$work/backup" 58) ||
  fail "installed stowlark-cli backup exited with $?"
log=$(sed -n 's/^  "log": "\(.*\)",\{0,1\}$/\1/p' <<<"$backup")
case $log in
  "$root/usr/$libdir/Stowlark.Log" | "$home/.local/state/stowlark/Stowlark.Log") ;;
  *) fail "the log $log is not beside the installed library" ;;
esac
[ -f "$work/backup/Stowlark.dat" ] || fail "the installed program saved no Stowlark.dat"
# show and verify read the folder through the installed inspect library.
run --prefix "$work/machine" verify "$work/backup" >/dev/null ||
  fail "installed stowlark-cli verify exited with $?"
run --prefix "$work/machine" verify "$work/backup" >/dev/null || fail "installed verify"

# Without any prefix it works on a scratch copy of a demo machine (the
# source tree's while it exists, else the installed one).
scratch=$(env -i HOME="$home" PATH=/usr/bin:/bin TMPDIR="$work" "$root/usr/bin/stowlark-cli" list 2>&1 >/dev/null) ||
  fail "list without a prefix exited with $?"
grep -q 'scratch copy of the demo machine' <<<"$scratch" || fail "no scratch demo machine: $scratch"

# The installed wizard starts and loads the installed library (the loader's
# own trace says from where), then is stopped.
env -i HOME="$home" PATH=/usr/bin:/bin WINEPREFIX="$work/machine" QT_QPA_PLATFORM=offscreen \
  LD_DEBUG=files LD_DEBUG_OUTPUT="$work/wizard-trace" "$root/usr/bin/Stowlark" >"$work/wizard.log" 2>&1 &
wizard=$!
loaded=""
for _ in $(seq 100); do
  loaded=$(cat "$work"/wizard-trace.* 2>/dev/null | grep -o 'file=[^ ]*libStowlarkKernel.so' | head -n 1) || true
  [ -n "$loaded" ] && break
  kill -0 "$wizard" 2>/dev/null || break
  sleep 0.1
done
kill "$wizard" 2>/dev/null || true
wait "$wizard" 2>/dev/null || true
case ${loaded#file=} in
  "$root"/usr/*) echo "The wizard loaded ${loaded#file=}" ;;
  *) fail "the installed wizard did not load the installed library (${loaded:-nothing}): $(cat "$work/wizard.log")" ;;
esac

[ "$problems" = 0 ] || { echo "$problems problem(s)" >&2; exit 1; }
echo "The package is complete."
