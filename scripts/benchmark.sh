#!/usr/bin/env bash
# The benchmarks, in one run (about 6 minutes):
#  - the store's save and load natively over the stand-in, 10 to 100,000 pairs;
#  - the same under Wine's registry, 10 to 10,000 pairs, and the save of 10,000 pairs beside
#    `reg import` of the same list (its delete section included), as ratios within each run;
#  - the General page in the real sheet with 1,000 and 10,000 rows: its fill, one Add, one Remove;
#  - mDNSPairs: a converged `set` and a `check` of 100 pairs beside `reg query /s`, and `prune` of
#    10,000 pairs (half stale) beside `import` of the half that stays (as root);
#  - the configurator from launch to a responsive sheet at 0, 1,000 and 10,000 pairs, beside the
#    registry tool listing the same store and a minimal sheet showing the same rows, as ratios
#    within each run, and its peak working set against the minimal sheet's.
# Prints figures; tests nothing. Only ratios within one run mean much: the machine is shared.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
bash "$root/scripts/install-deps.sh" test
source "$root/scripts/wine-env.sh"

cmake -S "$root" -B "$build/native-release" -DGTEST_SOURCE_DIR=/usr/src/googletest -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/native-release" -j "$(nproc)" --target store_benchmark >/dev/null
cmake -S "$root" -B "$build/windows" -DGTEST_SOURCE_DIR=/usr/src/googletest -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/windows" -j "$(nproc)" \
    --target mDNSConfig mDNSPairs store_benchmark page_benchmark minimal_sheet startup_benchmark >/dev/null

echo "== the store, natively over the stand-in"
"$build/native-release/tests/store_benchmark"

WINEPREFIX=$(mktemp -d /tmp/corvane-mdns-bench-wine.XXXXXX)
export WINEPREFIX
trap 'wineserver -k 2>/dev/null || true; stop_virtual_display; rm -rf "$WINEPREFIX"' EXIT
start_virtual_display
prepare_wine_prefix

echo "== the store, under Wine's registry"
wine "$build/windows/tests/store_benchmark.exe" 2>/dev/null | tr -d '\r'
echo "== the General page with a large list, in the real sheet"
wine "$build/windows/tests/page_benchmark.exe" 2>/dev/null | tr -d '\r'
echo "== launch to a responsive sheet"
wine "$build/windows/tests/startup_benchmark.exe" "$build/windows/mDNSConfig.exe" \
    "$build/windows/tests/minimal_sheet.exe" 2>/dev/null | tr -d '\r'
echo "== mDNSPairs on every pass of a fleet tool: a converged set and a check of 100 pairs"
wineserver -k 2>/dev/null || true
bash "$root/tests/pairs_benchmark.sh" "$build/windows/mDNSPairs.exe"
