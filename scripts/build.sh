#!/usr/bin/env bash
# Installs what is missing, configures the build folder (BUILD_DIR, default
# build) and builds everything in it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --build "${BUILD_DIR:-build}" -j2
