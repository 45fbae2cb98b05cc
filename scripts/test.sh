#!/usr/bin/env bash
# Runs every test: natively, natively under AddressSanitizer and UndefinedBehaviorSanitizer,
# and cross-compiled under Wine (in a throwaway prefix, on a virtual display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
jobs=$(nproc)
gtest_sources=/usr/src/googletest

bash "$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"

configure_and_build() {
    local dir=$1
    shift
    cmake -S "$root" -B "$build/$dir" -DGTEST_SOURCE_DIR="$gtest_sources" "$@" >/dev/null
    cmake --build "$build/$dir" -j "$jobs"
}

# The native suites run in a shuffled order, so that a test leaning on another's leftovers shows.
echo "== native"
configure_and_build native -DCMAKE_BUILD_TYPE=Debug
GTEST_SHUFFLE=1 ctest --test-dir "$build/native" --output-on-failure

echo "== native, sanitizers"
configure_and_build native-sanitize -DCMAKE_BUILD_TYPE=Debug -DMDNS_SANITIZE=ON
GTEST_SHUFFLE=1 ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$build/native-sanitize" --output-on-failure

echo "== the store's fuzz target, ${MDNS_FUZZ_SECONDS:-60} seconds"
CC=clang CXX=clang++ configure_and_build fuzz -DCMAKE_BUILD_TYPE=Debug -DMDNS_FUZZ=ON -DMDNS_BUILD_TESTS=OFF
mkdir -p "$build/fuzz/corpus"
# New inputs go to the build's corpus; the committed seeds stay as they are. The store's
# diagnostics on standard output are closed off (-close_fd_mask=1).
fuzz_log="$build/fuzz/fuzz.log"
if ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/tests/fuzz/store_fuzz" -max_total_time="${MDNS_FUZZ_SECONDS:-60}" \
        -timeout=10 -close_fd_mask=1 -artifact_prefix="$build/fuzz/" \
        "$build/fuzz/corpus" "$root/tests/fuzz/corpus" >"$fuzz_log" 2>&1; then
    grep -E "^Done" "$fuzz_log" || true
else
    tail -n 60 "$fuzz_log"
    echo "The fuzz target found a fault; the input that shows it is in $build/fuzz/" >&2
    exit 1
fi

echo "== windows, under Wine"
configure_and_build windows -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"

WINEPREFIX=$(mktemp -d /tmp/corvane-mdns-test-wine.XXXXXX)
export WINEPREFIX
cleanup() {
    wineserver -k 2>/dev/null || true
    stop_virtual_display
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
start_virtual_display
prepare_wine_prefix
ctest --test-dir "$build/windows" --output-on-failure --timeout 300
