# Sourced by the scripts: Wine settings shared by the program's run and the tests.
export WINEARCH=win32
# Keeps the Mono and Gecko installers from popping up and waiting.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Errors stay visible (a missing DLL would otherwise be only exit code 53).
export WINEDEBUG="${WINEDEBUG:-fixme-all}"

# Starts Xvfb on a free display; sets DISPLAY and XVFB_PID.
start_virtual_display() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    local waited=0
    while [ ! -s "$fdfile" ] && [ $waited -lt 100 ]; do sleep 0.1; waited=$((waited + 1)); done
    if [ ! -s "$fdfile" ]; then
        echo "Xvfb did not start within 10 seconds" >&2
        kill "$XVFB_PID" 2>/dev/null || true
        rm -f "$fdfile"
        return 1
    fi
    export DISPLAY=":$(head -n 1 "$fdfile")"
    rm -f "$fdfile"
}

stop_virtual_display() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# Creates the Wine prefix in $WINEPREFIX if it is not there yet, and waits for it.
prepare_wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        timeout 120 wine wineboot --init >/dev/null 2>&1 || true
    fi
    timeout 60 wineserver -w || true
}

# Starts this prefix's Wine server for good (until `wineserver -k`), and with it Wine's own
# background processes (services, plugplay, winedevice, rpcss), all with their output in LOG
# and their input from /dev/null. A Wine program started later finds them running and
# starts none of its own. Otherwise the first test to start the server starts them too, they
# inherit that test's output pipes, and the test runner waits for every holder of a pipe to
# go. (The desktop process, which the first program with a window starts, ends by itself
# soon after the last window is gone.)
keep_wine_running() {
    local log=$1
    wineserver -p </dev/null >>"$log" 2>&1
    timeout 120 wine wineboot </dev/null >>"$log" 2>&1 || true
}
