#!/usr/bin/env bash
# peakhound-search over 2000 generated 2000-row files (warm cache), with --jobs 1 and --jobs 2,
# against the bare loop bench_search_baseline in the same run, and the match report (--report)
# against the plain search. Prints files per second and ratios.
#
#     bench/search-files.sh [BUILD-DIR] [DATA-DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
data=${2:-/tmp/peakhound-bench-2000}
count=2000
search=$build/tools/peakhound-search
baseline=$build/bench/bench_search_baseline

if [ "$(ls "$data" 2>/dev/null | grep -c '^spectrum_')" -ne $count ]; then
  rm -rf "$data"
  python3 "$here/tools/gen-spectra.py" --out "$data" --count $count --rows 2000
fi
mkdir -p "$data/peaks"
cp "$here/peaks/rh6g.txt" "$data/peaks/"
cd "$data"
ls spectrum_* > list.txt
cat spectrum_* > /dev/null # warm the cache

best() { # best wall time in seconds of five runs of the command
  local best=999 s e t
  for _ in 1 2 3 4 5; do
    s=$(date +%s.%N); "$@" > /dev/null || { echo "failed: $*" >&2; exit 1; }; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if (( $(echo "$t < $best" | bc -l) )); then best=$t; fi
  done
  echo "$best"
}

tb=$(best "$baseline" list.txt)
t1=$(best "$search" --rh6g --jobs 1 --files-from list.txt)
t2=$(best "$search" --rh6g --jobs 2 --files-from list.txt)
tr1=$(best "$search" --rh6g --jobs 1 --report --files-from list.txt)
tr2=$(best "$search" --rh6g --jobs 2 --report --files-from list.txt)
rate() { echo "$count / $1" | bc -l | xargs printf '%.0f'; }
ratio() { echo "$1 / $2" | bc -l | xargs printf '%.2f'; }
echo "bare loop (one thread):       $(rate "$tb") files/s"
echo "peakhound-search --jobs 1:    $(rate "$t1") files/s  ($(ratio "$tb" "$t1") of the bare loop)"
echo "peakhound-search --jobs 2:    $(rate "$t2") files/s  ($(ratio "$t1" "$t2")x --jobs 1)"
echo "--report --jobs 1:            $(rate "$tr1") files/s  ($(ratio "$tr1" "$t1")x the time of --jobs 1)"
echo "--report --jobs 2:            $(rate "$tr2") files/s  ($(ratio "$tr2" "$t2")x the time of --jobs 2)"
