#!/usr/bin/env bash
# Builds the Windows program and runs it under Wine, in a Wine prefix that the project keeps
# for itself (build/wineprefix, or $CORVANE_WINEPREFIX). With a display the sheet opens
# there; without one the program runs on a virtual display and a screenshot shows it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/program"

bash "$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"

echo "Building the program ..."
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMDNS_BUILD_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" --target mDNSConfig -j "$(nproc)" >/dev/null
program="$build/mDNSConfig.exe"
echo "Built $program"

export WINEPREFIX="${CORVANE_WINEPREFIX:-$root/build/wineprefix}"
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
echo "The configuration sheet is open on the virtual display $DISPLAY."
echo "A screenshot of it: $screenshot"
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
    echo "No terminal to wait at: closing the sheet now."
    close_sheet
fi
status=0
wait "$program_pid" || status=$?
report_exit "$status"
