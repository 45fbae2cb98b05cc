# Sourced by the test scripts that need a computer of their own: new mount, network and UTS
# namespaces, where they name the host, add adapters and bind a hosts file.

# reenter_in_own_namespaces MARKER SCRIPT ARGUMENTS...: unless MARKER is set, runs SCRIPT again
# inside new namespaces with MARKER=1 and does not return. Returns 1 when namespaces cannot
# be made (not root), and 0 when already inside them.
reenter_in_own_namespaces() {
    local marker=$1
    shift
    [ -z "${!marker:-}" ] || return 0
    unshare --mount --net --uts true 2>/dev/null || return 1
    # Wine's own services must start inside the namespaces too: stop this prefix's server.
    wineserver -k 2>/dev/null || true
    timeout 30 wineserver -w 2>/dev/null || true
    exec unshare --mount --net --uts env "$marker=1" bash "$@"
}
