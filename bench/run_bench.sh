#!/usr/bin/env bash
# Times vexlane-stats on a generated 500 MB log against wc -l, grep and a
# std::getline line count, all in this one run, and prints medians, ratios
# and the program's peak resident memory.
#
#   bench/run_bench.sh [SIZE_MB] [RUNS]
#
# The log is generated once into $BENCH_DIR (default /tmp/vexlane-bench)
# and reused; nothing is written to the source tree.
set -euo pipefail
size_mb=${1:-500}
runs=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-/tmp/vexlane-bench}
build="$work/build"
log="$work/bench-$size_mb.log"
mkdir -p "$work"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXLANE_BENCH=ON \
  -DVEXLANE_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 >/dev/null
[ -f "$log" ] || "$build/bench/make_log" "$size_mb" 42 "$log"

program="$build/vexlane-stats"
runs_dir="$work/runs"

# Prints the elapsed seconds of one run of "$@". The output goes to a file:
# GNU grep stops at the first match when its output is /dev/null.
elapsed() {
  local start end
  start=$(date +%s.%N)
  "$@" >"$work/output" 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

median() { sort -n | awk '{a[NR]=$1} END {m=a[int((NR+1)/2)]; printf "%.3f\n", m}'; }

# One program run in a fresh directory, answering the dialog from $1.
run_program() {
  rm -rf "$runs_dir" && mkdir -p "$runs_dir" && cd "$runs_dir"
  printf "$1" | "$program"
}

declare -A result
measure() {
  local name=$1; shift
  local times=()
  for ((i = 0; i < runs; i++)); do times+=("$(elapsed "$@")"); done
  result[$name]=$(printf '%s\n' "${times[@]}" | median)
  printf '%-28s %8s s  (runs: %s)\n' "$name" "${result[$name]}" "${times[*]}"
}

text_answers="\n$log\n1\n1\n\n\n"
html_answers="\n$log\n2\n\n\n"
level_answers="\n$log\n1\n1\nNoSuchLevel\n\n\n"

echo "log: $log ($(du -h "$log" | cut -f1)), $runs runs each, $(nproc) cores"
measure "wc -l" wc -l "$log"
measure "grep -c -i -E (LC_ALL=C)" env LC_ALL=C grep -c -i -E '\.lev|battle|stop|end' "$log"
measure "getline line count" "$build/bench/getline_count" "$log"
measure "vexlane-stats text" run_program "$text_answers"
measure "vexlane-stats html" run_program "$html_answers"
measure "vexlane-stats level pass" run_program "$level_answers"

rss_kb=$(cd "$work" && rm -rf "$runs_dir" && mkdir -p "$runs_dir" && cd "$runs_dir" &&
  printf "$text_answers" | /usr/bin/time -f '%M' "$program" 2>&1 >/dev/null | tail -n 1)
report_bytes=$(stat -c %s "$runs_dir/Battle01.txt")

ratio() { echo "scale=2; ${result[$1]} / ${result[$2]}" | bc -l; }
echo
echo "text report / grep:     $(ratio 'vexlane-stats text' 'grep -c -i -E (LC_ALL=C)')"
echo "text report / getline:  $(ratio 'vexlane-stats text' 'getline line count')"
echo "html report / grep:     $(ratio 'vexlane-stats html' 'grep -c -i -E (LC_ALL=C)')"
echo "level pass / text:      $(ratio 'vexlane-stats level pass' 'vexlane-stats text')"
echo "text report / wc -l:    $(ratio 'vexlane-stats text' 'wc -l')"
echo "peak RSS: $((rss_kb / 1024)) MiB; report: $((report_bytes / 1048576)) MiB;" \
  "limit 32 MiB + 2 x report = $((32 + 2 * report_bytes / 1048576)) MiB"

# The shapes whose scoring once grew with the square of their size: one
# battle of many players, and many players in battles of 50; each also at
# ten times the size, to show the cost stays linear.
echo
for shape in "10000 10000" "40000 40000" "40000 50" "400000 400000" "400000 50"; do
  set -- $shape
  crowd="$work/crowd-$1-$2.log"
  [ -f "$crowd" ] || "$build/bench/make_log" --crowd "$1" "$2" 42 "$crowd"
  measure "crowd $1 players, battles of $2" \
    "$program" -q -o - -i "$crowd"
done
