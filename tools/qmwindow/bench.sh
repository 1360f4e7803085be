#!/usr/bin/env bash
# Times the main window against a bare dialog with a tree of as many items,
# both from their process's start to the painted window, under Wine in the
# current prefix and display (WINEPREFIX, DISPLAY). Runs each RUNS times,
# alternating, and prints the medians and their ratio.
#   tools/qmwindow/bench.sh <folder of qmwindow_bench.exe> [entries per kind] [runs]
set -euo pipefail
bin=$1 per_kind=${2:-50} runs=${3:-7}
cd "$bin"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
wine qmwindow_bench.exe fill "$per_kind" >/dev/null
trap 'wine qmwindow_bench.exe clear "$per_kind" >/dev/null' EXIT
wine qmwindow_bench.exe window >/dev/null  # the first start warms Wine's caches for both
window=() bare=()
for _ in $(seq "$runs"); do
  window+=("$(wine qmwindow_bench.exe window | tr -d '\r')")
  bare+=("$(wine qmwindow_bench.exe baseline "$per_kind" | tr -d '\r')")
done
w=$(printf '%s\n' "${window[@]}" | median) b=$(printf '%s\n' "${bare[@]}" | median)
echo "main window, $per_kind entries of each kind: ${window[*]} ms (median $w)"
echo "bare dialog, $((3 * per_kind))-item tree:      ${bare[*]} ms (median $b)"
awk -v w="$w" -v b="$b" 'BEGIN {printf "ratio %.2f\n", w / b}'
