#!/usr/bin/env bash
# The static site as a user meets it: written whole, replaced only with
# --force and only when this program made it, never through a link or over
# a log, readable at every moment of a rebuild, whole after a kill, and no
# page over 2 MB however large the log.
#
#   site_test.sh PROGRAM SAMPLE_LOG
set -u
prog=$1 sample=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-site-XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=1110013500 TZ=UTC  # the same pages from the same log
failed=0
fail() { echo "FAIL: $*"; failed=1; }
tree() { (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) | md5sum; }

# A log of `battles` battles of `players` each, on `levels` levels.
make_log() {  # make_log FILE BATTLES PLAYERS LEVELS
  python3 - "$@" <<'PY'
import sys
path, battles, players, levels = sys.argv[1], *map(int, sys.argv[2:])
with open(path, "w") as f:
    for b in range(battles):
        f.write(f"[20:00] <Ann> http://x.example/L{b % levels}.lev\n")
        for p in range(players):
            f.write(f"[20:01] <P{p}x> {1 + (b + p) % 9}:{(p * 7) % 60:02d},{b % 100:02d}\n")
        f.write("[20:02] <Ann> stop\n")
PY
}

site=$work/site
"$prog" -q -f site -o "$site" -i "$sample" || fail "first site"
[ -f "$site/index.html" ] && [ -f "$site/.vexlane-site" ] || fail "index or mark missing"
before=$(tree "$site")

# Refused: an existing site without --force, a directory this program did
# not make, a link to a site, a site holding the log, and no -o or -o -.
"$prog" -q -f site -o "$site" -i "$sample" 2>"$work/err" && fail "replaced without --force"
grep -q "exists" "$work/err" || fail "no word of the existing site: $(cat "$work/err")"
mkdir "$work/mine" && echo keep >"$work/mine/notes.txt"
"$prog" -q -f site --force -o "$work/mine" -i "$sample" 2>"$work/err" &&
  fail "replaced a directory it did not make"
grep -q "not a site made by this program" "$work/err" || fail "why not: $(cat "$work/err")"
[ "$(cat "$work/mine/notes.txt")" = keep ] || fail "the user's directory changed"
ln -s "$site" "$work/link"
"$prog" -q -f site --force -o "$work/link" -i "$sample" 2>/dev/null &&
  fail "replaced through a symbolic link"
cp "$sample" "$site/battle.log" && before=$(tree "$site")
"$prog" -q -f site --force -o "$site" -i "$site/battle.log" 2>"$work/err" &&
  fail "replaced a site holding its log"
grep -q "battle.log" "$work/err" || fail "why not: $(cat "$work/err")"
rm "$site/battle.log"
# A file somebody put in the site is never removed: the site is then not
# replaced. Nor goes the explanation into the site, or the site over the
# working directory.
echo "keep" >"$site/notes.txt"
"$prog" -q -f site --force -o "$site" -i "$sample" 2>"$work/err" &&
  fail "replaced a site holding a file of the user's"
grep -q "notes.txt" "$work/err" || fail "why not: $(cat "$work/err")"
[ "$(cat "$site/notes.txt")" = keep ] || fail "the user's file changed"
rm "$site/notes.txt"
"$prog" -q -f site --force -o "$site" --explain="$site/why.txt" -i "$sample" 2>/dev/null &&
  fail "wrote the explanation into the site"
(cd "$site" && "$prog" -q -f site --force -o . -i "$sample" 2>/dev/null) &&
  fail "replaced the working directory"
"$prog" -q -f site -o "$work/fresh/" -i "$sample" && [ -f "$work/fresh/index.html" ] ||
  fail "a new directory named with a trailing slash"
# Runs that race for a new directory: with --force every one succeeds.
for i in 1 2 3 4 5 6; do
  "$prog" -q -f site --force -o "$work/raced" -i "$sample" 2>>"$work/raced.err" &
done
wait
[ -s "$work/raced.err" ] && fail "racing runs failed: $(cat "$work/raced.err")"
"$prog" -q -f site -i "$sample"; [ $? = 2 ] || fail "-f site without -o is no usage error"
"$prog" -q -f site -o - -i "$sample"; [ $? = 2 ] || fail "-f site -o - is no usage error"
"$prog" -q -f site -o "$site/" --force -i "$sample" || fail "--force over its own site"
ls -A "$work" | grep -q '^\.vexlane' && fail "a temporary directory was left: $(ls -A "$work")"

# A reader of index.html during rebuilds always finds a whole page.
make_log "$work/big.log" 3000 8 400
"$prog" -q -f site --force -o "$site" -i "$work/big.log" || fail "big site"
(
  bad=0
  while [ ! -f "$work/stop" ]; do
    page=$(cat "$site/index.html" 2>/dev/null) || { bad=$((bad + 1)); continue; }
    case $page in *"</html>") ;; *) bad=$((bad + 1)) ;; esac
  done
  echo "$bad" >"$work/bad"
) &
for i in 1 2 3 4 5 6; do
  log=$sample; [ $((i % 2)) = 0 ] && log=$work/big.log
  "$prog" -q -f site --force -o "$site" -i "$log" || fail "rebuild $i"
done
touch "$work/stop"; wait
[ "$(cat "$work/bad")" = 0 ] || fail "$(cat "$work/bad") reads of index.html found no whole page"

# Killed at any moment, a rebuild leaves a whole site: the old one or the
# new one.
"$prog" -q -f site --force -o "$site" -i "$sample"
old=$(tree "$site")
make_log "$work/bigger.log" 15000 8 2000
"$prog" -q -f site -o "$work/new" -i "$work/bigger.log"
new=$(tree "$work/new")
for delay in 0.02 0.05 0.1 0.2 0.3 0.5 0.8; do
  "$prog" -q -f site --force -o "$site" -i "$work/bigger.log" &
  sleep "$delay"; kill -9 $! 2>/dev/null; wait $! 2>/dev/null
  now=$(tree "$site")
  [ "$now" = "$old" ] || [ "$now" = "$new" ] || fail "after a kill at ${delay}s the site is neither"
  "$prog" -q -f site --force -o "$site" -i "$sample"
done

# Stopped by a signal at any moment, a rebuild leaves a whole site and no
# temporary directory: the signal waits while the site is written and
# swapped, whichever thread of the run it reaches.
rm -rf "$work"/.vexlane-site-*
for delay in 0.02 0.05 0.1 0.2 0.3 0.5 0.8; do
  for signal in TERM INT; do
    "$prog" -q -f site --force -o "$site" -i "$work/bigger.log" &
    sleep "$delay"; kill -"$signal" $! 2>/dev/null; wait $!
    status=$?
    now=$(tree "$site")
    case "$status" in
      0) [ "$now" = "$new" ] || fail "$signal at ${delay}s: status 0 without the new site" ;;
      130|143) [ "$now" = "$old" ] || [ "$now" = "$new" ] || fail "$signal at ${delay}s: the site is neither" ;;
      *) fail "$signal at ${delay}s: status $status" ;;
    esac
    left=$(find "$work" -maxdepth 1 -name '.vexlane-site-*')
    [ -z "$left" ] || fail "$signal at ${delay}s left $left"
    rm -rf "$work"/.vexlane-site-*
    "$prog" -q -f site --force -o "$site" -i "$sample"
  done
done

# However large the log, no page is over 2 MB.
make_log "$work/crowd.log" 3 30000 2
make_log "$work/levels.log" 2500 2 2500
for log in crowd levels; do
  "$prog" -q -f site -o "$work/$log" -i "$work/$log.log" || fail "$log site"
  large=$(find "$work/$log" -type f -size +2M)
  [ -z "$large" ] || fail "$log: pages over 2 MB: $large"
done

[ "$failed" = 0 ] && echo "site: passed"
exit "$failed"
