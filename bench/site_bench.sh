#!/usr/bin/env bash
# Times the outputs of one generated log against the text report, all in
# this one run: every export format, a new site on tmpfs, and a --force
# rebuild of an existing site on the work directory's file system after
# one more battle (counting the pages that kept their inode). Prints
# medians and ratios.
#
#   bench/site_bench.sh [SIZE_MB] [RUNS]
#
# The log is generated once into $BENCH_DIR (default /tmp/vexlane-bench)
# and reused; tmpfs is $TMPFS_DIR (default /dev/shm).
set -euo pipefail
size_mb=${1:-100}
runs=${2:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-/tmp/vexlane-bench}
tmpfs=${TMPFS_DIR:-/dev/shm}/vexlane-site-bench
build="$work/build"
log="$work/bench-$size_mb.log"
more="$work/bench-$size_mb-more.log"
mkdir -p "$work" "$tmpfs"
trap 'rm -rf "$tmpfs"' EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXLANE_BENCH=ON \
  -DVEXLANE_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 >/dev/null
[ -f "$log" ] || "$build/bench/make_log" "$size_mb" 42 "$log"
# The same log and one battle more, as a channel has the next day.
if [ ! -f "$more" ]; then
  cp "$log" "$more"
  printf '%s\n' "[23:50] <Ann> http://x.example/Bench.lev" \
    "[23:51] <Ann> 0:59,00" "[23:51] <Bob> 1:01,50" "[23:52] <Ann> stop" >>"$more"
fi
program="$build/vexlane-stats"
out="$work/outputs"
mkdir -p "$out"

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -n | awk '{a[NR]=$1} END {printf "%.3f\n", a[int((NR+1)/2)]}'; }

declare -A result
# measure NAME PREPARE COMMAND...: PREPARE runs untimed before each run.
measure() {
  local name=$1 prepare=$2; shift 2
  local times=()
  for ((i = 0; i < runs; i++)); do
    eval "$prepare"
    times+=("$(seconds "$@")")
  done
  result[$name]=$(printf '%s\n' "${times[@]}" | median)
  printf '%-32s %8s s  (runs: %s)\n' "$name" "${result[$name]}" "${times[*]}"
}

echo "log: $log ($(du -h "$log" | cut -f1)), $runs runs each, $(nproc) cores"
for format in text stats html json csv web; do
  measure "$format" "rm -f '$out/report.$format'" \
    "$program" -q -f "$format" -o "$out/report.$format" -i "$log"
done
# A new site: no site, and no older version kept beside one.
measure "site, new, tmpfs" "rm -rf '$tmpfs/site' '$tmpfs'/.vexlane-site-*" \
  "$program" -q -f site -o "$tmpfs/site" -i "$log"
site="$work/site"
fresh="rm -rf '$site' '$work'/.vexlane-site-*"
measure "site, new, work dir" "$fresh" \
  "$program" -q -f site -o "$site" -i "$log"
# As cron rebuilds it every day: the site of the log is there, and the
# version before it kept beside it (here the same).
measure "site, --force, one battle more" \
  "$fresh; '$program' -q -f site -o '$site' -i '$log';
   '$program' -q -f site --force -o '$site' -i '$log'; sync" \
  "$program" -q -f site --force -o "$site" -i "$more"
# The first rebuild, with no older version beside the site.
measure "site, --force, first rebuild" \
  "$fresh; '$program' -q -f site -o '$site' -i '$log'; sync" \
  "$program" -q -f site --force -o "$site" -i "$more"

# Which pages the last rebuild wrote anew.
eval "$fresh"
"$program" -q -f site -o "$site" -i "$log"
"$program" -q -f site --force -o "$site" -i "$log"
(cd "$site" && find . -type f -printf '%i %p\n' | LC_ALL=C sort) >"$work/inodes-before"
"$program" -q -f site --force -o "$site" -i "$more"
(cd "$site" && find . -type f -printf '%i %p\n' | LC_ALL=C sort) >"$work/inodes-after"
pages=$(wc -l <"$work/inodes-after")
kept=$(LC_ALL=C comm -12 "$work/inodes-before" "$work/inodes-after" | wc -l)

ratio() { echo "scale=2; ${result[$1]} / ${result[text]}" | bc -l; }
echo
for name in stats html json csv web "site, new, tmpfs" "site, new, work dir" \
  "site, --force, one battle more" "site, --force, first rebuild"; do
  printf '%-32s %s x text\n' "$name" "$(ratio "$name")"
done
echo "rebuild after one battle: $kept of $pages pages kept their inode" \
  "($((100 * (pages - kept) / pages))% written anew)"
