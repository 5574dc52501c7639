#!/usr/bin/env bash
# Installs what is missing; builds the 64-bit program and its tests, the
# 32-bit program and its tests, and GCC's analysis of the code (any finding
# fails); then runs every test under Wine: on the 64-bit build, on the 32-bit
# build (the device's word size), and once more on the 64-bit build with Wine
# checking the heap. Each build's run includes its import check. Where Wine
# cannot run 32-bit programs, the 32-bit build runs only its import check,
# and one line says why and what to do.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine32.sh

# The 32-bit tests are built in any case, and registered with CTest only
# where they can run.
run32=ON
problem=$(wine32_problem) || run32=OFF
for preset in x86_64 i686 analyze; do
    echo "== Building: $preset"
    registered=ON
    [ "$preset" != i686 ] || registered=$run32
    cmake --preset "$preset" -DREMOVEAPPS_RUN_TESTS=$registered >/dev/null
    cmake --build --preset "$preset"
done

status=0
echo "== Every test, 64-bit:"
ctest --preset x86_64 || status=$?
if [ $run32 = ON ]; then
    echo "== Every test, 32-bit:"
else
    echo "== The 32-bit tests were not run: $problem. The 32-bit import check:"
fi
ctest --preset i686 || status=$?
# Once more with Wine checking the heap on every operation: any overrun or bad
# free fails the test that caused it. One test counts the heap's blocks, which
# the checking itself changes: it says so and is skipped in this run.
echo "== Every test, 64-bit, with Wine's heap checking:"
ctest --preset x86_64-heapcheck || status=$?
# The tests' Wine servers would linger for half a minute: end them now.
for build in build build-i686; do
    WINEPREFIX=$PWD/$build/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true
done
exit $status
