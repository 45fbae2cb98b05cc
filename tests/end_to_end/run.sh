#!/usr/bin/env bash
# The shipped program end to end under Wine on a virtual display, driven from outside by
# the sheet driver and xdotool as a person would: the store seeded beforehand, the whole
# run to its exit code, the store afterwards value by value, the messages, the restart
# notice and the diagnostics on standard output.
#
# Then the console companion, by script, in the same namespaces: its commands, their exit
# codes, the store they leave, and its export imported by the registry tool.
#
# Usage: run.sh PROGRAM.exe SHEET_DRIVER.exe PAIRS.exe LINK_RACER.exe COUNT_SERVICE.exe
# (WINEPREFIX and DISPLAY set, as root)
# The run happens in its own mount, network and UTS namespaces: a host name of its own,
# whose three addresses come from a private hosts file. Names only: nothing is sent.
set -euo pipefail
program=$1
driver=$2
pairs=$3
racer=$4
service=$5
here=$(cd "$(dirname "$0")" && pwd)
: "${DISPLAY:?the end-to-end run needs a display (DISPLAY)}"
: "${WINEPREFIX:?the end-to-end run needs its Wine prefix (WINEPREFIX)}"

source "$here/../own_namespaces.sh"
if ! reenter_in_own_namespaces CORVANE_E2E_NAMESPACE "$0" "$@"; then
    echo "skipped: new mount, network and UTS namespaces need root (unshare)"
    exit 77
fi

hostname corvane-e2e
mount --bind "$here/hosts" /etc/hosts
work=$(mktemp -d /tmp/corvane-e2e.XXXXXX)
# The test service and its counter leave the prefix with the run, whatever happened.
forget_test_service() {
    timeout 20 wine sc delete CorvaneMdnsTest >/dev/null 2>&1 || true
    timeout 20 wine reg delete 'HKLM\Software\CorvaneServiceTest' /f >/dev/null 2>&1 || true
}
trap 'forget_test_service; wineserver -k 2>/dev/null || true; [ -n "${CORVANE_E2E_KEEP:-}" ] || rm -rf "$work"' EXIT

failures=0
passes=0

# A heading for each part of the run, with the seconds taken so far.
section() {
    echo "== $1 (at ${SECONDS} s)"
}

# A dump that the run compares and that itself failed is not data: it ends the run as an
# error of the harness, with its reason, before anything is compared.
harness_error() {
    echo "HARNESS ERROR: $1" | tee "$work/harness-error" >&2
    exit 3
}

# dump COMMAND...: the command's output without CRs; a failure or a timeout of the command
# is a harness error. A registry query of a key that is not there is an empty dump.
dump() {
    local status=0
    "$@" >"$work/dump.out" 2>"$work/dump.err" || status=$?
    if [ "$status" -ne 0 ] && ! { [ "$status" -eq 1 ] && grep -qi 'unable to find' "$work/dump.err" "$work/dump.out"; }; then
        harness_error "'$*' ended with $status: $(tr -d '\r' <"$work/dump.err" | head -c 300)"
    fi
    [ "$status" -eq 0 ] && tr -d '\r' <"$work/dump.out"
    return 0
}

# compare NAME EXPECTED-FILE ACTUAL-FILE
compare() {
    [ ! -e "$work/harness-error" ] || exit 3
    if diff -u "$2" "$3" >"$work/diff"; then
        passes=$((passes + 1))
        echo "ok   $1"
    else
        failures=$((failures + 1))
        echo "FAIL $1"
        sed 's/^/     /' "$work/diff"
    fi
}

expect_equal() {
    printf '%s\n' "$2" >"$work/expected"
    printf '%s\n' "$3" >"$work/actual"
    compare "$1" "$work/expected" "$work/actual"
}

drive() {
    timeout 120 wine "$driver" "$@" 2>>"$work/driver.err" | tr -d '\r' || true
}

start_program() {
    wine "$program" >"$work/stdout" 2>"$work/stderr" &
    program_pid=$!
}

# Waits (at most a minute) for the program to end; sets program_status.
wait_program() {
    for _ in $(seq 600); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$program_pid" 2>/dev/null; then
        kill "$program_pid" 2>/dev/null || true
        program_status="still running after a minute"
        return
    fi
    program_status=0
    wait "$program_pid" || program_status=$?
}

# Presses Return on the restart notice, as a person at the keyboard would.
dismiss_notice_with_keyboard() {
    for _ in $(seq 300); do
        window=$(xdotool search --onlyvisible --name '^Corvane mDNS Configurator$' 2>/dev/null | head -n 1 || true)
        if [ -n "$window" ]; then
            xdotool key --window "$window" Return
            echo "notice dismissed"
            return
        fi
        sleep 0.1
    done
    echo "no notice within 30 seconds"
}

# Inside the namespaces the prefix gets a server and background processes of its own, kept
# off this run's output (ctest waits for every holder of it).
wineserver -p </dev/null >/dev/null 2>&1
timeout 120 wine wineboot </dev/null >/dev/null 2>&1 || true

section "the fatal settings error when the Networks key is missing"
drive reset-store-without-networks >/dev/null
start_program
expect_equal "fatal error box" \
    "box [Corvane Software] Error reading program settings from the registry.

The program will now exit." \
    "$(drive box 'Corvane Software')"
wait_program
expect_equal "fatal error exit code" 255 "$program_status"
printf 'Error reading program settings from the registry.\r\n\r\nThe program will now exit.\r\n' >"$work/expected"
compare "fatal error on standard output" "$work/expected" "$work/stdout"

section "add and remove pairs, then OK"
drive reset-store seed 0 192.168.1.10 10.0.0.5 seed 7 172.16.0.1 172.16.9.9 >/dev/null
start_program
drive wait-sheet apply? rows choosers \
      add box 'mDNS Error' apply? \
      source 10.0.0.6 destination 192.168.1.10 add no-box 'mDNS Error' rows \
      source 192.168.1.10 destination 10.0.0.6 add box 'mDNS Error' \
      destination 192.168.1.10 add box 'mDNS Error' \
      select 0 remove rows \
      press ok read-box 'Corvane mDNS Configurator' >"$work/actual"
compare "the session at the sheet" "$here/expected-edit-session.txt" "$work/actual"
expect_equal "restart notice" "notice dismissed" "$(dismiss_notice_with_keyboard)"
wait_program
expect_equal "exit code after OK" 255 "$program_status"
printf 'Host name is corvane-e2e \r\nIP Address 0: 192.168.1.10\r\nIP Address 1: 10.0.0.5\r\nIP Address 2: 10.0.0.6\r\n' >"$work/expected"
compare "diagnostics on standard output" "$work/expected" "$work/stdout"
drive store >"$work/actual"
compare "the store after OK" "$here/expected-store-after-ok.txt" "$work/actual"

section "an added pair, then Cancel"
drive reset-store seed 0 192.168.1.10 10.0.0.5 >/dev/null
drive store >"$work/before"
start_program
drive wait-sheet source 10.0.0.5 destination 10.0.0.6 add rows press cancel \
      read-box 'Corvane mDNS Configurator' >"$work/actual"
compare "the session ending in Cancel" "$here/expected-cancel-session.txt" "$work/actual"
expect_equal "restart notice after Cancel" "notice dismissed" "$(dismiss_notice_with_keyboard)"
wait_program
expect_equal "exit code after Cancel" 255 "$program_status"
drive store >"$work/after"
compare "the store after Cancel is untouched" "$work/before" "$work/after"

section "the close box"
start_program
drive wait-sheet close read-box 'Corvane mDNS Configurator' >/dev/null
expect_equal "restart notice after the close box" "notice dismissed" "$(dismiss_notice_with_keyboard)"
wait_program
expect_equal "exit code after the close box" 255 "$program_status"

section "the columns follow the display's DPI"
for dpi in 96 144; do
    timeout 30 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    start_program
    expect_equal "column widths at $dpi dpi" "column widths $((144 * dpi / 96)) $((96 * dpi / 96))" \
        "$(drive wait-sheet columns press cancel | grep '^column')"
    dismiss_notice_with_keyboard >/dev/null
    wait_program
done
timeout 30 wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true

section "which network is which"
# Two named adapters with an address each; with them, the host lookup offers just these two.
ip link set lo up
ip link add Ethernet2 type veth peer name Ethernet2-peer
ip link add WiFi type veth peer name WiFi-peer
ip addr add 192.168.1.10/24 dev Ethernet2
ip addr add 10.0.0.5/16 dev WiFi
for link in Ethernet2 Ethernet2-peer WiFi WiFi-peer; do ip link set "$link" up; done
wineserver -k 2>/dev/null || true
drive reset-store seed 0 172.16.0.1 10.0.0.5 >/dev/null
start_program
drive wait-sheet source 192.168.1.10 line destination 10.0.0.5 select 0 line press cancel \
      read-box 'Corvane mDNS Configurator' >"$work/actual"
printf '%s\n' "chose 192.168.1.10" \
    "line: Source 192.168.1.10: Ethernet2, 192.168.1.0/24.||1 pair names an address this computer does not have." \
    "chose 10.0.0.5" "selected row 0" \
    "line: Source 192.168.1.10: Ethernet2, 192.168.1.0/24. Destination 10.0.0.5: WiFi, 10.0.0.0/16.||Selected pair: 172.16.0.1: not on this computer; 10.0.0.5: WiFi, 10.0.0.0/16." \
    "clicked cancel" \
    "box [Corvane mDNS Configurator] The Corvane mDNS Repeater service must be restarted for any changes to take effect." \
    "owned by CORVANEMDNSCONFIGURATOR, icon information" >"$work/expected"
sed -i '/^sheet open$/d' "$work/actual"
compare "the line that says which adapter holds each address" "$work/expected" "$work/actual"
dismiss_notice_with_keyboard >/dev/null
wait_program

section "the console companion"
ip link add Lab type veth peer name Lab-peer
ip addr add 172.16.4.2/20 dev Lab
# Four more addresses, for a list of fifteen pairs.
ip link add Many type veth peer name Many-peer
for n in 1 2 3 4; do ip addr add "172.17.0.$n/24" dev Many; done
for link in Lab Lab-peer Many Many-peer; do ip link set "$link" up; done
# run_pairs ARGUMENTS...: prints the exit code, then standard output and standard error.
# Wine's own diagnostics are switched off, and any that still come are not the program's.
run_pairs() {
    local status=0
    WINEDEBUG=-all wine "$pairs" "$@" >"$work/pairs.out" 2>"$work/pairs.err" || status=$?
    echo "exit $status"
    tr -d '\r' <"$work/pairs.out"
    tr -d '\r' <"$work/pairs.err" | { grep -Ev '^[0-9a-f]{4}:(err|fixme|warn|trace):' || true; } | sed 's/^/error: /'
}
# exit_of ARGUMENTS...: just the "exit N" line (reads everything, so nothing is cut off).
exit_of() { run_pairs "$@" | sed -n 1p; }
# hex TEXT: the bytes of TEXT and a NUL, as the driver's "value" command takes them.
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; printf '00'; }
restart='The Corvane mDNS Repeater service must be restarted for any changes to take effect.'
already='The list is already as asked: nothing was changed.'
hint='error: Run "mDNSPairs help" for the commands and their arguments.'
converged='The list is as asked: nothing would change.'
missing="The registry key HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks (on 64-bit Windows, regedit shows it as HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Corvane Software\\mDNS\\Networks) does not exist, so there is no list of pairs. The Corvane mDNS Repeater service's installer creates it: install or repair the service."
drive reset-store >/dev/null
expect_equal "set by adapter names says what it changed" "exit 2
add 192.168.1.10 10.0.0.5
$restart" "$(run_pairs set Ethernet2 WiFi)"
expect_equal "set again changes nothing" "exit 0
$already" "$(run_pairs set Ethernet2 WiFi)"
# What administrators type by habit: any case, PowerShell's -WhatIf, a pasted en dash, the
# option before the command; an option not known gets the nearest suggested, and with --json
# an error is also a JSON object on standard output.
expect_equal "habits: -WhatIf, an en dash, --WHAT-IF before the command" "exit 0
exit 0
exit 0" "$(exit_of SET Ethernet2 WiFi -WhatIf; exit_of set Ethernet2 WiFi $'\xe2\x80\x93-what-if'
           exit_of --WHAT-IF set Ethernet2 WiFi)"
expect_equal "the nearest option suggested" "exit 4
error: \"set\" takes no option --wat-if. Did you mean --what-if?
$hint" "$(run_pairs set Ethernet2 WiFi --wat-if)"
expect_equal "--json with an error: one JSON object on standard output" "exit 3
{\"exitCode\":3,\"error\":\"8.8.8.8 is not an IPv4 address of this computer.\\u000a" \
    "$(run_pairs check --json 8.8.8.8 WiFi | sed -n '1p; 2s/\(\\u000a\).*/\1/p')"
expect_equal "add by adapter names" "exit 2
add 172.16.4.2 10.0.0.5
$restart" "$(run_pairs add Lab WiFi)"
expect_equal "adding a pair that is there, either way round, changes nothing" "exit 0
The pair 10.0.0.5, 172.16.4.2 is already in the list: nothing was changed." "$(run_pairs add 10.0.0.5 172.16.4.2)"
expect_equal "an address of another computer is refused, answered with this computer's" "exit 3
error: 10.9.9.9 is not an IPv4 address of this computer.
error: This computer's adapters: \"Ethernet2\" (192.168.1.10) \"WiFi\" (10.0.0.5) \"Lab\" (172.16.4.2)" \
    "$(run_pairs add 10.9.9.9 Lab | sed '3s/^\(error: This computer.s adapters: \).*\("Ethernet2" (192.168.1.10)\).*\("WiFi" (10.0.0.5)\).*\("Lab" (172.16.4.2)\).*/\1\2 \3 \4/')"
tab=$'\t'
expect_equal "list" "exit 0
192.168.1.10${tab}10.0.0.5${tab}Ethernet2, 192.168.1.0/24${tab}WiFi, 10.0.0.0/16
172.16.4.2${tab}10.0.0.5${tab}Lab, 172.16.0.0/20${tab}WiFi, 10.0.0.0/16" "$(run_pairs list)"
json_pairs='import json, sys
for pair in json.load(sys.stdin):
    sides = [pair["source"], pair["destination"]]
    for adapter in (pair["sourceAdapter"], pair["destinationAdapter"]):
        sides += [adapter["name"], adapter["network"]] if adapter else ["none"]
    print("\t".join(sides))'
run_pairs list --json >/dev/null
expect_equal "list --json, as a JSON parser reads it" "$(python3 -c "$json_pairs" <"$work/pairs.out" 2>&1)" \
    "$(run_pairs list | sed 1d | sed 's/, /\t/g')"
expect_equal "remove, either way round" "exit 2
remove 172.16.4.2 10.0.0.5
$restart" "$(run_pairs remove WiFi Lab)"
expect_equal "export" "exit 0" "$(exit_of export)"
cp "$work/pairs.out" "$work/export.reg"
drive store >"$work/stored"
printf 'key 0\n  IPsource type 1 bytes 13 "192.168.1.10\\x00"\n  IPdestination type 1 bytes 9 "10.0.0.5\\x00"\n  Direction type 1 bytes 2 "2\\x00"\n  Enabled type 1 bytes 2 "1\\x00"\n' >"$work/expected"
compare "the store after the commands, as the configurator writes it" "$work/expected" "$work/stored"
drive reset-store >/dev/null
timeout 60 wine reg import "$(winepath -w "$work/export.reg")" >/dev/null 2>&1 || true
drive store >"$work/imported"
compare "the export imported by reg import into an empty store" "$work/stored" "$work/imported"
drive reset-store seed 3 1.1.1.1 2.2.2.2 >/dev/null
expect_equal "the export imported by mDNSPairs" "exit 2
$restart" "$(run_pairs import "$(winepath -w "$work/export.reg")" | sed -n '1p;$p')"
drive store >"$work/imported"
compare "the store after mDNSPairs import" "$work/stored" "$work/imported"
expect_equal "the same import again changes nothing" "exit 0
$already" "$(run_pairs import "$(winepath -w "$work/export.reg")")"
expect_equal "version" "exit 0
mDNSPairs 1.2.0.0" "$(run_pairs --version)"
expect_equal "a usage error says what was wrong" "exit 4
error: \"lst\" is not a command (the commands are: list, add, remove, set, clear, check, export, import, prune, status, dsc, restart, --version).
$hint" "$(run_pairs lst)"
expect_equal "commands in any case" "exit 0" "$(exit_of LIST)"
expect_equal "check and --what-if of a new pair before a stored one, and nothing changed" "exit 2
add 172.16.4.2 10.0.0.5
exit 2
add 172.16.4.2 10.0.0.5
exit 0
192.168.1.10${tab}10.0.0.5" "$(run_pairs check Lab WiFi Ethernet2 WiFi; run_pairs set Lab WiFi Ethernet2 WiFi --what-if; run_pairs list | cut -f 1,2)"
expect_equal "check --json of a changed destination" "exit 2
add 192.168.1.10 172.16.4.2; remove 192.168.1.10 10.0.0.5; converged False" \
    "$(run_pairs check --json Ethernet2 Lab | { read -r line; echo "$line"; python3 -c 'import json, sys
d = json.load(sys.stdin)
print("; ".join(["add %s %s" % (p["source"], p["destination"]) for p in d["add"]] + ["remove %s %s" % (p["source"], p["destination"]) for p in d["remove"]] + ["converged %s" % d["converged"]]))'; })"
expect_equal "check with an odd word count" "exit 4" "$(exit_of check Ethernet2 Lab WiFi)"
expect_equal "a wrong argument count says so" "exit 4
error: \"add\" takes a SOURCE and a DESTINATION.
$hint" "$(run_pairs add WiFi)"

readme="$(dirname "$0")/../../README.md"
expect_equal "the README lists the commands as help prints them" \
    "$(run_pairs help | sed -n '/^  list /,/^$/p' | sed '$d')" \
    "$(awk '/^<!-- mdnspairs-help -->$/ { found = 1; next } found && /^```$/ { if (inside) exit; inside = 1; next } inside' "$readme")"

section "fifteen pairs: set converges"
addresses=(192.168.1.10 10.0.0.5 172.16.4.2 172.17.0.1 172.17.0.2 172.17.0.3 172.17.0.4)
fifteen=(set)
for ((a = 0; a < 7 && ${#fifteen[@]} < 31; a++)); do
    for ((b = a + 1; b < 7 && ${#fifteen[@]} < 31; b++)); do fifteen+=("${addresses[a]}" "${addresses[b]}"); done
done
drive reset-store >/dev/null
statuses=""
for _ in 1 2 3; do statuses+="$(exit_of "${fifteen[@]}") "; done
expect_equal "the same fifteen pairs three times" "exit 2 exit 0 exit 0 " "$statuses"
expect_equal "they list in the order given" "$(printf '%s\t%s\n' "${fifteen[@]:1}")" \
    "$(run_pairs list | sed 1d | cut -f 1,2)"

section "a store that is not what the save writes is rewritten"
drive reset-store >/dev/null
run_pairs set Ethernet2 WiFi >/dev/null
drive store >"$work/one"
outside() { dump timeout 120 wine reg query 'HKLM\Software\Corvane Software\Outside' /s; }
pair0='mDNS\Networks\0'
for shape in enabled direction binary dword stray nested link; do
    drive reset-store >/dev/null
    run_pairs set Ethernet2 WiFi >/dev/null
    case $shape in
        enabled) drive value "$pair0" Enabled 1 "$(hex 0)" ;;
        direction) drive value "$pair0" Direction 1 "$(hex 5)" ;;
        binary) drive value "$pair0" IPsource 3 "$(hex 192.168.1.10)" ;;
        dword) drive value "$pair0" IPdestination 4 "$(hex 10.0.0.5)" ;;
        stray) drive value 'mDNS\Networks' Stray 1 "$(hex x)" ;;
        nested) drive key "$pair0\\nested" ;;
        link) drive value 'Outside\0' IPsource 1 "$(hex 192.168.1.10)" value 'Outside\0' IPdestination 1 "$(hex 10.0.0.5)" \
                    value 'Outside\0' Direction 1 "$(hex 2)" value 'Outside\0' Enabled 1 "$(hex 1)" \
                    remove-tree 'mDNS\Networks' link 'mDNS\Networks' 'Outside' ;;
    esac >/dev/null
    outside >"$work/outside-before"
    statuses="$(exit_of set Ethernet2 WiFi) $(exit_of set Ethernet2 WiFi)"
    expect_equal "$shape: rewritten, then exact" "exit 2 exit 0" "$statuses"
    drive store >"$work/after"
    compare "$shape: the store afterwards" "$work/one" "$work/after"
    outside >"$work/outside-after"
    compare "$shape: nothing outside the store changed" "$work/outside-before" "$work/outside-after"
done

section "hostile texts: listed escaped, exported, imported byte for byte"
texts=($'\n[HKEY_USERS]\e' 'a"b\c]' $'\n[-HKEY_USERS]' $'x\r\n"\\\x07' $'\xe9t\xe9')
drive reset-store >/dev/null
for i in 0 1; do
    drive value "mDNS\\Networks\\$i" IPsource 1 "$(hex "${texts[2 * i]}")" \
          value "mDNS\\Networks\\$i" IPdestination 1 "$(hex "${texts[2 * i + 1]}")" \
          value "mDNS\\Networks\\$i" Direction 1 "$(hex 2)" value "mDNS\\Networks\\$i" Enabled 1 "$(hex 1)" >/dev/null
done
drive value 'mDNS\Networks\2' IPsource 1 "$(hex "${texts[4]}")" value 'mDNS\Networks\2' IPdestination 1 "$(hex '')" \
      value 'mDNS\Networks\2' Direction 1 "$(hex 2)" value 'mDNS\Networks\2' Enabled 1 "$(hex 1)" >/dev/null
expect_equal "list escapes control characters" 'exit 0
\x0a[HKEY_USERS]\x1b' "$(run_pairs list | sed -n 1,2p | cut -f 1)"
run_pairs export >/dev/null
cp "$work/pairs.out" "$work/hostile.reg"
drive store >"$work/hostile"
users() { dump timeout 120 wine reg query HKU; }
users >"$work/users-before"
for importer in "reg import" "regedit /s"; do
    drive reset-store >/dev/null
    timeout 60 wine $importer "$(winepath -w "$work/hostile.reg")" >/dev/null 2>&1 || true
    drive store >"$work/imported"
    compare "$importer of the export holds the same bytes" "$work/hostile" "$work/imported"
    users >"$work/users-after"
    compare "$importer wrote nothing at the root of HKEY_USERS" "$work/users-before" "$work/users-after"
done

section "a link above Networks: the save changes nothing and says so"
save_error='The address pairs could not be saved. The registry still holds the list it held before: nothing was changed.

This sheet stays open with its pairs: press OK or Apply to try again, or Cancel to leave the list as it is.'
drive reset-store seed 0 192.168.1.10 10.0.0.5 remove-tree mDNS \
      value 'Outside\mDNS\Networks\0' IPsource 1 "$(hex 192.168.1.10)" \
      value 'Outside\mDNS\Networks\0' IPdestination 1 "$(hex 10.0.0.5)" link mDNS 'Outside\mDNS' >/dev/null
outside >"$work/outside-before"
unsavable="error: The list in HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks (on 64-bit Windows, regedit shows it as HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Corvane Software\\mDNS\\Networks) cannot be saved: \"mDNS\" is a registry link, which the save never writes through. Nothing was changed."
expect_equal "mDNSPairs with mDNS a link: the dry runs and the real run refuse alike" "exit 5
$unsavable
exit 5
$unsavable
exit 5
$unsavable" "$(run_pairs check WiFi Ethernet2; run_pairs set WiFi Ethernet2 --what-if; run_pairs set WiFi Ethernet2)"
start_program
expect_equal "the configurator with mDNS a link" "box [Corvane mDNS Configurator] $save_error" \
    "$(drive wait-sheet source 172.16.4.2 destination 10.0.0.5 add no-box 'mDNS Error' press ok box 'Corvane mDNS Configurator' |
       sed -n '/^box/,/as it is\.$/p')"
expect_equal "the sheet stays open with its pairs" "rows 2" "$(drive wait-sheet rows | sed -n 's/^\(rows [0-9]*\).*/\1/p')"
drive wait-sheet press cancel >/dev/null
dismiss_notice_with_keyboard >/dev/null
wait_program
outside >"$work/outside-after"
compare "nothing outside the store changed" "$work/outside-before" "$work/outside-after"

section "a pair key that refuses DELETE: OK stores the rows, then says where the rest of the old list is"
drive reset-store seed p0 192.168.1.10 10.0.0.5 seed p1 10.0.0.5 192.168.1.10 seed p2 172.16.4.2 10.0.0.5 >/dev/null
start_program
drive wait-sheet deny-delete 'mDNS\Networks\p1' source 172.16.4.2 destination 192.168.1.10 add press ok >/dev/null
expect_equal "the box after the sheet closed" "box [Corvane mDNS Configurator] The address pairs were saved.

The old list could not be removed entirely. What remains of it is in the registry key HKEY_LOCAL_MACHINE\Software\Corvane Software\mDNS\Networks (replaced), which the repeater service does not read; the next save tries to remove it again." \
    "$(drive box 'Corvane mDNS Configurator' | tr -d '\r')"
dismiss_notice_with_keyboard >/dev/null
wait_program
# The removal stops at the first key that stays.
expect_equal "every row stored, the rest of the old list aside" "0 1 2 3
p1 p2" "$(drive store | sed -n 's/^key //p' | paste -sd' ')
$(dump timeout 120 wine reg query 'HKLM\Software\Corvane Software\mDNS\Networks (replaced)' |
    sed -n 's/.*\\Networks (replaced)\\//p' | paste -sd' ')"
drive allow-writes 'mDNS\Networks (replaced)\p1' >/dev/null

section "another writer during Apply: its change is kept, and the sheet asks with No as default"
for kind in add change recreate networks-value; do
    drive reset-store seed-many 2000 >/dev/null
    start_program
    drive wait-sheet >/dev/null
    drive write-during-save "$kind" >"$work/writer.out" &
    writer_pid=$!
    drive wait-sheet press apply >/dev/null
    asked=$(drive answer 'Corvane mDNS Configurator' no | sed -n 's/^\(box \[[^]]*\] Another program changed the address pairs\).*/\1/p; /^default/p')
    wait "$writer_pid" || true
    drive wait-sheet press cancel >/dev/null
    dismiss_notice_with_keyboard >/dev/null
    wait_program
    expect_equal "$kind during Apply: the question, No by default" "box [Corvane mDNS Configurator] Another program changed the address pairs
default no" "$asked"
    if [ "$kind" = networks-value ]; then
        kept=$(dump timeout 120 wine reg query 'HKLM\Software\Corvane Software\mDNS\Networks' /v Note | grep -c '9\.9\.9\.9' || true)
    else
        name=$([ "$kind" = add ] && echo extra || echo 5)
        kept=$(drive store | grep -A1 -x "key $name" | grep -c '9\.9\.9\.9' || true)
    fi
    expect_equal "$kind during Apply: the other writer's change is in the store" 1 "$kept"
done

section "readers during Apply see the old list or the new one, whole; a new row's writer keeps its value"
drive reset-store seed-many 2000 >/dev/null
start_program
drive wait-sheet >/dev/null
drive read-during-save 2001 >"$work/reader.out" &
reader_pid=$!
drive write-during-save new-row >"$work/writer.out" &
writer_pid=$!
while kill -0 "$reader_pid" 2>/dev/null; do
    run_pairs list | awk 'NR == 1 { status = $0 } NR > 1 && !/^error: / { pairs++ } END { print status, pairs + 0 }'
done >"$work/lists.out" &
lister_pid=$!
drive wait-sheet source 172.16.4.2 destination 10.0.0.5 add press apply no-box 'Corvane Software' \
    no-box 'Corvane mDNS Configurator' >/dev/null
wait "$reader_pid" "$writer_pid" "$lister_pid" || true
expect_equal "a reader enumerating Networks" "list of 2000
list of 2001" "$(cat "$work/reader.out")"
expect_equal "mDNSPairs list meanwhile, each run the old list or the new one" "" \
    "$(grep -v -x -e 'exit 0 2000' -e 'exit 0 2001' "$work/lists.out" || true)"
expect_equal "mDNSPairs list ran during the Apply" 1 "$(grep -c -m1 . "$work/lists.out" || true)"
expect_equal "the new row's writer" "wrote (new-row)" "$(cat "$work/writer.out")"
drive wait-sheet press cancel >/dev/null
dismiss_notice_with_keyboard >/dev/null
wait_program
expect_equal "the new row keeps the writer's value" "key 2000
  IPsource type 1 bytes 11 \"172.16.4.2\\x00\"
  IPdestination type 1 bytes 9 \"10.0.0.5\\x00\"
  Direction type 1 bytes 2 \"2\\x00\"
  Enabled type 1 bytes 2 \"0\\x00\"" \
    "$(drive store | grep -A4 -x 'key 2000')"
# A sheet that closed within the old list's grace left it, marked; the first save after the
# grace removes it.
sleep 3
run_pairs add 172.16.4.2 10.0.0.6 >/dev/null
expect_equal "the next save after the grace removes the old list" "no key beside Networks" \
    "$(dump timeout 120 wine reg query 'HKLM\Software\Corvane Software\mDNS' | grep -q 'Networks (' &&
           echo 'a key beside Networks' || echo 'no key beside Networks')"

section "a long list: the sheet answers while it saves, Apply after Apply"
drive reset-store seed-many 2000 >/dev/null
start_program
expect_equal "the sheet answered through two Applies of 2,001 pairs" "answered while saving: yes
answered while saving: yes" \
    "$(drive wait-sheet source 172.16.4.2 destination 10.0.0.5 add apply-answering 2>>"$work/timings.log" |
           grep answered
       drive wait-sheet select 0 remove apply-answering 2>>"$work/timings.log" | grep answered)"
started=$(date +%s%N)
drive wait-sheet press ok >/dev/null
notice=$(drive box 'Corvane mDNS Configurator' | tr -d '\r' | grep -c 'must be restarted' || true)
echo "OK to the restart notice: $(( ($(date +%s%N) - started) / 1000000 )) ms" >>"$work/timings.log"
dismiss_notice_with_keyboard >/dev/null
wait_program
expect_equal "OK after two quick Applies: the notice, and 2,000 pairs stored" "1 2000" \
    "$notice $(drive store | grep -c '^key ')"
cat "$work/timings.log" >&2

section "another program holds the save lock: the sheet waits for it and keeps answering"
drive reset-store seed 0 192.168.1.10 10.0.0.5 >/dev/null
rm -f "$work/holder.stop"
drive hold-lock "$(winepath -w "$work/holder.stop")" >"$work/holder.out" &
holder_pid=$!
for _ in $(seq 300); do grep -q 'lock held' "$work/holder.out" 2>/dev/null && break; sleep 0.1; done
start_program
drive wait-sheet source 172.16.4.2 destination 10.0.0.5 add press apply >/dev/null
expect_equal "while it waits" "the sheet answers
line: Waiting for another program to finish saving the address pairs..." "$(drive wait-sheet answers? line | sed 1d)"
touch "$work/holder.stop"
wait "$holder_pid" || true
drive wait-sheet press ok >/dev/null
dismiss_notice_with_keyboard >/dev/null
wait_program
expect_equal "then it saves" "exit 0
192.168.1.10${tab}10.0.0.5
172.16.4.2${tab}10.0.0.5" "$(run_pairs list | cut -f 1,2)"

section "another process plants links while mDNSPairs saves"
drive reset-store value 'Outside\Networks\0' IPsource 1 "$(hex 9.9.9.9)" >/dev/null
outside >"$work/outside-before"
rm -f "$work/racer.stop"
WINEDEBUG=-all wine "$racer" 'Software\Corvane Software\Outside' "$(winepath -w "$work/racer.stop")" \
    >"$work/racer.out" 2>/dev/null &
racer_pid=$!
codes=""
for i in $(seq 50); do
    if [ $((i % 2)) -eq 0 ]; then codes+="$(exit_of set Ethernet2 WiFi) "; else codes+="$(exit_of set WiFi Ethernet2) "; fi
done
touch "$work/racer.stop"
wait "$racer_pid" || true
echo "     the racer $(tr -d '\r' <"$work/racer.out")"
outside >"$work/outside-after"
compare "nothing outside the store changed over 50 saves" "$work/outside-before" "$work/outside-after"
expect_equal "each save changed the list, failed, or found it changed" "" \
    "$(printf '%s' "$codes" | sed 's/exit //g' | tr ' ' '\n' | grep -v -x -e '' -e 1 -e 2 -e 6 || true)"

section "--restart and status, with a service of our own under the repeater's display name"
# The service lives as long as the Wine server does: a persistent one, until the run ends.
wineserver -k 2>/dev/null || true
timeout 30 wineserver -w 2>/dev/null || true
wineserver -p </dev/null >/dev/null 2>&1
starts() {
    dump timeout 120 wine reg query 'HKLM\Software\CorvaneServiceTest' /v Starts | sed -n 's/.*REG_DWORD *0x//p'
}
# status without its pid, which differs from run to run.
status() { run_pairs status "$@" | grep -v '^pid '; }
no_service='The service "Corvane mDNS Repeater" does not exist (a key name or a display name will do).'
drive reset-store >/dev/null
expect_equal "status without the service" "exit 9
pairs 0
error: $no_service" "$(status)"
expect_equal "set --restart without the service" "exit 7
add 192.168.1.10 10.0.0.5
error: $no_service" "$(run_pairs set Ethernet2 WiFi --restart)"
timeout 30 wine sc create CorvaneMdnsTest binPath= "$(winepath -w "$service")" \
    DisplayName= "Corvane mDNS Repeater" >/dev/null 2>&1 || true
timeout 30 wine sc start CorvaneMdnsTest >/dev/null 2>&1 || true
expect_equal "status of a running service that started after the list was written" "exit 0
service CorvaneMdnsTest: running
pairs 1
restart pending: no" "$(status)"
expect_equal "--service by display name" "exit 0
service CorvaneMdnsTest: running" "$(status --service 'Corvane mDNS Repeater' | sed -n 1,2p)"
expect_equal "set --restart after a change" "exit 2
add 10.0.0.5 192.168.1.10
remove 192.168.1.10 10.0.0.5
The service CorvaneMdnsTest was restarted." "$(run_pairs set WiFi Ethernet2 --restart)"
expect_equal "the service started once more" 2 "$(starts)"
expect_equal "an unchanged set --restart" "exit 0
$already" "$(run_pairs set WiFi Ethernet2 --restart)"
expect_equal "and no restart" 2 "$(starts)"
timeout 30 wine sc stop CorvaneMdnsTest >/dev/null 2>&1 || true
for _ in $(seq 50); do run_pairs status | grep -q stopped && break; sleep 0.2; done
expect_equal "a stopped service stays stopped" "exit 2
add 192.168.1.10 10.0.0.5
remove 10.0.0.5 192.168.1.10
The service CorvaneMdnsTest is stopped; it stays stopped and reads the new list when it starts." \
    "$(run_pairs set Ethernet2 WiFi --restart)"
expect_equal "status of a stopped service" "exit 0
service CorvaneMdnsTest: stopped
pairs 1
restart pending: no" "$(status)"
expect_equal "and it did not start" 2 "$(starts)"
timeout 30 wine sc start CorvaneMdnsTest >/dev/null 2>&1 || true
# A --service that names no service is never "as asked": every form refuses with 9, and
# nothing is written.
expect_equal "a --service that names no service: check, --what-if and the real run" "exit 9
error: The service \"Nowhere\" does not exist (a key name or a display name will do).
exit 9
exit 9
exit 9
exit 4
error: --service needs a value, not \"--restart\"." \
    "$(run_pairs check WiFi Ethernet2 --service Nowhere
       exit_of set WiFi Ethernet2 --service Nowhere --what-if
       exit_of set WiFi Ethernet2 --restart --service Nowhere
       exit_of add WiFi Ethernet2 --service Nowhere
       run_pairs set WiFi Ethernet2 --service --restart | grep -v 'mDNSPairs help')"
expect_equal "a restart that could not happen: the list saved all the same" "exit 2
add 10.0.0.5 192.168.1.10
remove 192.168.1.10 10.0.0.5" "$(run_pairs set WiFi Ethernet2 | grep -v 'must be restarted')"
expect_equal "is pending" "exit 2
restart the service: it started before the list was last written
exit 0
service CorvaneMdnsTest: running
pairs 1
restart pending: yes" "$(run_pairs check WiFi Ethernet2; status)"
expect_equal "set --what-if says the pending restart; --restart --what-if plans it" "exit 0
$already
restart pending: the service started before the list was last written (--restart restarts it)
exit 2
restart the service: it started before the list was last written" \
    "$(run_pairs set WiFi Ethernet2 --what-if; run_pairs set WiFi Ethernet2 --restart --what-if)"
expect_equal "and set --restart restarts it once, though the list needs no change" "exit 2
restart the service: it started before the list was last written
The service CorvaneMdnsTest was restarted.
exit 0
$converged" "$(run_pairs set WiFi Ethernet2 --restart; run_pairs check WiFi Ethernet2)"
expect_equal "started once more" 4 "$(starts)"
# OK rewrites the list whether or not it changed: the same list is no pending restart.
start_program
drive wait-sheet press ok >/dev/null
dismiss_notice_with_keyboard >/dev/null
wait_program
expect_equal "the configurator's OK of the same list: nothing pending" "exit 0
$converged
exit 0
service CorvaneMdnsTest: running
pairs 1
restart pending: no" "$(run_pairs check WiFi Ethernet2; status)"
timeout 30 wine reg add 'HKLM\Software\CorvaneServiceTest' /v IgnoreStop /t REG_DWORD /d 1 /f >/dev/null 2>&1
began=$(date +%s)
expect_equal "a service that ignores the stop control" "exit 7
add 192.168.1.10 10.0.0.5
remove 10.0.0.5 192.168.1.10
error: The service CorvaneMdnsTest did not stop within 30 seconds (it is running)." \
    "$(run_pairs set Ethernet2 WiFi --restart)"
took=$(($(date +%s) - began))
expect_equal "within the bound" yes "$([ "$took" -le 45 ] && echo yes || echo "no, $took seconds")"
drive reset-store-without-networks >/dev/null
expect_equal "status without the store" "exit 5
service CorvaneMdnsTest: running
error: $(printf '%s' "$missing")" "$(status)"
forget_test_service

drive reset-store-without-networks >/dev/null
expect_equal "no Networks key" "exit 5
error: $missing" "$(run_pairs list)"

drive reset-store seed 0 192.168.1.10 10.0.0.5 wide-key 'mDNS\Networks' ff11 >/dev/null
expect_equal "a pair key whose name the code page cannot hold is named as such" "exit 5
error: The registry key HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks (on 64-bit Windows, regedit shows it as HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Corvane Software\\mDNS\\Networks) holds a pair key named" \
    "$(run_pairs list | sed 's/ named .*/ named/')"

section "read-only: the Networks key readable but not writable"
drive reset-store seed 0 192.168.1.10 10.0.0.5 deny-writes 'mDNS\Networks' >/dev/null
expect_equal "list and export need no rights to change" "exit 0
exit 0" "$(exit_of list; exit_of export)"
not_replaceable="error: The list in HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks (on 64-bit Windows, regedit shows it as HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Corvane Software\\mDNS\\Networks) cannot be saved: this account may not replace \"Networks\" (error 5): run mDNSPairs as an administrator. Nothing was changed."
expect_equal "with Networks readable but not replaceable, check, --what-if and set refuse alike, naming it" "exit 5
$not_replaceable
exit 5
$not_replaceable
exit 5
$not_replaceable" "$(run_pairs check Ethernet2 WiFi; run_pairs set Ethernet2 WiFi --what-if; run_pairs set Ethernet2 WiFi)"
drive deny-writes 'mDNS' >/dev/null
expect_equal "with the product key closed to changes, --what-if and set refuse alike, naming it" "exit 5
error: The list in HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks (on 64-bit Windows, regedit shows it as HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Corvane Software\\mDNS\\Networks) cannot be saved: this account may not change \"mDNS\" (error 5): run mDNSPairs as an administrator. Nothing was changed.
exit 5" "$(run_pairs set Ethernet2 WiFi --what-if; exit_of set Ethernet2 WiFi)"
drive allow-writes 'mDNS' >/dev/null
drive allow-writes 'mDNS\Networks' >/dev/null

section "the audit trail, and pairs whose addresses this computer no longer has"
# events ARGUMENTS...: the strings of every event mDNSPairs reported, one a line, as Wine's
# event log shows them with +eventlog (line breaks inside a string as \r\n).
events() {
    WINEDEBUG=+eventlog wine "$pairs" "$@" 2>&1 >/dev/null </dev/null |
        sed -n 's/^[0-9a-f]*:[a-z]*:eventlog:ReportEventW L"\(.*\)"\r*$/\1/p'
}
drive reset-store >/dev/null
expect_equal "set writes one event: the command, the counts, the pairs" 'mDNSPairs set Ethernet2 WiFi Lab WiFi
0
2
add 192.168.1.10 10.0.0.5\r\nadd 172.16.4.2 10.0.0.5\r\n' "$(events set Ethernet2 WiFi Lab WiFi | sed -n '1p;4,6p')"
expect_equal "a converged set, a dry run and check write none" "" \
    "$(events set Ethernet2 WiFi Lab WiFi; events clear --what-if; events check Ethernet2 WiFi)"
expect_equal "clear writes one" 'mDNSPairs clear
2
0
remove 192.168.1.10 10.0.0.5\r\nremove 172.16.4.2 10.0.0.5\r\n' "$(events clear | sed -n '1p;4,6p')"
run_pairs set Ethernet2 WiFi >/dev/null
WINEDEBUG=+eventlog start_program
drive wait-sheet source 172.16.4.2 destination 10.0.0.5 add press ok >/dev/null
dismiss_notice_with_keyboard >/dev/null
wait_program
expect_equal "an Apply writes one, naming the pair it added" 'mDNSConfig
1
2
add 172.16.4.2 10.0.0.5\r\n' "$(sed -n 's/^[0-9a-f]*:[a-z]*:eventlog:ReportEventW L"\(.*\)"\r*$/\1/p' "$work/stderr" | sed -n '1p;4,6p')"
# Lab's address moves, as DHCP would move it.
ip addr del 172.16.4.2/20 dev Lab
ip addr add 172.16.6.2/20 dev Lab
expect_equal "status names the stale pair and the address it lacks" "stale pair 172.16.4.2 10.0.0.5: 172.16.4.2 is not an address of this computer" \
    "$(run_pairs status | grep '^stale')"
expect_equal "prune --what-if says it and changes nothing" "exit 2
remove 172.16.4.2 10.0.0.5
2" "$(run_pairs prune --what-if; run_pairs list | sed 1d | grep -c .)"
expect_equal "prune removes only that pair" "exit 2
remove 172.16.4.2 10.0.0.5
$restart
192.168.1.10${tab}10.0.0.5" "$(run_pairs prune; run_pairs list | sed 1d | cut -f 1,2)"
expect_equal "prune again has nothing to do" "exit 0
No stored pair names an address this computer does not have: nothing was changed." "$(run_pairs prune | sed -n 1,2p)"
drive reset-store seed 0 172.16.4.2 10.0.0.5 seed 1 192.168.1.10 10.0.0.5 >/dev/null
start_program
# ink ROW: the darkest grey in a screenshot of the row the driver placed: its text's.
ink() {
    local place
    place=$(sed -n "s/^row $1 at //p" "$work/page")
    set -- $place
    [ $# -eq 4 ] && import -window root -crop "${3}x${4}+${1}+${2}" +repage -colorspace Gray -format '%[min]' info: 2>/dev/null
}
drive wait-sheet line row-place 0 row-place 1 >"$work/page"
ink_stale=$(ink 0)
ink_current=$(ink 1)
drive wait-sheet press cancel >/dev/null
dismiss_notice_with_keyboard >/dev/null
wait_program
expect_equal "the page counts the stale pair below the list" "line: 1 pair names an address this computer does not have." \
    "$(grep '^line' "$work/page")"
expect_equal "and draws its row in another colour than a current row's" "differ" \
    "$([ -n "$ink_stale" ] && [ -n "$ink_current" ] && [ "$ink_stale" != "$ink_current" ] && echo differ || echo "$ink_stale $ink_current")"
ip addr del 172.16.6.2/20 dev Lab
ip addr add 172.16.4.2/20 dev Lab

section "the README's start-up script, as cmd runs it"
# This very text, the program's path made this run's: it logs each run and returns its exit
# code. This computer has no adapter "Ethernet 2": the usage error (4) comes back, and is logged.
awk '$0 == "<!-- cmd-recipe -->" { found = 1; next } found && /^```$/ { if (inside) exit; inside = 1; next } inside' "$readme" |
    sed "s|\"C:\\\\Program Files (x86)\\\\Corvane Software\\\\mDNS\\\\mDNSPairs.exe\"|\"$(winepath -w "$pairs" | sed 's/\\/\\\\/g')\"|" |
    sed 's/$/\r/' >"$work/mdns-pairs.cmd"
recipe_log="$WINEPREFIX/drive_c/windows/temp/mdns-pairs.log"
rm -f "$recipe_log"
recipe_status=0
WINEDEBUG=-all timeout 120 wine cmd /c "$(winepath -w "$work/mdns-pairs.cmd")" >/dev/null 2>&1 </dev/null || recipe_status=$?
expect_equal "the script returns mDNSPairs' exit code" 4 "$recipe_status"
expect_equal "and logs its words and that exit code" "\"Ethernet 2\" is neither an IPv4 address nor the name of an adapter of this computer.
mDNSPairs exited with 4" \
    "$(tr -d '\r' <"$recipe_log" 2>/dev/null | grep -e '^"Ethernet 2" is neither' -e 'mDNSPairs exited with' |
       sed 's/.* mDNSPairs exited/mDNSPairs exited/')"

section "the DSC resource, each operation run as its manifest declares"
manifest="$(dirname "$pairs")/Corvane.mDNS.Pairs.dsc.resource.json"
# dsc_run OPERATION INSTANCE: "exit N", then standard output; standard error in $work/dsc.err.
dsc_run() {
    local status=0
    printf '%s' "$2" | WINEDEBUG=-all wine "$pairs" dsc "$1" >"$work/dsc.out" 2>"$work/dsc.err" || status=$?
    echo "exit $status"
    tr -d '\r' <"$work/dsc.out"
}
# valid OPERATION: what is wrong with the last operation's output, as dsc_check.py reads it.
valid() { tr -d '\r' <"$work/dsc.out" | python3 "$here/../dsc_check.py" output "$manifest" "$1"; }
desired() { sed -n 2p | python3 -c 'import json, sys; print(json.load(sys.stdin)["_inDesiredState"])'; }
expect_equal "the manifest, as the resource manifest reference describes it" "" \
    "$(python3 "$here/../dsc_check.py" manifest "$manifest")"
drive reset-store >/dev/null
run_pairs set Ethernet2 WiFi >/dev/null
same='{"pairs":[{"source":"Ethernet2","destination":"WiFi"}],"restartService":false}'
other='{"pairs":[{"source":"Lab","destination":"WiFi"}],"restartService":false}'
for operation in get export; do
    dsc_run "$operation" '{}' >/dev/null
    expect_equal "$operation: its output as the instance schema says" "" "$(valid "$operation")"
done
for instance in "$same" "$other"; do
    for operation in test whatif; do
        dsc_run "$operation" "$instance" >/dev/null
        expect_equal "$operation of $instance: its output as the schemas say" "" "$(valid "$operation")"
    done
done
# With restartService false, test answers for set without --restart, as set --what-if does
# (check answers for set --restart).
expect_equal "test agrees with the dry run: in the desired state, then not" "True
exit 0
False
exit 2" "$(dsc_run test "$same" | desired; exit_of set Ethernet2 WiFi --what-if
           dsc_run test "$other" | desired; exit_of set Lab WiFi --what-if)"
expect_equal "set" "exit 0" "$(dsc_run set "$other" | sed -n 1p)"
expect_equal "set: its output as the schemas say" "" "$(valid set)"
expect_equal "then test: in the desired state, as the dry run says" "True
exit 0" "$(dsc_run test "$other" | desired; exit_of set Lab WiFi --what-if)"
exported=$(dsc_run export '' | sed -n 2p)
expect_equal "the test of an export is in the desired state" "True" "$(dsc_run test "$exported" | desired)"
expect_equal "a malformed address: exit 4, one JSON error line, nothing on standard output" "exit 4
1 1" "$(dsc_run set '{"pairs":[{"source":"Lab","destination":"banana"}]}'
        echo "$(grep -c '^{"level":"error","message":' "$work/dsc.err") $(tr -d '\r' <"$work/dsc.err" | grep -c .)")"

section "Windows' own export of the Networks key imports"
drive reset-store >/dev/null
run_pairs set Ethernet2 WiFi Lab WiFi >/dev/null
timeout 60 wine reg export 'HKLM\Software\Corvane Software\mDNS\Networks' "$(winepath -w "$work/reg-export.reg")" /y \
    >/dev/null 2>&1 || harness_error "reg export failed"
drive reset-store >/dev/null
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks]\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks\\0]\r\n"IPsource"="Lab"\r\n"IPdestination"="10.0.0.5"\r\n"Direction"="2"\r\n"Enabled"="1"\r\n\r\n' >"$work/named.reg"
expect_equal "a file naming an adapter is refused, and the store stays empty" "exit 4
0" "$(exit_of import "$(winepath -w "$work/named.reg")"; run_pairs list | sed 1d | grep -c .)"
expect_equal "reg export of Networks, imported" "exit 2
192.168.1.10${tab}10.0.0.5
172.16.4.2${tab}10.0.0.5" "$(exit_of import "$(winepath -w "$work/reg-export.reg")"; run_pairs list | sed 1d | cut -f 1,2)"

[ ! -e "$work/harness-error" ] || exit 3
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
