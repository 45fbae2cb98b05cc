#!/usr/bin/env bash
# Checks the built program file itself: a 32-bit Windows GUI executable that imports only
# system DLLs and carries its manifest, version and numbered resources.
# Then the console companion: a 32-bit console executable, as static and hardened, asking
# for the administrator in the same manifest.
# Usage: check_executable.sh PROGRAM.exe PAIRS.exe
set -euo pipefail
program=$1
pairs=$2
headers=$(i686-w64-mingw32-objdump -p "$program")
resources=$(i686-w64-mingw32-windres -J coff -i "$program" -O rc)
failures=0
passes=0

check() {
    if eval "$2"; then
        passes=$((passes + 1)); echo "ok   $1"
    else
        failures=$((failures + 1)); echo "FAIL $1"
    fi
}
has_header() { grep -Eq "$1" <<<"$headers"; }
has_resource() { grep -Fq -- "$1" <<<"$resources"; }

check "32-bit PE file" 'has_header "file format pei-i386"'
check "GUI subsystem" 'has_header "^Subsystem[[:space:]]+00000002"'
imports=$(grep -E "DLL Name:" <<<"$headers" | awk '{print toupper($3)}' | sort -u | tr '\n' ' ')
echo "     imports: $imports"
check "imports only system DLLs" \
    '[ -z "$(tr " " "\n" <<<"$imports" | grep -v -E "^(ADVAPI32|COMCTL32|GDI32|IPHLPAPI|KERNEL32|MSVCRT|NTDLL|OLE32|USER32|WSOCK32)\.DLL$" | grep .)" ]'
check "no MinGW run-time DLL" '! grep -Eiq "libgcc|libstdc|libwinpthread" <<<"$imports"'
check "manifest asks for the administrator" 'has_resource "level=\"\"requireAdministrator\"\" uiAccess=\"\"false\"\""'
check "manifest names no common-controls version" '! has_resource "Microsoft.Windows.Common-Controls"'
check "file version 1.2.0.0" 'has_resource "FILEVERSION 1, 2, 0, 0"'
check "product version 1.2.0.0" 'has_resource "PRODUCTVERSION 1, 2, 0, 0"'
check "dialog 129, 323 x 300, MS Shell Dlg 8" 'has_resource "129 DIALOGEX 0, 0, 323, 300" && has_resource "FONT 8, \"MS Shell Dlg\""'
# Order, identifiers, positions and styles: report list with single selection shown
# always; drop-down-list choosers, sorted, with a vertical scroll bar; all tab stops. Add's
# mnemonic is one no other control of the sheet has; last, the line that explains addresses.
expected_controls='  CTEXT "then", -1, 99, 12, 20, 8, 0x50020001
  PUSHBUTTON "A&dd", 1020, 125, 32, 50, 14, 0x50010000
  PUSHBUTTON "&Remove", 1021, 181, 32, 50, 14, 0x50010000
  CONTROL "List1", 1017, "SYSLISTVIEW32", 0x5081000d, 14, 55, 218, 73
  COMBOBOX 1019, 14, 10, 78, 119, 0x50210103
  COMBOBOX 1022, 125, 10, 78, 121, 0x50210103
  CONTROL "", 1023, 130, 0x50000080, 14, 136, 296, 32'
check "dialog controls, in their order" \
    '[ "$(sed -n "/^129 DIALOGEX/,/^END/p" <<<"$resources" | grep -E "^  [A-Z]")" = "$expected_controls" ]'
check "strings 103 and 109" 'has_resource "  103, \"" && has_resource "  109, \""'
check "icon group 134 with 16, 32 and 48 pixel images" \
    'sed -n "/^134 14/,/^END/p" <<<"$resources" | grep -c "\\\\0[1-6]0\\\\0[1-6]0" | grep -qx 3'
check "menu 109" 'has_resource "109 MENU"'

check "ASLR and DEP (DllCharacteristics 0x0140)" 'has_header "^DllCharacteristics[[:space:]]+0*[1-9a-f]*140$"'

headers=$(i686-w64-mingw32-objdump -p "$pairs")
resources=$(i686-w64-mingw32-windres -J coff -i "$pairs" -O rc)
imports=$(grep -E "DLL Name:" <<<"$headers" | awk '{print toupper($3)}' | sort -u | tr '\n' ' ')
echo "     companion imports: $imports"
check "companion: 32-bit console program" 'has_header "file format pei-i386" && has_header "^Subsystem[[:space:]]+00000003"'
check "companion: only system DLLs" \
    '[ -z "$(tr " " "\n" <<<"$imports" | grep -v -E "^(ADVAPI32|IPHLPAPI|KERNEL32|MSVCRT|NTDLL|WSOCK32)\.DLL$" | grep .)" ]'
check "companion: ASLR and DEP" 'has_header "^DllCharacteristics[[:space:]]+0*[1-9a-f]*140$"'
check "companion: manifest runs as the caller" 'has_resource "level=\"\"asInvoker\"\""'
check "companion: version 1.2.0.0" 'has_resource "FILEVERSION 1, 2, 0, 0"'

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
