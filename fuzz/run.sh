#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time.
#
#   fuzz/run.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 30); TARGET names (default: all). The build
# goes to $FUZZ_BUILD_DIR (default build-fuzz). New inputs found go to
# <build>/corpus/<target>; the committed seeds in fuzz/corpus/<target> and the
# regression inputs in fuzz/regressions/<target> are read, never written.
# A crash leaves its input in <build>/findings/<target>/ and makes the script
# fail. FUZZ_JOBS (default 1) targets run at the same time.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
shift || true
ALL_TARGETS=(bookkeeping_fuzz reg_archive_fuzz hive_fuzz script_fuzz catalogue_fuzz planted_folder_fuzz backup_folder_fuzz
             nt_hive_fuzz creg_hive_fuzz)
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=("${ALL_TARGETS[@]}")
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
JOBS=${FUZZ_JOBS:-1}

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz/run.sh: clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2
    exit 2
fi

FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$FLAGS" -DCMAKE_CXX_FLAGS="$FLAGS" \
    -DSL_BUILD_FUZZ=ON -DSL_BUILD_TESTS=OFF -DSL_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target "${TARGETS[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan_suppressions.txt}

run_one() {
    local target=$1
    local work="$BUILD_DIR/corpus/$target" findings="$BUILD_DIR/findings/$target"
    mkdir -p "$work" "$findings"
    local dirs=("$work" "fuzz/corpus/$target")
    [ -d "fuzz/regressions/$target" ] && dirs+=("fuzz/regressions/$target")
    echo "== $target: ${SECONDS_EACH}s"
    if "$BUILD_DIR/fuzz/$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -malloc_limit_mb=512 -max_len=16384 -print_final_stats=1 \
        -artifact_prefix="$findings/" "${dirs[@]}" >"$BUILD_DIR/$target.log" 2>&1; then
        grep -a -E "^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)" \
            "$BUILD_DIR/$target.log" | sed "s/^/   $target: /" || true
        return 0
    fi
    echo "== $target FAILED; its log:" >&2
    tail -n 60 "$BUILD_DIR/$target.log" >&2
    return 1
}

status=0
pids=()
for target in "${TARGETS[@]}"; do
    run_one "$target" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$JOBS" ]; then
        wait "${pids[0]}" || status=1
        pids=("${pids[@]:1}")
    fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status
