#!/usr/bin/env bash
# Times the store's save and load of 10, 1,000 and 10,000 pairs natively and under Wine,
# and beside them Wine's registry tool writing the same pairs from a .reg file
# ("reg import") and reading them back ("reg query /s"). Prints figures; tests nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
bash "$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"

for dir in native windows; do
    extra=()
    [ "$dir" = windows ] && extra=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake")
    cmake -S "$root" -B "$build/$dir" -DGTEST_SOURCE_DIR=/usr/src/googletest -DCMAKE_BUILD_TYPE=Release \
        "${extra[@]}" >/dev/null
    cmake --build "$build/$dir" -j "$(nproc)" --target store_benchmark >/dev/null
done

echo "== native, in-memory stand-in"
"$build/native/tests/store_benchmark"

WINEPREFIX=$(mktemp -d /tmp/corvane-mdns-bench-wine.XXXXXX)
export WINEPREFIX
workdir=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX" "$workdir"' EXIT
prepare_wine_prefix

echo "== Wine registry"
wine "$build/windows/tests/store_benchmark.exe" | tr -d '\r'

now() { date +%s.%N; }
echo "== Wine's reg tool on the same pairs"
printf '%8s %12s %12s %14s %14s\n' pairs "import ms" "query ms" "import us/pair" "query us/pair"
for count in 10 1000 10000; do
    regfile="$workdir/pairs-$count.reg"
    {
        printf 'REGEDIT4\r\n\r\n'
        for ((i = 0; i < count; i++)); do
            printf '[HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks\\%d]\r\n' "$i"
            printf '"IPsource"="10.%d.%d.1"\r\n"IPdestination"="192.168.0.1"\r\n' $((i / 256)) $((i % 256))
            printf '"Direction"="2"\r\n"Enabled"="1"\r\n\r\n'
        done
    } >"$regfile"
    wine reg delete 'HKLM\Software\Corvane Software\mDNS\Networks' /f >/dev/null 2>&1 || true
    start=$(now)
    wine reg import "$(winepath -w "$regfile")" >/dev/null 2>&1
    middle=$(now)
    lines=$(wine reg query 'HKLM\Software\Corvane Software\mDNS\Networks' /s 2>/dev/null | grep -c IPsource || true)
    end=$(now)
    [ "$lines" -eq "$count" ] || echo "reg query listed $lines pairs, expected $count"
    awk -v n="$count" -v a="$start" -v b="$middle" -v c="$end" \
        'BEGIN { printf "%8d %12.1f %12.1f %14.1f %14.1f\n", n, (b-a)*1000, (c-b)*1000, (b-a)*1e6/n, (c-b)*1e6/n }'
done
