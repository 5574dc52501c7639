#!/usr/bin/env bash
# Installs what building and testing Remove Apps needs, if it is missing.
# With --run, also what showing it on the demo device needs.
# Wine's 32-bit loader, which runs the tests of the 32-bit build, comes in a
# step of its own: where it cannot be installed, everything else still builds
# and tests, scripts/test.sh says that the 32-bit tests did not run, and the
# next run of this script tries again.
set -euo pipefail

packages=(cmake make g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
          g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine64 wine64-preloader googletest)
if [ "${1:-}" = --run ]; then
    packages+=(xvfb x11-utils xdotool imagemagick fonts-wine fonts-dejavu-core fonts-droid-fallback)
fi
loader=(wine32:i386 wine32-preloader:i386)

# Prints those of the given packages that are not installed.
missing_of() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            echo "$package"
        fi
    done
}

mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_loader < <(missing_of "${loader[@]}")
[ ${#missing[@]} -eq 0 ] && [ ${#missing_loader[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt_get() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# apt's last error line in the log of its last run.
last_error() { grep '^E: ' "$log" | tail -n 1 || true; }

echo "Installing: $(echo "${missing[@]}" "${missing_loader[@]}")"
# The loader's packages come from the i386 lists, which the update fetches
# only once the architecture is there.
if [ ${#missing_loader[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386 || true
fi
# A mirror caught in the middle of its own update serves a list that does not
# match its index for a few minutes; one list missing still leaves the others.
for try in 1 2 3 4; do
    apt_get update -q 2>&1 | tee "$log" && break
    if [ $try -eq 4 ]; then
        echo "setup.sh: apt-get update failed 4 times ($(last_error)); installing from the" \
             "package lists apt has."
    else
        sleep 5
    fi
done

if [ ${#missing[@]} -gt 0 ] && ! apt_get install -y -q --no-install-recommends "${missing[@]}"; then
    echo "setup.sh: could not install: $(missing_of "${missing[@]}" | xargs)" >&2
    exit 1
fi

[ ${#missing_loader[@]} -gt 0 ] || exit 0
why=
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    why="the i386 architecture could not be added"
elif ! apt_get install -y -q --no-install-recommends "${missing_loader[@]}" 2>&1 | tee "$log"; then
    why=$(last_error)
    why=${why:-apt-get install failed}
fi
if [ -n "$why" ]; then
    echo "setup.sh: the 32-bit tests will not run: Wine's 32-bit loader (${loader[*]})" \
         "could not be installed: $why"
fi
