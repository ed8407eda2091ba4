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

# begin NAME starts a case in its own directory $dir; it passes unless fail
# is called before the next begin.
cases=0 failed=0 skipped=0
begin() { name=$1; ok=1; dir="$work/$1"; mkdir -p "$dir"; cases=$((cases + 1)); }
fail() { echo "FAIL: $name: $*"; [ "$ok" = 0 ] || failed=$((failed + 1)); ok=0; }
skip() { echo "SKIP: $name: $*"; skipped=$((skipped + 1)); }

# run ANSWERS [REDIRECTS...]: runs the program in $dir with ANSWERS (printf
# escapes, or - for a $dir/in already written) on standard input; the
# console goes to $dir/out.
run() {
  [ "$1" = - ] || printf "$1" >"$dir/in"
  shift
  (cd "$dir" && eval "timeout 300 \"$prog\" <in >out 2>&1 $*")
  status=$?
}
# cli ARGS...: a command-line run in $dir; redirections name files from here.
cli() { (cd "$dir" && "$prog" "$@"); status=$?; return "$status"; }
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
expect_no_temp() { ! ls -A "${1:-$dir}" | grep -q vexlane-tmp || fail "a temporary file was left in ${1:-$dir}"; }

# --- Logs --------------------------------------------------------------

no_battle() {  # a log without a single battle: no report, and no complaint
  run "$(answers log)"
  expect_status 0; expect_not_said "Writing to file"; expect_no_file Battle01.txt
}
begin empty_log; : >"$dir/log"; no_battle
begin only_line_ends; printf '\n\r\n\n\n' >"$dir/log"; no_battle
begin line_of_64_mib_without_line_end; "$make_input" longline 64 "$dir/log"; no_battle

begin crlf_log_gives_the_same_report
cp "$golden" "$dir/log"
run "$(answers log)"
mv "$dir/Battle01.txt" "$dir/unix.txt"
sed 's/$/\r/' "$golden" >"$dir/log"
run "$(answers log)"
cmp -s "$dir/unix.txt" "$dir/Battle01.txt" || fail "reports differ"

# NUL bytes in nicks, times and words, then a battle in Latin-1 and bytes of
# no encoding at all: both battles are counted.
begin nul_and_high_bytes
{ printf '[20:00:00] <Ann> http://x/A.lev\n[20:01:00] <B\0b> 1:00,00\n\0\0\0\n[20:01:30] <Cal> 59,00\0\n[20:02:00] <Ann> st\0op stop\n'
  printf '[20:03:00] <\xc4nn\xe9> http://x/\xe9t\xe9.lev\n[20:04:00] <B\xf6b> 1:00,00\n[20:04:30] <\xff\x80> 59,00\n[20:05:00] <\xc4nn\xe9> stop\n'
} >"$dir/log"
run "$(answers log)"
expect_status 0; expect_said "Adding event 1: A by Ann..."; expect_said "Adding event 2: "; expect_report

begin random_10_mib
"$make_input" random 10 "$dir/log"
run "$(answers log)"
expect_status 0

# Large logs: every battle, player and time post counted (posts: the last
# of each of the 37 nicks).
for big in "battles 100000 Total 100000 200000" "players 10000 Crowd 1 10000" "posts 1000 Busy 1 37"; do
  read -r kind n level events players <<<"$big"
  begin "${kind}_$n"
  "$make_input" "$kind" "$n" "$dir/log"
  run "$(answers log)"
  expect_status 0; expect_report
  grep -q -F "$(index_row "$level" "$events" "$players ")" "$dir/Battle01.txt" || fail "index row of $level"
  case $kind in
    battles) expect_said "Adding event 100000: L99999 by Ann..." ;;
    players) grep -q "^ 10000\. " "$dir/Battle01.txt" || fail "10000th overall row" ;;
  esac
done

# A directory, a missing file and one without read permission.
begin unreadable_logs
mkdir "$dir/logdir"; cp "$golden" "$dir/locked"; chmod 000 "$dir/locked"
for log in logdir nothere.log locked; do
  if [ "$log" = locked ] && [ "$(id -u)" = 0 ]; then echo "SKIP: $name: $log: root can read any file"; continue; fi
  run "$(answers "$log")"
  expect_status 1; expect_said "Can't read file \"$log\"."
  expect_said_times "Press any key to continue . . . " 1
done

# --- Console input -----------------------------------------------------

# Input that ends after K answers (after none: closed from the start).
for k in 0 1 2 3 4 5; do
  begin "input_ends_after_${k}_answers"
  cp "$golden" "$dir/#battle.log"
  printf '7\n#battle.log\n1\n2\nPipe\n\n' | head -n "$k" >"$dir/in"
  run - "$( ((k)) || echo '<&-')"
  expect_status 0; expect_report
  ((k)) || expect_said "Please wait, generating file..."
done

begin junk_input
cp "$golden" "$dir/#battle.log"
"$make_input" random 1 "$dir/in"
run -
[ "$status" = 0 ] || [ "$status" = 1 ] || fail "exit status $status"

begin ten_thousand_invalid_extra_points
cp "$golden" "$dir/log"
{ yes no | head -n 10000; printf '1\nlog\n1\n1\n\n\n'; } >"$dir/in"
run -
expect_status 0; expect_report
expect_said_times "Give the extra points you want to give to winner (default 1): " 10001
grep -q "^ 1\.    Bob               0:58,00                  3$" "$dir/Battle01.txt" ||
  fail "winner with one extra point"

begin crlf_answers
cp "$golden" "$dir/log"
run '5\r\nlog\r\n2\r\nPipe\r\n\r\n\r\n\r\n'
expect_status 0; expect_said "Creating html file..."; expect_file Battle01.html
grep -q "<td>7$" "$dir/Battle01.html" || fail "winner with 5 extra points"

# --- Output ------------------------------------------------------------

begin working_directory_removed
cp "$golden" "$dir/log.txt"
mkdir "$dir/gone"
(cd "$dir/gone" && rmdir "$dir/gone" && printf '\n../log.txt\n1\n1\n\n\n' |
  timeout 300 "$prog" >"$dir/out" 2>&1)
status=$?
expect_status 0; expect_said "Output file couldn't be made. "
expect_said_times "Press any key to continue . . . " 1

begin all_99_reports_taken
cp "$golden" "$dir/log"
for ((n = 1; n <= 99; n++)); do printf 'old %d' "$n" >"$dir/$(printf 'Battle%02d.txt' "$n")"; done
run "$(answers log)"
expect_status 0; expect_said "Output file couldn't be made. "
[ "$(cat "$dir/Battle42.txt")" = "old 42" ] || fail "Battle42.txt changed"

begin existing_report_keeps_its_bytes
cp "$golden" "$dir/log"
printf 'precious\n' >"$dir/Battle01.txt"
run "$(answers log)"
expect_status 0; expect_said "Output file Battle02.txt was made successfully. "
[ "$(cat "$dir/Battle01.txt")" = "precious" ] || fail "Battle01.txt changed"

begin dangling_symlink_is_never_followed
cp "$golden" "$dir/log"
ln -s "$dir/target.txt" "$dir/Battle01.txt"
run "$(answers log)"
expect_status 0; expect_said "Output file couldn't be made. "
[ -L "$dir/Battle01.txt" ] || fail "the link was replaced"
[ ! -e "$dir/target.txt" ] || fail "the link was followed"

begin file_size_limit
cp "$golden" "$dir/log"
printf "$(answers log)" >"$dir/in"
# Only the program runs under the limit; its console goes through a pipe.
(cd "$dir" && ulimit -f 1 && timeout 300 "$prog" <in 2>&1) | cat >"$dir/out"
status=${PIPESTATUS[0]}
expect_status 0; expect_said "Output file couldn't be made. "; expect_no_file Battle01.txt
expect_no_temp

# Standard output closed, full, or read by one that goes away: the report
# is made all the same, and never gets the console's text.
for to in 'closed:>&-' 'full:>/dev/full 2>&1' 'reader_gone:> >(head -c 1 >/dev/null)'; do
  begin "stdout_${to%%:*}"
  cp "$golden" "$dir/log"
  run "$(answers log)" "${to#*:}"
  expect_status 0; expect_report
  ! grep -q "Press any key" "$dir/Battle01.txt" || fail "console text went into the report"
done

# --- Command-line runs: logs read once, files never lost ---------------

# Peak memory of a command in KiB, from the kernel's account of the
# children; empty in a sanitizer build, whose memory says nothing.
peak_kib() {
  ldd "$prog" 2>/dev/null | grep -q -E 'lib[at]san' && return 0
  python3 -c 'import resource, subprocess, sys
subprocess.run(["bash", "-c", sys.argv[1]])
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$1"
}

# A pipe, /dev/stdin, a process substitution and a FIFO give the report of
# the file, whole and level by level (back to an earlier level).
begin pipes_and_fifos_are_read_whole
"$make_input" battles 3000 "$dir/log"
mkfifo "$dir/fifo"
for levels in "" "-l L7 -l L2999 -l L7"; do
  rm -f "$dir/ref.txt"
  cli -q -i log $levels -o ref.txt
  for input in - /dev/stdin '<(cat log)' fifo; do
    rm -f "$dir/r.txt"
    [ "$input" != fifo ] || (cat "$dir/log" >"$dir/fifo" &)
    (cd "$dir" && eval "cat log | timeout 60 \"\$prog\" -q -i $input $levels -o r.txt")
    status=$?
    expect_status 0
    cmp -s "$dir/ref.txt" "$dir/r.txt" || fail "-i $input $levels: lines lost"
  done
done

begin twenty_runs_at_once_and_a_dangling_name
cp "$golden" "$dir/log"
mkdir "$dir/out1" "$dir/out2"
for ((i = 0; i < 20; i++)); do cli -q -i log -d out1 2>>"$dir/errors" & done
wait
[ "$(ls "$dir/out1" | grep -c '^Battle[0-9][0-9]\.txt$')" = 20 ] ||
  fail "$(ls "$dir/out1" | wc -l) reports of 20: $(cat "$dir/errors")"
ln -s "$dir/nowhere" "$dir/out2/Battle01.txt"
cli -i log -d out2 >"$dir/printed" 2>/dev/null
[ "$(cat "$dir/printed")" = out2/Battle02.txt ] || fail "printed $(cat "$dir/printed")"
[ ! -e "$dir/nowhere" ] || fail "the dangling link was followed"

begin inputs_and_links_are_never_written
cp "$golden" "$dir/log"
cp "$golden" "$dir/keep"
ln "$dir/log" "$dir/hardlink"
ln -s "$dir/secret" "$dir/trace"
for args in "-i log --explain=log" "-i log -o log --force" "-i log -o hardlink --force" \
            "-i log --explain=hardlink --force -o r1.txt" "-i - -o log --force" \
            "-i log --explain=trace" "-i log --explain=trace --force -o r2.txt"; do
  cli $args <"$dir/log" >/dev/null 2>>"$dir/err"
  expect_status 1
  cmp -s "$dir/log" "$dir/keep" || fail "$args changed the log"
done
grep -q -F "cannot write the report to 'log': it is the log read on standard input, which is never replaced" "$dir/err" ||
  fail "no reason given: $(cat "$dir/err")"
grep -q -F "cannot write the explanation to 'hardlink': it is the log 'log', which is never replaced" "$dir/err" ||
  fail "no reason given: $(cat "$dir/err")"
[ ! -e "$dir/secret" ] || fail "the explanation went through a link"
[ -L "$dir/trace" ] || fail "the link was replaced"
expect_no_temp

begin force_keeps_mode_and_owner
cp "$golden" "$dir/log"
printf 'old\n' >"$dir/r.txt"
chmod 640 "$dir/r.txt"
owner=$(id -u)
if [ "$owner" = 0 ]; then chown nobody "$dir/r.txt"; owner=$(id -u nobody); fi
cli -q -i log -o r.txt --force
expect_status 0
[ "$(stat -c %a "$dir/r.txt")" = 640 ] || fail "mode $(stat -c %a "$dir/r.txt")"
[ "$(stat -c %u "$dir/r.txt")" = "$owner" ] || fail "owner $(stat -c %u "$dir/r.txt")"
grep -q "This file was made by" "$dir/r.txt" || fail "not replaced"

begin long_names_and_lost_output
cp "$golden" "$dir/log"
long=$(printf 'r%.0s' $(seq 236)).txt
cli -q -i log -o "$long"
expect_status 0; expect_file "$long"
cli -i log -d . >/dev/full 2>"$dir/err"
expect_status 1
grep -q "cannot write to standard output: No space left on device" "$dir/err" ||
  fail "$(cat "$dir/err")"
cli -i - -o stdin.txt <&- 2>"$dir/err"
expect_status 1
[ "$(cat "$dir/err")" = "vexlane-stats: cannot read the log standard input: it is closed" ] ||
  fail "$(cat "$dir/err")"

begin control_characters_never_reach_the_terminal
printf '[20:00:00] <Ann> http://x/A\x1b]0;pwned\x07.lev\n[20:01:00] <B\x1b[2Jb> 1:00,00\n[20:01:30] <Cal> \x9b31m 59,00\n[20:02:00] <Ann> stop\n' >"$dir/log"
cli -q -i log --explain -l $'A\x1b' -o r.txt 2>"$dir/err"
cli -q -i log --explain -o r2.txt 2>>"$dir/err"
[ -s "$dir/err" ] || fail "no explanation"
! grep -q -P '[\x00-\x08\x0b-\x1f\x7f]' "$dir/err" || fail "a control character reached standard error"
grep -q -F '\x1b[2J' "$dir/err" || fail "the escape is not shown"
cli -q -i log -f web -o page.html; cli -q -i log -f csv -o r.csv
! grep -q -P '[\x00-\x08\x0b\x0c\x0e-\x1f\x7f]|\xc2[\x80-\x9f]' "$dir/page.html" "$dir/r.csv" ||
  fail "a control character in an output"

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
fi

begin out_of_memory
if ! (ulimit -v 30000 && "$prog" --version) >/dev/null 2>&1; then
  skip "the program cannot start under a 30 MB limit (a sanitizer build)"
else
  "$make_input" players 200000 "$dir/log"
  (cd "$dir" && ulimit -v 30000 && timeout 300 "$prog" -i log >out 2>&1)
  status=$?
  expect_status 1
  expect_said "vexlane-stats: out of memory while reading the logs; no report was written"
  expect_no_file Battle01.txt
  expect_no_temp
  # Under limits that run out in each stage of each output, whichever
  # thread meets it: status 1 and the stage named, or the whole output.
  "$make_input" battles 20000 "$dir/battles.log"
  for kib in 40000 80000 150000 250000; do
    for format in json web site; do
      rm -rf "$dir/out.$format" "$dir"/.vexlane*
      (cd "$dir" && ulimit -v "$kib" &&
        timeout 300 "$prog" -q -f "$format" -o "out.$format" -i battles.log >out 2>&1)
      status=$?
      case $status in
        0) [ -e "$dir/out.$format" ] || fail "$format at $kib KiB: status 0, no output" ;;
        1) grep -a -q -E "out of memory while (reading the logs|rating the battles|gathering the records and histories|rendering the (report|site))" "$dir/out" ||
             fail "$format at $kib KiB: $(head -c 300 "$dir/out")"
           [ ! -e "$dir/out.$format" ] || fail "$format at $kib KiB: an output after a failure" ;;
        *) fail "$format at $kib KiB: status $status" ;;
      esac
      [ -z "$(ls -A "$dir" | grep vexlane)" ] || fail "$format at $kib KiB left $(ls -A "$dir" | grep vexlane)"
    done
  done
fi

# --- Interrupted runs --------------------------------------------------

# The report of a large log takes a while to write: 20 runs of each signal
# at random moments. SIGKILL may leave a temporary file but never a partial
# report; SIGINT, SIGTERM and SIGHUP leave nothing but a complete report,
# if the run got that far, and end with 0 then, or else 128 + the signal.
"$make_input" battles 100000 "$work/battles.log"
for signal in KILL INT TERM HUP; do
  begin "sig${signal,,}_at_20_random_moments"
  mkdir -p "$dir/ref"
  start=$(date +%s%N)
  (cd "$dir/ref" && timeout 300 "$prog" -q -i "$work/battles.log")
  ms=$((($(date +%s%N) - start) / 1000000 + 1))
  for ((i = 1; i <= 20; i++)); do
    run_dir="$dir/run$i"
    mkdir -p "$run_dir"
    (cd "$run_dir" && exec "$prog" -q -i "$work/battles.log" 2>/dev/null) &
    wait_ms=$((RANDOM % ms))
    sleep "$((wait_ms / 1000)).$(printf '%03d' $((wait_ms % 1000)))"
    kill "-$signal" $! 2>/dev/null
    wait $! 2>/dev/null
    status=$?
    if [ -e "$run_dir/Battle01.txt" ]; then
      cmp -s "$dir/ref/Battle01.txt" "$run_dir/Battle01.txt" || fail "run $i: a partial or different report"
    fi
    left=$(ls -A "$run_dir" | grep -v '^Battle01.txt$' | grep -v vexlane-tmp)
    [ -z "$left" ] || fail "run $i: left $left"
    [ "$signal" != KILL ] || continue
    expect_no_temp "$run_dir"
    if [ -e "$run_dir/Battle01.txt" ]; then
      [ "$status" = 0 ] || fail "run $i: a report, and exit status $status"
    else
      [ "$status" = $((128 + $(kill -l "$signal"))) ] || fail "run $i: no report, and exit status $status"
    fi
  done
done

echo
echo "$((cases - failed - skipped)) passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
