#!/usr/bin/env bash
# Installs what is missing; builds the 64-bit program and its tests, the
# 32-bit compile check and GCC's analysis of the code (any finding fails);
# checks both builds' imports against the device's API; and runs every test
# under Wine, once plainly and once with Wine checking the heap.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

for preset in x86_64 i686 analyze; do
    echo "== Building: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

status=0
echo "== The 32-bit program's imports:"
ctest --preset i686 || status=$?
echo "== Every test:"
ctest --preset x86_64 || status=$?
# Once more with Wine checking the heap on every operation: any overrun or bad
# free fails the test that caused it.
echo "== Again, with Wine's heap checking:"
ctest --preset x86_64-heapcheck || status=$?
# The tests' Wine server would linger for half a minute: end it now.
WINEPREFIX=$PWD/build/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status
