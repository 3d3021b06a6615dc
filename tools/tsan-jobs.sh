#!/usr/bin/env bash
# The parallel search under ThreadSanitizer: a few hundred files of every kind (matching, not
# matching, wrong layout, short rows that read an earlier file's cells, folders and FIFOs that
# cannot be read, names of vanished files, maps and series whole and cut), searched with --jobs 2,
# 3 and 8, also spectrum by spectrum (--each); each output must be byte-identical to --jobs 1. Then files vanish and reappear while a run reads them: no race, no
# crash, an orderly exit status. Usage: tools/tsan-jobs.sh [build folder] (default build-tsan).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build-tsan}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPH_TSAN=ON -DPH_GUI=OFF \
  -DPH_BENCH=OFF -DBUILD_TESTING=OFF -DPH_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target peakhound-search >/dev/null
search="$PWD/$build/tools/peakhound-search"
export TSAN_OPTIONS="halt_on_error=1 exitcode=66"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# One spectrum (or two) with humps at the given positions, every 2 1/cm from 550 to 1700.
spectrum() { # name columns last-x humps...
  local name=$1 columns=$2 last=$3
  shift 3
  {
    printf 'title\r\nx-data = 1/cm  y-data = counts\r\nx'
    for ((c = 1; c < columns; ++c)); do printf '\ty'; done
    printf '\r\n'
    awk -v last="$last" -v humps="$*" -v columns="$columns" 'BEGIN {
      n = split(humps, h, " ")
      for (x = 550; x <= last; x += 2) {
        y = 1
        for (i = 1; i <= n; ++i) { d = x - h[i]; if (d == 0) y += 90; else if (d == 2 || d == -2) y += 30 }
        line = x; for (c = 1; c < columns; ++c) line = line "\t" y
        printf "%s\r\n", line
      }
      printf "\r\n"
    }'
  } >"$name"
}

names=()
for ((i = 0; i < 300; ++i)); do
  name=s$i.txt
  case $((i * 7 % 9)) in
  0 | 1) spectrum "$name" 2 1700 612 774 1650 ;;
  2) spectrum "$name" 2 1700 $((612 + i % 20)) ;;
  3) printf 'title\r\nno captions\r\nno tabs\r\n1 2\r\n' >"$name" ;;
  4) spectrum "$name" 3 $((1700 - i % 300)) 900 ;; # short rows: cells of earlier files count
  5) spectrum "$name" 3 1700 612 774 $((1650 - i % 3 * 10)) ;;
  6) mkdir "$name" ;;
  7) mkfifo "$name" ;;
  8) ;; # vanished before the run
  esac
  names+=("$name")
done

# Instrument files and exports of every reader, whole and cut short, among them.
data="$repo/tests/data"
k=0
for sample in "$data"/formats/*.spc "$data"/formats/*.wdf "$data"/formats/*.txt "$data"/jcamp/o0[1-5].jdx \
  "$data"/jcamp/blckpac1.jdx "$data"/formats/maps/*.wdf "$data"/series/*.txt; do
  cp "$sample" "i$k.${sample##*.}"
  head -c $(($(wc -c <"$sample") / 2)) "$sample" >"cut$k.${sample##*.}"
  names+=("i$k.${sample##*.}" "cut$k.${sample##*.}")
  k=$((k + 1))
done

targets=(--peak 612 --peak 774 --peak 1650 --max-missing 0)
run() { # label, options...: prints the exit status, leaves out.$label and err.$label
  local label=$1 status=0
  shift
  "$search" "${targets[@]}" "$@" "${names[@]}" >"out.$label" 2>"err.$label" || status=$?
  if [ "$status" -gt 1 ]; then
    cat "err.$label" >&2
    echo "tsan-jobs: $label ended with status $status" >&2
    exit 1
  fi
  echo "$status"
}
for mode in "" --keep-going "--report --keep-going" "--each --report --keep-going"; do
  # shellcheck disable=SC2086
  one=$(run one $mode --jobs 1)
  for jobs in 2 3 8; do
    # shellcheck disable=SC2086
    many=$(run many $mode --jobs $jobs)
    if [ "$many" != "$one" ] || ! cmp -s out.one out.many || ! cmp -s err.one err.many; then
      echo "tsan-jobs: --jobs $jobs $mode differs from --jobs 1" >&2
      diff out.one out.many >&2 || true
      exit 1
    fi
  done
  echo "tsan-jobs: ${mode:-names}: --jobs 2, 3, 8 identical to --jobs 1 (status $one, $(wc -l <out.one) lines)"
done

# Files vanishing and coming back while the runs read them.
for ((i = 0; i < 300; i += 9)); do spectrum "s$i.txt" 2 1700 612 774 1650; done
cp s0.txt keep.txt
(
  for ((round = 0; round < 200; ++round)); do
    for ((i = 0; i < 300; i += 9)); do rm -f "s$i.txt"; done
    for ((i = 0; i < 300; i += 9)); do cp keep.txt "s$i.txt"; done
  done
) &
churn=$!
for jobs in 2 3 8; do run churn --keep-going --jobs "$jobs" >/dev/null; done
kill "$churn" 2>/dev/null || true
wait "$churn" 2>/dev/null || true
echo "tsan-jobs: vanishing files under --jobs 2, 3, 8: no race, orderly exit"
