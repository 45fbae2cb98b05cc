#!/usr/bin/env bash
# What every pass of a fleet tool pays: a converged `set` of 100 pairs and a `check` of the
# same, beside `reg query /s` of the same store, launched the same way in the same run; as
# ratios (min, median, max) of five runs. In namespaces of its own, as root, where the
# computer has fifteen addresses on one adapter. Prints figures; tests nothing.
# Usage: pairs_benchmark.sh PAIRS.exe   (WINEPREFIX set, as root)
set -euo pipefail
pairs=$1
source "$(dirname "$0")/own_namespaces.sh"
if ! reenter_in_own_namespaces CORVANE_BENCH_NAMESPACE "$0" "$@"; then
    echo "skipped: the companion's benchmark needs root, for namespaces of its own (unshare)"
    exit 0
fi
hostname corvane-bench
ip link set lo up
ip link add Many type veth peer name Many-peer
addresses=()
for n in $(seq 1 15); do
    ip addr add "10.77.0.$n/24" dev Many
    addresses+=("10.77.0.$n")
done
ip link set Many up
ip link set Many-peer up
arguments=()
for ((a = 0; a < 15 && ${#arguments[@]} < 200; a++)); do
    for ((b = a + 1; b < 15 && ${#arguments[@]} < 200; b++)); do arguments+=("${addresses[a]}" "${addresses[b]}"); done
done
export WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true' EXIT
timeout 60 wine reg add 'HKLM\Software\Corvane Software\mDNS\Networks' /f >/dev/null 2>&1
status=0
timeout 120 wine "$pairs" set "${arguments[@]}" >/dev/null 2>&1 || status=$?
echo "set of 100 pairs: exit $status (2: the store now holds them)"

milliseconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
declare -a setRatios checkRatios
for run in 1 2 3 4 5; do
    query=$(milliseconds timeout 60 wine reg query 'HKLM\Software\Corvane Software\mDNS\Networks' /s)
    converged=$(milliseconds timeout 60 wine "$pairs" set "${arguments[@]}")
    checked=$(milliseconds timeout 60 wine "$pairs" check "${arguments[@]}")
    echo "run $run: reg query /s $query ms, converged set $converged ms, check $checked ms"
    setRatios+=("$(echo "scale=2; $converged / $query" | bc)")
    checkRatios+=("$(echo "scale=2; $checked / $query" | bc)")
done
summary() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {printf "min %s, median %s, max %s", v[1], v[3], v[5]}'; }
echo "converged set / reg query /s: $(summary "${setRatios[@]}") (target at most 0.4)"
echo "check / reg query /s: $(summary "${checkRatios[@]}") (target at most 0.4)"
final=0
timeout 60 wine "$pairs" set "${arguments[@]}" >/dev/null 2>&1 || final=$?
echo "a converged set wrote nothing and said so: exit $final"

# prune of 10,000 pairs, half of them naming addresses this computer does not have, beside
# import of the 5,000 that stay (the same plan and save as set, without a command line too
# long for Windows): both from the same 10,000-pair store.
for n in $(seq 16 120); do ip addr add "10.77.$((n / 200 + 1)).$((n % 200 + 1))/16" dev Many; done
python3 - "$WINEPREFIX/drive_c/all.reg" "$WINEPREFIX/drive_c/kept.reg" <<'PY'
import sys
local = ["10.77.0.%d" % n for n in range(1, 16)] + ["10.77.%d.%d" % (n // 200 + 1, n % 200 + 1) for n in range(16, 121)]
kept = [(local[a], local[b]) for a in range(len(local)) for b in range(a + 1, len(local))][:5000]
stale = [("10.200.%d.%d" % (i // 250, i % 250 + 1), local[i % len(local)]) for i in range(5000)]
mixed = [p for pair in zip(kept, stale) for p in pair]
key = "HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks"
def write(path, pairs):
    lines = ["REGEDIT4", "", "; The address pairs of the Corvane mDNS Repeater. benchmark", "", "[%s]" % key, ""]
    for i, (s, d) in enumerate(pairs):
        lines += ["[%s\\%d]" % (key, i), '"IPsource"="%s"' % s, '"IPdestination"="%s"' % d, '"Direction"="2"', '"Enabled"="1"', ""]
    lines.append("; The end of the export. Pairs: %d." % len(pairs))
    open(path, "w", newline="").write("\r\n".join(lines) + "\r\n")
write(sys.argv[1], mixed)
write(sys.argv[2], kept)
PY
declare -a pruneRatios
for run in 1 2 3; do
    timeout 300 wine "$pairs" import 'C:\all.reg' >/dev/null 2>&1 || true
    pruned=$(milliseconds timeout 300 wine "$pairs" prune)
    timeout 300 wine "$pairs" import 'C:\all.reg' >/dev/null 2>&1 || true
    imported=$(milliseconds timeout 300 wine "$pairs" import 'C:\kept.reg')
    echo "run $run: prune of 10,000 (5,000 stale) $pruned ms, import of the 5,000 kept $imported ms"
    pruneRatios+=("$(echo "scale=2; $pruned / $imported" | bc)")
done
printf '%s\n' "${pruneRatios[@]}" | sort -n |
    awk '{v[NR]=$1} END {printf "prune / import of what stays: min %s, median %s, max %s (target at most 1.2)\n", v[1], v[2], v[3]}'
