#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine, each against its bare baseline,
# then times the native `du -sb` of the same folder tree: the floor that the
# platform layer stands on.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 --target bench empty_dialog RemoveApps aygshell >/dev/null

prefix=$PWD/build/wineprefix
tree='C:\bench-tree'
# Hide.txt beside the program would hide records from the start-up run.
rm -f build/bin/Hide.txt
scripts/wine-run.sh "$prefix" build/bin/bench.exe "$tree" 'Z:'"$(pwd | tr / '\\')"'\build\bin'

times=()
for _ in 1 2 3 4 5 6 7; do
    start=$(date +%s%N)
    du -sb "$prefix/drive_c/bench-tree" >/dev/null
    times+=($(( ($(date +%s%N) - start) / 1000 )))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 4p)
awk -v us="$median" 'BEGIN { printf "%-46s %9.2f ms  (native du -sb of the same tree, the floor)\n", "du -sb, 20000 files in 2000 folders", us / 1000 }'
