#!/usr/bin/env bash
# Installs, on Debian as root, what one purpose needs, and nothing that is already there:
#   run      building the programs and running them under Wine (the default; --demo included)
#   package  that, and building and signing the installer package
#   test     all of it, and what the tests and benchmarks use
# Usage: install-deps.sh [run|package|test]
set -euo pipefail

purpose=${1:-run}
packages=(cmake make g++-mingw-w64-i686-posix mingw-w64-i686-dev
          wine wine32:i386 xvfb xdotool x11-utils imagemagick util-linux hostname iproute2)
case $purpose in
    run) ;;
    package) packages+=(python3 wixl msitools osslsigncode faketime git) ;;
    test) packages+=(python3 wixl msitools osslsigncode faketime git
                     g++ googletest clang libclang-rt-14-dev bc openssl ansible python3-jsonschema) ;;
    *) echo "Usage: install-deps.sh [run|package|test]" >&2; exit 4 ;;
esac

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing: ${missing[*]}" >&2
    echo "Run this as root (or with sudo) so that they can be installed." >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
