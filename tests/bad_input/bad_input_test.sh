#!/usr/bin/env bash
# The program against bad input: odd and huge logs, closed or junk console
# input, and output that cannot be written. Each case checks the exit
# status, what the user is told and the files left behind.
#
#   bad_input_test.sh PROGRAM MAKE_INPUT GOLDEN_LOG
set -u
prog=$(realpath "$1")
make_input=$(realpath "$2")
golden=$(realpath "$3")
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-bad-XXXXXX")
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=1110013500 TZ=UTC

passed=0
failed=0
skipped=0
name=""
ok=1
dir=""
status=0

begin() {
  name=$1
  ok=1
  dir="$work/$name"
  mkdir -p "$dir"
}
fail() {
  echo "FAIL: $name: $*"
  ok=0
}
finish() {
  if [ "$ok" = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}
skip() {
  echo "SKIP: $name: $*"
  skipped=$((skipped + 1))
}

# run ANSWERS [REDIRECTS...]: runs the program in $dir with ANSWERS (printf
# escapes) on standard input; the console goes to $dir/out.
run() {
  printf "$1" >"$dir/in"
  shift
  (cd "$dir" && eval "timeout 300 \"$prog\" <in >out 2>&1 $*")
  status=$?
}
answers() { printf '\\n%s\\n1\\n1\\n\\n\\n' "$1"; }  # text, automatic, Enter
# An index row of a text report: level, event and players in their columns.
index_row() { printf ' %-26s%-9s%s' "$1" "$2" "$3"; }

expect_status() { [ "$status" = "$1" ] || fail "exit status $status, expected $1"; }
expect_said() { grep -a -q -F -- "$1" "$dir/out" || fail "console lacks: $1"; }
expect_not_said() { ! grep -a -q -F -- "$1" "$dir/out" || fail "console has: $1"; }
expect_said_times() {
  local n
  n=$(grep -a -o -F -- "$1" "$dir/out" | wc -l)
  [ "$n" = "$2" ] || fail "console has '$1' $n times, expected $2"
}
expect_file() { [ -f "$dir/$1" ] || fail "no file $1"; }
expect_no_file() { [ ! -e "$dir/$1" ] && [ ! -L "$dir/$1" ] || fail "unexpected $1"; }
expect_report() {  # a complete report: it ends with the footer
  expect_file Battle01.txt
  tail -n 3 "$dir/Battle01.txt" | grep -q "This file was made by vexlane statistics" ||
    fail "Battle01.txt is not a complete report"
}

# --- Logs --------------------------------------------------------------

begin empty_log
: >"$dir/log"
run "$(answers log)"
expect_status 0; expect_not_said "Writing to file"; expect_no_file Battle01.txt
finish

begin only_line_ends
printf '\n\r\n\n\n' >"$dir/log"
run "$(answers log)"
expect_status 0; expect_not_said "Writing to file"; expect_no_file Battle01.txt
finish

begin crlf_log_gives_the_same_report
mkdir -p "$dir/unix" "$dir/windows"
cp "$golden" "$dir/unix/log"
sed 's/$/\r/' "$golden" >"$dir/windows/log"
(dir="$dir/unix"; run "$(answers log)")
(dir="$dir/windows"; run "$(answers log)")
cmp -s "$dir/unix/Battle01.txt" "$dir/windows/Battle01.txt" || fail "reports differ"
expect_file unix/Battle01.txt
finish

begin nul_bytes
printf '[20:00:00] <Ann> http://x/A.lev\n[20:01:00] <B\0b> 1:00,00\n\0\0\0\n[20:01:30] <Cal> 59,00\0\n[20:02:00] <Ann> st\0op stop\n' >"$dir/log"
run "$(answers log)"
expect_status 0; expect_said "Adding event 1: A by Ann..."; expect_report
finish

begin high_bytes
printf '[20:00:00] <\xc4nn\xe9> http://x/\xe9t\xe9.lev\n[20:01:00] <B\xf6b> 1:00,00\n[20:01:30] <\xff\x80> 59,00\n[20:02:00] <\xc4nn\xe9> stop\n' >"$dir/log"
run "$(answers log)"
expect_status 0; expect_said "Adding event 1: "; expect_report
finish

begin line_of_64_mib_without_line_end
"$make_input" longline 64 "$dir/log"
run "$(answers log)"
expect_status 0; expect_not_said "Writing to file"; expect_no_file Battle01.txt
finish

begin random_10_mib
"$make_input" random 10 "$dir/log"
run "$(answers log)"
[ "$status" = 0 ] || fail "exit status $status"
finish

begin battles_100000
"$make_input" battles 100000 "$dir/log"
run "$(answers log)"
expect_status 0; expect_said "Adding event 100000: L99999 by Ann..."; expect_report
grep -q -F "$(index_row Total 100000 200000)" "$dir/Battle01.txt" ||
  fail "index total row"
finish

begin players_10000
"$make_input" players 10000 "$dir/log"
run "$(answers log)"
expect_status 0; expect_report
grep -q -F "$(index_row Crowd 1 10000)" "$dir/Battle01.txt" ||
  fail "10000 players in the index"
grep -q "^ 10000\. " "$dir/Battle01.txt" || fail "10000th overall row"
finish

begin time_posts_1000
"$make_input" posts 1000 "$dir/log"
run "$(answers log)"
expect_status 0; expect_report
grep -q -F "$(index_row Busy 1 '37 ')" "$dir/Battle01.txt" ||
  fail "37 players (the last post of each nick)"
finish

begin log_is_a_directory
mkdir "$dir/logdir"
run "$(answers logdir)"
expect_status 1; expect_said "Can't read file \"logdir\"."
expect_said_times "Press any key to continue . . . " 1
finish

begin missing_log
run "$(answers nothere.log)"
expect_status 1; expect_said "Can't read file \"nothere.log\"."
finish

begin unreadable_log
if [ "$(id -u)" = 0 ]; then
  skip "root can read any file"
else
  cp "$golden" "$dir/log"; chmod 000 "$dir/log"
  run "$(answers log)"
  expect_status 1; expect_said "Can't read file \"log\"."
  finish
fi

# --- Console input -----------------------------------------------------

begin input_closed_from_the_start
cp "$golden" "$dir/#battle.log"
run "" "<&-"
expect_status 0; expect_said "Please wait, generating file..."; expect_report
finish

for k in 1 2 3 4 5; do
  begin "input_ends_after_${k}_answers"
  cp "$golden" "$dir/#battle.log"
  full='7\n#battle.log\n1\n2\nPipe\n\n'
  run "$(printf "$full" | head -n "$k" | sed 's/$/\\n/' | tr -d '\n')"
  expect_status 0; expect_report
  finish
done

begin junk_input
cp "$golden" "$dir/#battle.log"
"$make_input" random 1 "$dir/junk"
(cd "$dir" && timeout 300 "$prog" <junk >out 2>&1)
status=$?
[ "$status" = 0 ] || [ "$status" = 1 ] || fail "exit status $status"
finish

begin ten_thousand_invalid_extra_points
cp "$golden" "$dir/log"
{ for ((i = 0; i < 10000; i++)); do echo "no"; done; printf '1\nlog\n1\n1\n\n\n'; } >"$dir/in.txt"
(cd "$dir" && timeout 300 "$prog" <in.txt >out 2>&1)
status=$?
expect_status 0; expect_report
expect_said_times "Give the extra points you want to give to winner (default 1): " 10001
grep -q "^ 1\.    Bob               0:58,00                  3$" "$dir/Battle01.txt" ||
  fail "winner with one extra point"
finish

begin crlf_answers
cp "$golden" "$dir/log"
run '5\r\nlog\r\n2\r\nPipe\r\n\r\n\r\n\r\n'
expect_status 0; expect_said "Creating html file..."; expect_file Battle01.html
grep -q "<td>7$" "$dir/Battle01.html" || fail "winner with 5 extra points"
finish

# --- Output ------------------------------------------------------------

begin working_directory_removed
cp "$golden" "$dir/log.txt"
mkdir "$dir/gone"
(cd "$dir/gone" && rmdir "$dir/gone" && printf '\n../log.txt\n1\n1\n\n\n' |
  timeout 300 "$prog" >"$dir/out" 2>&1)
status=$?
expect_status 0; expect_said "Output file couldn't be made. "
expect_said_times "Press any key to continue . . . " 1
finish

begin all_99_reports_taken
cp "$golden" "$dir/log"
for ((n = 1; n <= 99; n++)); do printf 'old %d' "$n" >"$dir/$(printf 'Battle%02d.txt' "$n")"; done
run "$(answers log)"
expect_status 0; expect_said "Output file couldn't be made. "
[ "$(cat "$dir/Battle42.txt")" = "old 42" ] || fail "Battle42.txt changed"
finish

begin existing_report_keeps_its_bytes
cp "$golden" "$dir/log"
printf 'precious\n' >"$dir/Battle01.txt"
run "$(answers log)"
expect_status 0; expect_said "Output file Battle02.txt was made successfully. "
[ "$(cat "$dir/Battle01.txt")" = "precious" ] || fail "Battle01.txt changed"
finish

begin dangling_symlink_is_never_followed
cp "$golden" "$dir/log"
ln -s "$dir/target.txt" "$dir/Battle01.txt"
run "$(answers log)"
expect_status 0; expect_said "Output file couldn't be made. "
[ -L "$dir/Battle01.txt" ] || fail "the link was replaced"
[ ! -e "$dir/target.txt" ] || fail "the link was followed"
finish

begin file_size_limit
cp "$golden" "$dir/log"
printf "$(answers log)" >"$dir/in"
# Only the program runs under the limit; its console goes through a pipe.
(cd "$dir" && ulimit -f 1 && timeout 300 "$prog" <in 2>&1) | cat >"$dir/out"
status=${PIPESTATUS[0]}
expect_status 0; expect_said "Output file couldn't be made. "; expect_no_file Battle01.txt
[ -z "$(ls -A "$dir" | grep vexlane-tmp)" ] || fail "a temporary file was left"
finish

begin stdout_closed
cp "$golden" "$dir/log"
run "$(answers log)" ">&-"
expect_status 0; expect_report
grep -q "Press any key" "$dir/Battle01.txt" && fail "console text went into the report"
finish

begin stdout_full
cp "$golden" "$dir/log"
printf "$(answers log)" >"$dir/in"
(cd "$dir" && timeout 300 "$prog" <in >/dev/full 2>&1)
status=$?
expect_status 0; expect_report
finish

begin stdout_reader_gone
cp "$golden" "$dir/log"
printf "$(answers log)" >"$dir/in"
(cd "$dir" && { timeout 300 "$prog" <in; echo "status $?" >status; } | head -c 1 >/dev/null)
grep -q "status 0" "$dir/status" || fail "$(cat "$dir/status")"
expect_report
finish

# --- Command-line runs: logs read once, files never lost ---------------

# Peak memory of a command in KiB, from the kernel's account of the
# children; empty in a sanitizer build, whose memory says nothing.
peak_kib() {
  ldd "$prog" 2>/dev/null | grep -q -E 'lib[at]san' && return 0
  python3 -c 'import resource, subprocess, sys
subprocess.run(["bash", "-c", sys.argv[1]])
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$1"
}

begin pipes_and_fifos_are_read_whole
"$make_input" battles 3000 "$dir/log"
(cd "$dir" && "$prog" -q -i log -o ref.txt && "$prog" -q -i log -l L7 -l L2999 -l L7 -o ref-levels.txt)
(cd "$dir" && cat log | "$prog" -q -i /dev/stdin -o dev-stdin.txt)
cmp -s "$dir/ref.txt" "$dir/dev-stdin.txt" || fail "/dev/stdin lost lines"
(cd "$dir" && "$prog" -q -i <(cat log) -o process.txt)
cmp -s "$dir/ref.txt" "$dir/process.txt" || fail "a process substitution lost lines"
(cd "$dir" && cat log | "$prog" -q -i - -l L7 -l L2999 -l L7 -o levels.txt)
cmp -s "$dir/ref-levels.txt" "$dir/levels.txt" || fail "level by level on a pipe"
mkfifo "$dir/fifo"
(cat "$dir/log" >"$dir/fifo" &)
(cd "$dir" && timeout 60 "$prog" -q -i fifo -o fifo.txt)
status=$?
expect_status 0
cmp -s "$dir/ref.txt" "$dir/fifo.txt" || fail "a FIFO lost lines"
(cat "$dir/log" >"$dir/fifo" &)
(cd "$dir" && timeout 60 "$prog" -q -i fifo -l L2999 -l L7 -o fifo-levels.txt)
status=$?
expect_status 0
[ -s "$dir/fifo-levels.txt" ] || fail "level by level on a FIFO"
finish

begin twenty_runs_at_once_and_a_dangling_name
cp "$golden" "$dir/log"
mkdir "$dir/out1" "$dir/out2"
for ((i = 0; i < 20; i++)); do
  (cd "$dir" && "$prog" -q -i log -d out1 2>>errors) &
done
wait
[ "$(ls "$dir/out1" | grep -c '^Battle[0-9][0-9]\.txt$')" = 20 ] ||
  fail "$(ls "$dir/out1" | wc -l) reports of 20: $(cat "$dir/errors")"
ln -s "$dir/nowhere" "$dir/out2/Battle01.txt"
(cd "$dir" && "$prog" -i log -d out2 >printed 2>/dev/null)
[ "$(cat "$dir/printed")" = out2/Battle02.txt ] || fail "printed $(cat "$dir/printed")"
[ ! -e "$dir/nowhere" ] || fail "the dangling link was followed"
finish

begin inputs_and_links_are_never_written
cp "$golden" "$dir/log"
cp "$golden" "$dir/keep"
ln "$dir/log" "$dir/hardlink"
ln -s "$dir/secret" "$dir/trace"
for args in "-i log --explain=log" "-i log -o log --force" "-i log -o hardlink --force" \
            "-i log --explain=hardlink --force -o r1.txt" "-i - -o log --force" \
            "-i log --explain=trace" "-i log --explain=trace --force -o r2.txt"; do
  (cd "$dir" && "$prog" $args <log >/dev/null 2>>err)
  status=$?
  expect_status 1
  cmp -s "$dir/log" "$dir/keep" || fail "$args changed the log"
done
grep -q -F "cannot write the report to 'log': it is the log read on standard input, which is never replaced" "$dir/err" ||
  fail "no reason given: $(cat "$dir/err")"
grep -q -F "cannot write the explanation to 'hardlink': it is the log 'log', which is never replaced" "$dir/err" ||
  fail "no reason given: $(cat "$dir/err")"
[ ! -e "$dir/secret" ] || fail "the explanation went through a link"
[ -L "$dir/trace" ] || fail "the link was replaced"
[ -z "$(ls -A "$dir" | grep vexlane-tmp)" ] || fail "a temporary file was left"
finish

begin force_keeps_mode_and_owner
cp "$golden" "$dir/log"
printf 'old\n' >"$dir/r.txt"
chmod 640 "$dir/r.txt"
owner=$(id -u)
if [ "$owner" = 0 ]; then chown nobody "$dir/r.txt"; owner=$(id -u nobody); fi
(cd "$dir" && "$prog" -q -i log -o r.txt --force)
status=$?
expect_status 0
[ "$(stat -c %a "$dir/r.txt")" = 640 ] || fail "mode $(stat -c %a "$dir/r.txt")"
[ "$(stat -c %u "$dir/r.txt")" = "$owner" ] || fail "owner $(stat -c %u "$dir/r.txt")"
grep -q "This file was made by" "$dir/r.txt" || fail "not replaced"
finish

begin long_names_and_lost_output
cp "$golden" "$dir/log"
long=$(printf 'r%.0s' $(seq 236)).txt
(cd "$dir" && "$prog" -q -i log -o "$long")
status=$?
expect_status 0; expect_file "$long"
(cd "$dir" && "$prog" -i log -d . >/dev/full 2>err)
status=$?
expect_status 1
grep -q "cannot write to standard output: No space left on device" "$dir/err" ||
  fail "$(cat "$dir/err")"
(cd "$dir" && "$prog" -i - -o stdin.txt <&- 2>err)
status=$?
expect_status 1
[ "$(cat "$dir/err")" = "vexlane-stats: cannot read the log standard input: it is closed" ] ||
  fail "$(cat "$dir/err")"
finish

begin control_characters_never_reach_the_terminal
printf '[20:00:00] <Ann> http://x/A\x1b]0;pwned\x07.lev\n[20:01:00] <B\x1b[2Jb> 1:00,00\n[20:01:30] <Cal> \x9b31m 59,00\n[20:02:00] <Ann> stop\n' >"$dir/log"
(cd "$dir" && "$prog" -q -i log --explain -l $'A\x1b' -o r.txt 2>err)
(cd "$dir" && "$prog" -q -i log --explain -o r2.txt 2>>err)
[ -s "$dir/err" ] || fail "no explanation"
! grep -q -P '[\x00-\x08\x0b-\x1f\x7f]' "$dir/err" || fail "a control character reached standard error"
grep -q -F '\x1b[2J' "$dir/err" || fail "the escape is not shown"
(cd "$dir" && "$prog" -q -i log -f web -o page.html && "$prog" -q -i log -f csv -o r.csv)
! grep -q -P '[\x00-\x08\x0b\x0c\x0e-\x1f\x7f]|\xc2[\x80-\x9f]' "$dir/page.html" "$dir/r.csv" ||
  fail "a control character in an output"
finish

begin sighup_leaves_nothing
"$make_input" battles 100000 "$dir/log"
(cd "$dir" && exec "$prog" -q -i log </dev/null 2>/dev/null) &
sleep 0.05; kill -HUP $! 2>/dev/null; wait $! 2>/dev/null; status=$?
[ "$status" = 129 ] || [ "$status" = 0 ] || fail "exit status $status"
[ -z "$(ls -A "$dir" | grep vexlane-tmp)" ] || fail "a temporary file was left"
finish

# Memory holds one copy of the longest line and little else: at most the
# line plus 32 MiB, read from a pipe and from a gzip bomb.
begin memory_of_a_512_mib_line
kib=$(peak_kib "'$make_input' longline 512 /dev/stdout | '$prog' -q -i - -o '$dir/r.txt'")
if [ -z "$kib" ]; then
  skip "a sanitizer build"
else
  [ "$kib" -le $(((512 + 32) * 1024)) ] || fail "peak $kib KiB"
  head -c 512M /dev/zero | gzip -1 >"$dir/bomb.gz"
  kib=$(peak_kib "'$prog' -q -i '$dir/bomb.gz' -o '$dir/r2.txt'")
  [ "$kib" -le $(((512 + 32) * 1024)) ] || fail "gzip bomb: peak $kib KiB"
  finish
fi

# --- Interrupted runs --------------------------------------------------

# The report of a large log takes a while to write: kill runs at random
# moments. SIGKILL may leave a temporary file but never a partial report;
# SIGINT and SIGTERM leave nothing but a complete report, if the run got
# that far, and end with 128 + the signal.
interrupted() {  # interrupted SIGNAL: 20 runs killed at random moments
  local signal=$1 i start end ms wait_ms left
  "$make_input" battles 100000 "$dir/log"
  mkdir -p "$dir/ref"
  start=$(date +%s%N)
  (cd "$dir/ref" && timeout 300 "$prog" -q -i ../log)
  end=$(date +%s%N)
  ms=$(((end - start) / 1000000 + 1))
  for ((i = 1; i <= 20; i++)); do
    mkdir -p "$dir/run$i"
    (cd "$dir/run$i" && exec "$prog" -q -i ../log 2>/dev/null) &
    wait_ms=$((RANDOM % ms))
    sleep "$((wait_ms / 1000)).$(printf '%03d' $((wait_ms % 1000)))"
    kill "-$signal" $! 2>/dev/null
    wait $! 2>/dev/null
    status=$?
    if [ -e "$dir/run$i/Battle01.txt" ]; then
      cmp -s "$dir/ref/Battle01.txt" "$dir/run$i/Battle01.txt" ||
        fail "run $i: a partial or different report"
    fi
    left=$(ls -A "$dir/run$i" | grep -v '^Battle01.txt$' | grep -v vexlane-tmp)
    [ -z "$left" ] || fail "run $i: left $left"
    if [ "$signal" != KILL ]; then
      [ -z "$(ls -A "$dir/run$i" | grep vexlane-tmp)" ] ||
        fail "run $i: a temporary file was left"
      # 0: the report was published before the signal; 130: no report.
      if [ -e "$dir/run$i/Battle01.txt" ]; then
        [ "$status" = 0 ] || fail "run $i: a report, and exit status $status"
      else
        [ "$status" = 130 ] || fail "run $i: no report, and exit status $status"
      fi
    fi
  done
}

begin sigkill_at_20_random_moments
interrupted KILL
finish

begin sigint_at_20_random_moments
interrupted INT
finish

begin sigterm_ends_with_143
"$make_input" battles 100000 "$dir/log"
(cd "$dir" && exec "$prog" -q -i log </dev/null 2>/dev/null) &
sleep 0.05; kill -TERM $! 2>/dev/null; wait $! 2>/dev/null; status=$?
[ "$status" = 143 ] || fail "exit status $status"
[ -z "$(ls -A "$dir" | grep -v '^log$')" ] || fail "left $(ls -A "$dir")"
finish

begin out_of_memory
if ! (ulimit -v 30000 && "$prog" --version) >/dev/null 2>&1; then
  skip "the program cannot start under a 30 MB limit (a sanitizer build)"
else
  "$make_input" players 200000 "$dir/log"
  (cd "$dir" && ulimit -v 30000 && timeout 300 "$prog" -i log >out 2>&1)
  status=$?
  expect_status 1; expect_said "vexlane-stats: out of memory; no report was written"
  expect_no_file Battle01.txt
  [ -z "$(ls -A "$dir" | grep vexlane-tmp)" ] || fail "a temporary file was left"
  finish
fi

echo
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
