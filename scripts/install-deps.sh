#!/usr/bin/env bash
# Installs what the build, the program's run under Wine and the tests need, on Debian as
# root. Does nothing that is already done.
set -euo pipefail

packages=(cmake g++ make googletest clang libclang-rt-14-dev
          g++-mingw-w64-i686-posix mingw-w64-i686-dev
          wine wine32:i386 xvfb xdotool x11-utils imagemagick util-linux hostname iproute2 bc python3
          wixl msitools osslsigncode openssl ansible)

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
