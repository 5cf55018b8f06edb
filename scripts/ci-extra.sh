#!/usr/bin/env bash
# Extra checks CI runs after the tests: every fuzz target for a short, bounded
# time from its committed seeds (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer), then the kernel's and the catalogue's unit tests
# built with AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   scripts/ci-extra.sh            (FUZZ_SECONDS, default 20 per target)
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ_SECONDS=${FUZZ_SECONDS:-20}

need=()
command -v clang++ >/dev/null 2>&1 || need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
    need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
    echo "ci-extra: installing ${need[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

echo "== fuzz targets, ${FUZZ_SECONDS}s each"
FUZZ_JOBS=2 fuzz/run.sh "$FUZZ_SECONDS"

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_DIR=${ASAN_BUILD_DIR:-build-asan}
cmake -S . -B "$ASAN_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSL_SANITIZE=ON \
    -DSL_BUILD_BENCH=OFF >/dev/null
# The kernel's, the catalogue's and the front ends' shared code; the Qt pages
# and the tests that need real Wine are left out here.
TESTS=()
for test in test_posix test_codepage test_hive test_wine_text test_wine_paths test_wineserver \
    test_platform test_testing test_log test_script test_resolve test_storage test_interface test_inspect test_catalogue \
    test_session test_cli test_offline; do
    cmake --build "$ASAN_DIR" --target help | grep -q "^$test:" && TESTS+=("$test")
done
cmake --build "$ASAN_DIR" -j2 --target "${TESTS[@]}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# (libcreg leaks a few bytes on some damaged 9x files; not our code.)
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan_suppressions.txt}
status=0
for test in "${TESTS[@]}"; do
    binary=$(find "$ASAN_DIR" -type f -name "$test" -perm -u+x | head -n 1)
    echo "-- $test"
    if ! "$binary" --gtest_brief=1 >"$ASAN_DIR/$test.log" 2>&1; then
        tail -n 80 "$ASAN_DIR/$test.log"
        status=1
    fi
    tail -n 3 "$ASAN_DIR/$test.log"
done
exit $status
