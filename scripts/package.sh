#!/usr/bin/env bash
# Builds the two programs as the run command does and packs them into one Windows Installer
# package, build/package/CorvaneMdnsConfigurator-VERSION.msi: per machine, into
# [ProgramFilesFolder]Corvane Software\mDNS\, that folder on the machine's PATH, a Start-menu
# shortcut, and an entry in Programs and Features. Never anything at ...\mDNS in the registry.
#
# Usage: package.sh [--version X.Y.Z.W]   (default 1.2.0.0); the programs are built to say the same
# With MDNS_SIGN_PFX (a PKCS#12 file) and MDNS_SIGN_PASSWORD set, both programs are signed
# before they are packed, then the package, with Authenticode and SHA-256; with
# MDNS_SIGN_TIMESTAMP_URL also timestamped. The password reaches osslsigncode on its standard
# input, never on a command line. Without them the package is built unsigned.
#
# One commit gives one package: every time inside it (the files' dates in the cabinet, the
# summary's created and saved times) is the commit's time (SOURCE_DATE_EPOCH, from git, or
# as given), and its package code follows from the version and the programs packed. Two
# unsigned builds of one commit are byte for byte the same; signed ones differ only in their
# signatures, which hold the time of signing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/program"
out="$root/build/package"
work="$root/build/package-work"
version=1.2.0.0
# Fixed for good: every version of the package upgrades the one before it.
upgrade_code=F69D8A71-5913-4C1F-BF98-1FF3B4C7059D

while [ $# -gt 0 ]; do
    case $1 in
        --version) version=${2:-}; shift 2 || { echo "--version needs X.Y.Z.W" >&2; exit 4; } ;;
        *) echo "Usage: package.sh [--version X.Y.Z.W]" >&2; exit 4 ;;
    esac
done
# Windows Installer compares the first three fields: at most 255, 255 and 65535.
if ! [[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || [ "${BASH_REMATCH[1]}" -gt 255 ] ||
    [ "${BASH_REMATCH[2]}" -gt 255 ] || [ "${BASH_REMATCH[3]}" -gt 65535 ] || [ "${BASH_REMATCH[4]}" -gt 65535 ]; then
    echo "The version must be X.Y.Z.W, with X and Y at most 255 and Z and W at most 65535: $version" >&2
    exit 4
fi

bash "$root/scripts/install-deps.sh" package

echo "Building the programs ..."
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMDNS_BUILD_TESTS=OFF -DMDNS_VERSION="$version" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" --target mDNSConfig mDNSPairs -j "$(nproc)" >/dev/null

rm -rf "$out" "$work"
mkdir -p "$out" "$work/programs"
signing=
if [ -n "${MDNS_SIGN_PFX:-}" ] && [ -n "${MDNS_SIGN_PASSWORD:-}" ]; then signing=1; fi
# sign IN OUT: Authenticode, SHA-256, with a timestamp when a server is named.
sign() {
    local timestamp=()
    [ -z "${MDNS_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$MDNS_SIGN_TIMESTAMP_URL")
    # printf is the shell's own: the password is in no process's arguments.
    printf '%s' "$MDNS_SIGN_PASSWORD" | osslsigncode sign -pkcs12 "$MDNS_SIGN_PFX" -readpass - -h sha256 \
        -n "Corvane mDNS Configurator" "${timestamp[@]}" -in "$1" -out "$2" >/dev/null
}
for program in mDNSConfig.exe mDNSPairs.exe; do
    if [ -n "$signing" ]; then sign "$build/$program" "$work/programs/$program"; else cp "$build/$program" "$work/programs/"; fi
done
# The DSC resource's manifest goes beside mDNSPairs.exe, in the folder on PATH, where dsc finds it.
cp "$build/Corvane.mDNS.Pairs.dsc.resource.json" "$work/programs/"

# Every time in the package is the commit's: the files' dates, and the clock wixl and msibuild
# read for the summary (frozen with faketime, in UTC).
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}
frozen=$(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M:%S')
at_commit_time() { TZ=UTC faketime -f "$frozen" "$@"; }

# The codes follow from the version and the files, so one commit gives one package: the
# product code from the version alone (a fleet tool names it), the package code also from
# the programs packed.
code() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$upgrade_code" "$1"; }
product_code=$(code "product $version")
package_code=$(code "package $version $(cat "$work/programs/"* | sha256sum | cut -d' ' -f1)")

msi="$work/package.msi"
# wixl takes the files by paths relative to where it runs.
cp "$root/resources/configurator.ico" "$work/"
touch -d "@$epoch" "$work/configurator.ico" "$work/programs/"*
(cd "$work" && at_commit_time wixl -a x86 -D Version="$version" -D ProductCode="$product_code" \
    -D Programs=programs -D Icon=configurator.ico -o package.msi "$root/resources/installer/corvane-mdns.wxs")
# wixl draws a package code of its own; the summary gets ours, at the commit's time.
at_commit_time msibuild "$msi" -s "Corvane mDNS Configurator" "Corvane Software" "Intel;1033" "{$package_code}"

# wixl has no Environment element: the PATH entry and the two actions that write and remove
# it go in as tables. "=-*PATH" sets the system variable on install and takes the part back
# on uninstall; "[~];" appends to what is there.
printf 'Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\nProgramFolderOnPath\t=-*PATH\t[~];[INSTALLFOLDER]\tCompanion\n' \
    >"$work/Environment.idt"
msiinfo export "$msi" InstallExecuteSequence >"$work/InstallExecuteSequence.idt"
printf 'RemoveEnvironmentStrings\t\t3300\nWriteEnvironmentStrings\t\t5200\n' >>"$work/InstallExecuteSequence.idt"
# The uninstall removes the restart record beside the store through mDNSPairs itself, which
# opens the keys as themselves (the installer's own removal would follow a registry link): a
# deferred action without impersonation (1024 + 2048), the installed program (18), whose
# failure does not stop the uninstall (64); not on an upgrade, which keeps the record.
printf 'Action\tType\tSource\tTarget\ns72\ti2\tS72\tS255\nCustomAction\tAction\nForgetRestartRecord\t3154\tmDNSPairs.exe\t--uninstalling\n' \
    >"$work/CustomAction.idt"
printf 'ForgetRestartRecord\tREMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE\t3450\n' >>"$work/InstallExecuteSequence.idt"
(cd "$work" && at_commit_time msibuild "$msi" -i Environment.idt -i InstallExecuteSequence.idt -i CustomAction.idt)

package="$out/CorvaneMdnsConfigurator-$version.msi"
if [ -n "$signing" ]; then
    sign "$msi" "$package"
    echo "Signed the programs and the package with $MDNS_SIGN_PFX."
else
    cp "$msi" "$package"
    echo "Not signed: set MDNS_SIGN_PFX and MDNS_SIGN_PASSWORD to sign the programs and the package." >&2
fi
rm -rf "$work"
echo "Built $package"
echo "ProductCode {$product_code}, PackageCode {$package_code}, UpgradeCode {$upgrade_code}, version $version"
echo "SHA-256 $(sha256sum "$package" | cut -d' ' -f1)"
