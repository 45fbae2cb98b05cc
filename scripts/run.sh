#!/usr/bin/env bash
# Builds the Windows program and runs it under Wine, in a Wine prefix that the project keeps
# for itself (build/wineprefix, or $CORVANE_WINEPREFIX). With a display the sheet opens
# there; without one the program runs on a virtual display and a screenshot shows it.
#
# With --demo (as root) it runs the program in network, mount and UTS namespaces of its own,
# where this computer has three named adapters with addresses of their own, so that pairs
# can be added, refused and removed. Nothing is sent anywhere: the adapters lead nowhere.
#
# On the virtual display the sheet stays open to be looked at: at a terminal until Enter,
# otherwise for CORVANE_SHOW_SECONDS (60) seconds; then it is closed with Cancel.
set -euo pipefail
started=$(date +%s)
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/program"
demo=
[ "${1:-}" = "--demo" ] && demo=1

bash "$root/scripts/install-deps.sh" run
source "$root/scripts/wine-env.sh"

echo "Building the program ..."
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMDNS_BUILD_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" --target mDNSConfig mDNSPairs -j "$(nproc)" >/dev/null
program="$build/mDNSConfig.exe"
echo "Built $program"

export WINEPREFIX="${CORVANE_WINEPREFIX:-$root/build/wineprefix}"

if [ -n "$demo" ] && [ -z "${CORVANE_DEMO_INSIDE:-}" ]; then
    if ! unshare --mount --net --uts true 2>/dev/null; then
        echo "The demonstration needs root, for network namespaces of its own (unshare)." >&2
        exit 1
    fi
    # Wine's own services must start inside the namespaces: stop this prefix's server first.
    wineserver -k 2>/dev/null || true
    exec unshare --mount --net --uts env CORVANE_DEMO_INSIDE=1 bash "$0" --demo
fi
if [ -n "${CORVANE_DEMO_INSIDE:-}" ]; then
    hostname corvane-demo
    ip link set lo up
    # Three adapters, each one end of a pair of virtual cables that ends in this namespace.
    add_adapter() {
        ip link add "$1" type veth peer name "$1-peer"
        ip addr add "$2" dev "$1"
        ip link set "$1" up
        ip link set "$1-peer" up
    }
    add_adapter Ethernet2 192.168.1.10/24
    add_adapter WiFi 10.0.0.5/16
    add_adapter Lab 172.16.4.2/20
    echo "Demonstration: this computer has the adapters Ethernet2 (192.168.1.10/24), WiFi (10.0.0.5/16)"
    echo "and Lab (172.16.4.2/20). A display is reached through its socket in /tmp/.X11-unix only."
fi

own_display=
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Using the display $DISPLAY."
else
    echo "There is no display to open windows on (DISPLAY is unset or cannot be reached)."
    echo "Starting a virtual display (Xvfb) for the program instead ..."
    start_virtual_display
    own_display=1
    echo "Virtual display: $DISPLAY"
fi

cleanup() {
    if [ -n "$own_display" ]; then
        wineserver -k 2>/dev/null || true
        stop_virtual_display
    fi
}
trap cleanup EXIT

echo "Preparing the Wine prefix $WINEPREFIX (the first time takes a little while) ..."
prepare_wine_prefix

networks='HKLM\Software\Corvane Software\mDNS\Networks'
if ! wine reg query "$networks" >/dev/null 2>&1; then
    echo "Creating the store as the repeater service's installer leaves it: $networks (empty)"
    # An import creates the bare keys; "reg add" would also give Networks a default value.
    regfile="$WINEPREFIX/drive_c/corvane-store.reg"
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks]\r\n\r\n' >"$regfile"
    wine reg import 'C:\corvane-store.reg' >/dev/null 2>&1
    rm -f "$regfile"
fi

report_exit() {
    if [ "$1" -eq 255 ]; then
        echo "The configurator ended with exit code 255 (its -1), as it does after every run."
    else
        echo "The configurator ended with exit code $1."
    fi
    local stored
    stored=$(wine reg query "$networks" /s 2>/dev/null | tr -d '\r' | grep -v '^$' || true)
    if [ -n "$stored" ]; then
        echo "The stored pairs:"
        sed 's/^/  /' <<<"$stored"
    else
        echo "No pairs are stored (the Networks key is empty)."
    fi
}

if [ -z "$own_display" ]; then
    echo "Running the configurator; it ends when you close its sheet and the restart notice."
    status=0
    wine "$program" || status=$?
    report_exit "$status"
    exit 0
fi

# On the virtual display: wait for the sheet, show it, then let the person drive it.
log="$root/build/program-output.txt"
wine "$program" >"$log" 2>&1 &
program_pid=$!
sheet=
echo "Waiting (at most a minute) for the configuration sheet to open ..."
for _ in $(seq 600); do
    sheet=$(xdotool search --onlyvisible --name '^Corvane Software - mDNS Configurator$' 2>/dev/null | head -n 1 || true)
    [ -n "$sheet" ] && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$sheet" ]; then
    echo "The sheet did not open. What the program and Wine said is in $log."
    kill "$program_pid" 2>/dev/null || true
    exit 1
fi
sleep 1
screenshot="$root/build/screenshot-sheet.png"
import -window root "$screenshot"
echo
echo "The configuration sheet is open on the virtual display $DISPLAY, $(($(date +%s) - started)) seconds after this"
echo "script started. A screenshot of it is saved: $screenshot"
echo "To look again:  DISPLAY=$DISPLAY import -window root shot.png"
echo "To drive it:    DISPLAY=$DISPLAY xdotool key --window $sheet Tab   (Tab, space, Down, Return ...)"
echo "To watch live:  apt-get install x11vnc && x11vnc -display $DISPLAY, then a VNC viewer."

close_sheet() {
    echo "Closing the sheet with Cancel ..."
    xdotool key --window "$sheet" Escape 2>/dev/null || true
    for _ in $(seq 300); do
        notice=$(xdotool search --onlyvisible --name '^Corvane mDNS Configurator$' 2>/dev/null | head -n 1 || true)
        if [ -n "$notice" ]; then
            sleep 0.5
            import -window root "$root/build/screenshot-notice.png"
            echo "The restart notice is up (screenshot: $root/build/screenshot-notice.png); pressing OK."
            xdotool key --window "$notice" Return 2>/dev/null || true
            return
        fi
        kill -0 "$program_pid" 2>/dev/null || return
        sleep 0.1
    done
}

if [ -t 0 ]; then
    echo
    echo "The configurator is waiting for you. Drive it as above, or press Enter here to close"
    echo "it with Cancel. This script ends when the program ends."
    while kill -0 "$program_pid" 2>/dev/null; do
        if read -r -t 1 _; then
            close_sheet
            break
        fi
    done
else
    show=${CORVANE_SHOW_SECONDS:-60}
    echo
    echo "No terminal to wait at: the sheet stays open for $show seconds, then this script closes it."
    for _ in $(seq $((show * 10))); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    close_sheet
fi
status=0
wait "$program_pid" || status=$?
report_exit "$status"
