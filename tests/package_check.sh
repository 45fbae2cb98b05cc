#!/usr/bin/env bash
# The Windows Installer package: built twice (1.2.0.0 and 1.2.1.0) and signed with a
# throwaway certificate, through an osslsigncode that logs its arguments, which must never
# hold the password; built unsigned twice, byte for byte the same; then installed, upgraded,
# refused as a downgrade and removed by Wine's own msiexec in a fresh prefix, with a seeded
# store that must stay byte for byte and a registry link planted where an installer might
# write a key of ours.
# Prints one line per check and ends with "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/corvane-package.XXXXXX)
source "$root/scripts/wine-env.sh"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# No menu entries of the machine's own for the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
passes=0
failures=0

check() {  # NAME EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        passes=$((passes + 1))
        echo "ok   $1"
    else
        failures=$((failures + 1))
        echo "FAIL $1"
        diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/     /'
    fi
}
harness_error() {
    echo "HARNESS ERROR: $1"
    echo "$passes passed, $((failures + 1)) failed"
    exit 1
}

echo "== building and signing"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Corvane throwaway test signer" >/dev/null 2>&1 || harness_error "openssl cannot make a certificate"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/sign.pfx" -passout pass:throwaway \
    >/dev/null 2>&1 || harness_error "openssl cannot make a PKCS#12 file"
# The first osslsigncode on PATH writes down every command line it is given.
mkdir -p "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\nexec /usr/bin/osslsigncode "$@"\n' "$work/osslsigncode-arguments.log" \
    >"$work/bin/osslsigncode"
chmod +x "$work/bin/osslsigncode"
for version in 1.2.0.0 1.2.1.0; do
    PATH="$work/bin:$PATH" MDNS_SIGN_PFX="$work/sign.pfx" MDNS_SIGN_PASSWORD=throwaway \
        bash "$root/scripts/package.sh" --version "$version" \
        >"$work/package-$version.log" 2>&1 || harness_error "package.sh --version $version: $(tail -n 3 "$work/package-$version.log")"
    check "one package left for $version" "CorvaneMdnsConfigurator-$version.msi" "$(ls "$root/build/package")"
    cp "$root/build/package/CorvaneMdnsConfigurator-$version.msi" "$work/$version.msi"
done
check "signing: osslsigncode ran for both programs and the package, twice" 6 \
    "$(grep -c '^sign ' "$work/osslsigncode-arguments.log" 2>/dev/null)"
check "signing: the password is in no command line" 0 "$(grep -c throwaway "$work/osslsigncode-arguments.log")"
verified() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null 2>&1 && echo signed || echo "not verified"; }
mkdir -p "$work/files"
(cd "$work/files" && msiextract "$work/1.2.0.0.msi" >/dev/null) || harness_error "msiextract cannot read the package"
check "the package's signature" signed "$(verified "$work/1.2.0.0.msi")"
for program in mDNSConfig.exe mDNSPairs.exe; do
    packed=$(find "$work/files" -name "$program" | head -n 1)
    check "$program packed, signed" signed "$(verified "$packed")"
done
check "the package's icon in Programs and Features" "ARPPRODUCTICON	configurator.ico" \
    "$(msiinfo export "$work/1.2.0.0.msi" Property | grep ARPPRODUCTICON | tr -d '\r')"
bash "$root/scripts/package.sh" >"$work/unsigned.log" 2>&1 || harness_error "package.sh unsigned: $(tail -n 3 "$work/unsigned.log")"
check "without a certificate it says it does not sign" yes "$(grep -q '^Not signed' "$work/unsigned.log" && echo yes)"
cp "$root/build/package/CorvaneMdnsConfigurator-1.2.0.0.msi" "$work/unsigned-1.2.0.0.msi"
# The same commit again, from programs written a moment later: the same bytes.
sleep 1
touch "$root/build/program/"*.exe
bash "$root/scripts/package.sh" >"$work/unsigned-again.log" 2>&1 || harness_error "package.sh again: $(tail -n 3 "$work/unsigned-again.log")"
check "two unsigned builds of one commit are byte for byte the same" same \
    "$(cmp -s "$work/unsigned-1.2.0.0.msi" "$root/build/package/CorvaneMdnsConfigurator-1.2.0.0.msi" && echo same || echo different)"
check "the package code is the one that follows from the version and the programs" \
    "$(sed -n 's/.*PackageCode \({[^}]*}\).*/\1/p' "$work/unsigned.log")" \
    "$(msiinfo suminfo "$work/unsigned-1.2.0.0.msi" | sed -n 's/^Revision number (UUID): //p')"
check "no registry value of ours below HKLM\\Software in the package" 0 \
    "$(msiinfo export "$work/1.2.0.0.msi" Registry | awk -F'\t' 'NR > 3 && $2 == 2 && tolower($3) ~ /^software/' | wc -l)"
mkdir -p "$work/again"
(cd "$work/again" && msiextract "$work/unsigned-1.2.0.0.msi" >/dev/null)
for program in mDNSConfig.exe mDNSPairs.exe; do
    check "$program in an unsigned package is the program built" same \
        "$(cmp -s "$(find "$work/again" -name "$program" | head -n 1)" "$root/build/program/$program" && echo same || echo different)"
done

echo "== install, upgrade, downgrade, uninstall under Wine's msiexec"
timeout 120 wine wineboot --init </dev/null >"$work/wine.log" 2>&1 || harness_error "no Wine prefix"
folder='C:\Program Files\Corvane Software\mDNS\'
unix_folder="$(winepath -u "$folder" 2>/dev/null)"
msi() {  # ACTION PACKAGE: the exit code of msiexec
    local status=0
    timeout 300 wine msiexec "$1" "$(winepath -w "$2")" /qn </dev/null >>"$work/wine.log" 2>&1 || status=$?
    echo "$status"
}
query() {  # KEY [reg query options]: what reg prints, or a harness error when reg cannot run
    local status=0
    timeout 120 wine reg query "$@" >"$work/query.out" 2>&1 </dev/null || status=$?
    if [ "$status" -ne 0 ] && ! grep -qi 'unable to find' "$work/query.out"; then harness_error "reg query $*: $status"; fi
    [ "$status" -ne 0 ] || tr -d '\r' <"$work/query.out"
}
store() { query 'HKLM\Software\Corvane Software\mDNS' /s; }
# PATH with empty entries dropped: Wine's installer leaves the separator of an entry it
# takes back (Windows' takes both), and an upgrade takes one back before adding it again.
environment_path() {
    query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH |
        sed -n 's/^ *PATH *REG_[A-Z_]* *//p' | sed 's/;;*/;/g; s/;$//'
}
# The values VALUE of every entry in Programs and Features that is ours, one a line.
entry_value() {
    query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
        awk -v want="$1" '/^HKEY/ { key = $0 } $1 == want { value[key] = substr($0, index($0, $3)) }
                          /DisplayName +REG_SZ +Corvane mDNS Configurator$/ { mine[key] = 1 }
                          END { for (k in mine) print value[k] }'
}
entries() { entry_value DisplayName | wc -l; }
shortcut() { find "$WINEPREFIX/drive_c" -name 'Corvane mDNS Configurator.lnk' | wc -l; }
installed() {
    for p in mDNSConfig.exe mDNSPairs.exe Corvane.mDNS.Pairs.dsc.resource.json; do [ -f "$unix_folder/$p" ] && echo "$p"; done
}
# The Application log's source: its message file and types, as reg shows them.
event_source() {
    query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Corvane mDNS Configurator' |
        sed -n 's/^ *\(EventMessageFile\|TypesSupported\) *REG_[A-Z_]* *//p'
}

timeout 60 wine reg add 'HKLM\Software\Corvane Software\mDNS\Networks\0' /v IPsource /d 192.168.1.10 /f </dev/null >/dev/null 2>&1
timeout 60 wine reg add 'HKLM\Software\Corvane Software\mDNS' /v InstallPath /d 'C:\Corvane' /f </dev/null >/dev/null 2>&1
# A link where the package once kept its shortcut's value, naming the store's Networks key:
# an installer that wrote or deleted a key of ours there would reach the store.
driver="$root/build/windows/tests/sheet_driver.exe"
[ -f "$driver" ] || harness_error "the link needs $driver (the test command builds it first)"
timeout 60 wine "$driver" link 'mDNS Configurator' 'mDNS\Networks' </dev/null >/dev/null 2>&1 ||
    harness_error "the driver cannot plant the link"
store_before=$(store)
path_before=$(environment_path)
[ -n "$store_before" ] && [ -n "$path_before" ] || harness_error "the seeded store or PATH cannot be read"

check "install: exit code" 0 "$(msi /i "$work/1.2.0.0.msi")"
check "install: the programs, and the DSC resource's manifest beside mDNSPairs" "mDNSConfig.exe
mDNSPairs.exe
Corvane.mDNS.Pairs.dsc.resource.json" "$(installed)"
check "install: the manifest names the package's version as semver" '"version": "1.2.0",' \
    "$(grep -o '"version": "[^"]*",' "$unix_folder/Corvane.mDNS.Pairs.dsc.resource.json")"
check "install: the folder on PATH" "$path_before;$folder" "$(environment_path)"
check "install: the shortcut" 1 "$(shortcut)"
check "install: one entry in Programs and Features" 1 "$(entries)"
check "install: its name, publisher and version" "Corvane mDNS Configurator
Corvane Software
1.2.0.0" "$(entry_value DisplayName; entry_value Publisher; entry_value DisplayVersion)"
check "install: mDNSPairs from the installed folder" "mDNSPairs 1.2.0.0" \
    "$(timeout 60 wine "${folder}mDNSPairs.exe" --version </dev/null 2>/dev/null | tr -d '\r')"
check "install: the store as it was" "$store_before" "$(store)"
check "install: the event source, its messages in mDNSPairs.exe" "${folder}mDNSPairs.exe
0x7" "$(event_source)"
check "the same package again: a repair that changes nothing" 0 "$(msi /i "$work/1.2.0.0.msi")"
# Windows refuses it with 1638; Wine's installer takes it as a repair. Either way: one entry.
msi /i "$work/unsigned-1.2.0.0.msi" >/dev/null
check "the same version from other files: still one entry" "1
1.2.0.0" "$(entries; entry_value DisplayVersion)"

check "upgrade: exit code" 0 "$(msi /i "$work/1.2.1.0.msi")"
check "upgrade: one entry, the new version" "1
1.2.1.0" "$(entries; entry_value DisplayVersion)"
check "upgrade: the programs" "mDNSConfig.exe
mDNSPairs.exe
Corvane.mDNS.Pairs.dsc.resource.json" "$(installed)"
check "upgrade: mDNSPairs says the package's version" "mDNSPairs 1.2.1.0" \
    "$(timeout 60 wine "${folder}mDNSPairs.exe" --version </dev/null 2>/dev/null | tr -d '\r')"
check "upgrade: the store as it was" "$store_before" "$(store)"

# 1603, of which Wine passes on the low byte.
check "downgrade: refused" 67 "$(msi /i "$work/1.2.0.0.msi")"
check "downgrade: nothing changed" "1
1.2.1.0
$path_before;$folder" "$(entries; entry_value DisplayVersion; environment_path)"
check "downgrade: the store as it was" "$store_before" "$(store)"

# A restart record, as a save of mDNSPairs leaves it: the uninstall takes it with the programs.
record='HKLM\Software\Corvane Software\mDNS Restart Record'
timeout 60 wine reg add "$record" /v Record /t REG_BINARY /d 00 /f >/dev/null 2>&1 || true
check "before the uninstall: a restart record" 1 "$(query "$record" | grep -c 'REG_BINARY')"
check "uninstall: exit code" 0 "$(msi /x "$work/1.2.1.0.msi")"
check "uninstall: the restart record removed" "" "$(query "$record")"
check "uninstall: no programs, no shortcut, no entry" "0
0" "$(shortcut; entries)$(installed)"
check "uninstall: PATH as it was" "$path_before" "$(environment_path)"
check "uninstall: the store as it was" "$store_before" "$(store)"
check "uninstall: the event source gone" "" "$(event_source)"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
