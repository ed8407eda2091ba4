#!/usr/bin/env bash
# --follow as a process, on a log written like an IRC client writes it:
# each battle that ends is republished (the delay printed, the bound
# generous), a half line waits for its end, rotation by rename or by
# truncation loses and repeats nothing, SIGHUP reads the settings again,
# SIGTERM with a battle open ends as a run ends; a followed site takes its
# static folder as it is at each republish; and memory does not grow with
# the bytes read.
#
#   follow_test.sh PROGRAM [MEGABYTES]
set -u
prog=$(realpath "$1")
megabytes=${2:-1024}
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-follow-XXXXXX")
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=1110013500 TZ=UTC
cd "$work" || exit 1

failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Writes to the followed log ($2, or log) and to all.log, which holds all
# the client wrote, in order: the log a normal run must agree with.
add() { printf '%s' "$1" >>"${2:-log}"; printf '%s' "$1" >>all.log; }
# A battle of level $1 started by Ann, its times posted one by one.
start_battle() {
  add "[20:00:00] <Ann> next: http://levels.example.org/lev/$1.lev"$'\n'
  for nick in Bob Cal Dee; do sleep 0.05; add "[20:01:00] <$nick> 1:0$((RANDOM % 10)),$((10 + RANDOM % 90))"$'\n'; done
}
events() { grep -c '^Event ' rep.txt 2>/dev/null || echo 0; }
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
# Waits until the report holds $1 battles; prints the time it took.
wait_for_events() {
  since=$(date +%s%N)
  until [ "$(events)" = "$1" ]; do
    [ "$(ms_since "$since")" -le 10000 ] || { fail "$2: the report holds $(events) battles, not $1, after 10 s"; return 1; }
    sleep 0.01
  done
  echo "$2: republished after $(ms_since "$since") ms"
}
# Waits up to 4 s for standard error to hold a line matching $1 (written
# just after the report is published).
said() { for _ in $(seq 200); do grep -q -- "$1" err && return 0; sleep 0.02; done; return 1; }
# Ends the follower with SIGTERM; its exit status goes to $status.
stop() { kill -TERM "$pid"; wait "$pid"; status=$?; pid=""; }

printf '%s\n' 'log = ["log"]' 'output = "rep.txt"' 'extra-points = 1' >settings.toml
start_battle Pipe12
add "[20:02:00] <Ann> stop"$'\n'
start_battle Hill
"$prog" --follow -c settings.toml >out 2>err & pid=$!
wait_for_events 1 "the log as it was"
said "event 1, Pipe12, won by .*: report written to $work/rep.txt; following 'log'" ||
  fail "no line on standard error for the first report: $(cat err)"

# Half a stop line: nothing closes until its line end arrives.
add "[20:02:00] <Ann> st"
sleep 1.5
[ "$(events)" = 1 ] || fail "half a line closed the battle of Hill"
add "op"$'\n'
wait_for_events 2 "a stop line"
said "event 2, Hill, won by" || fail "no line for the battle of Hill"

# SIGHUP: the settings again, and the report made anew.
sed -i 's/extra-points = 1/extra-points = 5/' settings.toml
before=$(cat rep.txt)
kill -HUP "$pid"
for _ in $(seq 500); do [ "$(cat rep.txt)" != "$before" ] && break; sleep 0.02; done
said "reading the logs again with 'settings.toml'" || fail "SIGHUP was not heard"
"$prog" -q -c settings.toml -o hup.txt
cmp -s rep.txt hup.txt || fail "after SIGHUP the report is not that of the new settings"

# logrotate's create: the old file is renamed, the client writes on into
# it for a while, then into a new file of the old name.
start_battle Cave3
mv log log.1
sleep 0.3
add "[20:03:00] <Eve> 0:58,00"$'\n' log.1
sleep 0.3
add "[20:04:00] <Ann> stop"$'\n'
wait_for_events 3 "a stop line in the new file after a rename"
grep -A8 '^Event 3: Cave3' rep.txt | grep -q 'Eve' || fail "the time written into the renamed file was lost"

# copytruncate: the file is copied and cut to nothing, and written again.
start_battle Ramp
cp log log.2 && : >log
sleep 1.2
add "[20:05:00] <Ann> stop"$'\n'
wait_for_events 4 "a stop line after a truncation"

# SIGTERM with a battle open: closed as the end of a log closes it, and the
# last report is the one a normal run makes of everything written.
start_battle Snake
add "[20:06:00] <Fox> 0:57,00"$'\n'
sleep 1
stop
[ "$status" = 0 ] || fail "SIGTERM ended it with status $status"
[ "$(events)" = 5 ] || fail "the battle open at SIGTERM is not in the last report"
"$prog" -q -i all.log -p 5 -o normal.txt
cmp -s rep.txt normal.txt || fail "the last report differs from a normal run on everything written"
[ "$(cat out)" = rep.txt ] || fail "standard output: $(cat out)"
! ls -a | grep -q vexlane-tmp || fail "a temporary file was left behind"

# A site followed: its static folder read again at every republish, a
# file gone from it gone from the site at the next battle's end.
mkdir look && printf 'p{}' >look/custom.css && printf 'x' >look/logo.png
: >slog
"$prog" -q --follow -i slog -f site -o site --static look 2>serr & pid=$!
site_battle() {
  add "[20:00:00] <Ann> next: http://levels.example.org/lev/$1.lev"$'\n' slog
  add "[20:01:00] <Bob> 1:00,00"$'\n'"[20:01:30] <Cal> 1:01,00"$'\n' slog
  add "[20:02:00] <Ann> stop"$'\n' slog
}
site_battle S1
for _ in $(seq 500); do [ -f site/logo.png ] && break; sleep 0.02; done
[ "$(cat site/logo.png 2>/dev/null)" = x ] || fail "the followed site lacks the static file: $(cat serr)"
grep -q 'href="custom.css"' site/index.html 2>/dev/null || fail "the followed site does not link custom.css"
rm look/logo.png
site_battle S2
for _ in $(seq 500); do [ ! -e site/logo.png ] && break; sleep 0.02; done
[ ! -e site/logo.png ] || fail "a file gone from the static folder stayed in the followed site"
printf 'n' >look/new.txt  # the last publish, at the stop, takes it too
stop
[ "$status" = 0 ] || fail "the followed site ended with status $status: $(cat serr)"
[ "$(cat site/new.txt 2>/dev/null)" = n ] || fail "the last publish did not read the static folder again"

# Memory: $megabytes MiB of chat appended in 1 MiB pieces, a battle every
# 8 MiB, the log renamed away every 64 MiB (and removed: the follower reads
# it to its end through its open descriptor). A sanitizer build's memory
# says nothing, and it is slow: 16 MiB there, unmeasured.
sanitized=0
ldd "$prog" 2>/dev/null | grep -q -E 'lib[at]san' && sanitized=1 && megabytes=16
rm -f log rep.txt all.log
awk 'BEGIN { for (i = 0; i < 15000; i++)
  printf "[21:%02d:%02d] <Nick%d> did you see the new levels on the site, page %d?\n",
    i % 60, i % 60, i % 40, i }' >chat
: >log
"$prog" -q --follow -i log -o rep.txt 2>err & pid=$!
start=$(date +%s) battles=0
for ((mb = 1; mb <= megabytes; mb++)); do
  # Each piece begins with a line of its own, as a real log's lines differ
  # by their time: a new file that began with the old one's first bytes
  # would be that file changed in place, read again.
  printf '[21:00:00] <Ann> piece %d\n' "$mb" >>log
  cat chat >>log
  if ((mb % 8 == 0)); then
    printf '%s\n' "[21:59:00] <Ann> http://levels.example.org/lev/L$mb.lev" \
      "[21:59:10] <Bob> 1:02,11" "[21:59:20] <Ann> stop" >>log
    battles=$((battles + 1))
  fi
  # A file the name names only between two looks of the follower is never
  # seen: rotate once it has caught up, as a daily rotation would.
  if ((mb % 64 == 0)); then
    wait_for_events "$battles" "after $mb MiB" >/dev/null || break
    mv log old.log && rm old.log && : >log
  fi
done
wait_for_events "$battles" "after $megabytes MiB"
peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
stop
echo "memory: $megabytes MiB followed in $(($(date +%s) - start)) s, peak resident $((peak / 1024)) MiB"
[ "$status" = 0 ] || fail "the long run ended with status $status: $(cat err)"
[ "$sanitized" = 1 ] || [ "$peak" -lt 65536 ] || fail "peak resident memory $((peak / 1024)) MiB after $megabytes MiB"

[ "$failed" = 0 ] && echo "follow: every case passed"
exit "$failed"
