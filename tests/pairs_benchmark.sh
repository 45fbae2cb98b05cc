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
echo "converged set / reg query /s: $(summary "${setRatios[@]}") (target at most 2)"
echo "check / reg query /s: $(summary "${checkRatios[@]}") (target at most 2)"
final=0
timeout 60 wine "$pairs" set "${arguments[@]}" >/dev/null 2>&1 || final=$?
echo "a converged set wrote nothing and said so: exit $final"
