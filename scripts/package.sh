#!/usr/bin/env bash
# Builds the Debian package of Stowlark (the wizard, stowlark-cli, the
# library, the manual page, the menu entry, the icons and the completions)
# into build/package/stowlark_VERSION_ARCH.deb; its dependencies are
# computed by dpkg-shlibdeps. Install it with: apt install ./stowlark_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd "${BUILD_DIR:-build}"
cpack -G DEB -B package
ls -1 "$PWD"/package/stowlark_*.deb
