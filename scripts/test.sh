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

echo "== native"
configure_and_build native -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir "$build/native" --output-on-failure

echo "== native, sanitizers"
configure_and_build native-sanitize -DCMAKE_BUILD_TYPE=Debug -DMDNS_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$build/native-sanitize" --output-on-failure

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
