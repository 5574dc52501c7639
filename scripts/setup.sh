#!/usr/bin/env bash
# Installs what building and testing Remove Apps needs, if it is missing.
# With --run, also what showing it on the demo device needs.
set -euo pipefail

# wine32 is Wine's 32-bit loader, which runs the tests of the 32-bit build.
packages=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine64 wine64-preloader googletest
          wine32:i386 wine32-preloader:i386)
if [ "${1:-}" = --run ]; then
    packages+=(xvfb x11-utils xdotool imagemagick fonts-wine fonts-dejavu-core fonts-droid-fallback)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
