#!/usr/bin/env bash
# The static site as a user meets it: written whole, replaced only with
# --force and only when this program made it, never through a link or over
# a log, keeping the files somebody else put into it, readable at every
# moment of a rebuild, whole after a kill (whose leftovers the next run
# removes), and no page over 2 MB however large the log.
#
#   site_test.sh PROGRAM SAMPLE_LOG
set -u
prog=$1 sample=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-site-XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=1110013500 TZ=UTC  # the same pages from the same log
failed=0
fail() { echo "FAIL: $*"; failed=1; }
# The pages of a site, as one checksum (the mark names the site: left out).
tree() { (cd "$1" && find . -type f ! -path ./.vexlane-site -print0 | LC_ALL=C sort -z | xargs -0 md5sum) | md5sum; }

# make_log FILE BATTLES PLAYERS LEVELS: BATTLES battles of PLAYERS each.
make_log() {
  awk -v battles="$2" -v players="$3" -v levels="$4" 'BEGIN {
    for (b = 0; b < battles; b++) {
      printf "[20:00] <Ann> http://x.example/L%d.lev\n", b % levels
      for (p = 0; p < players; p++)
        printf "[20:01] <P%dx> %d:%02d,%02d\n", p, 1 + (b + p) % 9, (p * 7) % 60, b % 100
      print "[20:02] <Ann> stop"
    } }' >"$1"
}

# The hidden directories beside the sites but the one a run keeps for each
# site to build the next from: its older version, finished, holding only
# pages and its mark.
stray() {
  local d name sites=" "
  for d in "$work"/.vexlane-site-*; do
    [ -e "$d" ] || continue
    name=$(sed -n 's/^site //p' "$d/.vexlane-site" 2>/dev/null)
    if [ -z "$name" ] || grep -qx '(unfinished)' "$d/.vexlane-site" ||
      [[ "$sites" == *" $name "* ]]; then
      echo "$d"
      continue
    fi
    sites+="$name "
    find "$d" -type f ! -name '*.html' ! -name .vexlane-site
  done
}

site=$work/site
"$prog" -q -f site -o "$site" -i "$sample" || fail "first site"
[ -f "$site/index.html" ] && [ -f "$site/.vexlane-site" ] || fail "index or mark missing"
before=$(tree "$site")

# refused WHY WORD ARGS...: the run is refused and its message says WORD.
# Refused: an existing site without --force, a directory this program did
# not make, a link to a site, a site holding the log, the explanation
# inside the site, the working directory, and no -o or -o -.
refused() {
  local why=$1 word=$2; shift 2
  "$prog" -q -f site "$@" 2>"$work/err" && fail "not refused: $why"
  grep -q "$word" "$work/err" || fail "$why: no '$word' in: $(cat "$work/err")"
}
refused "a site without --force" "exists" -o "$site" -i "$sample"
mkdir "$work/mine" && echo keep >"$work/mine/notes.txt"
refused "a directory it did not make" "not a site made" --force -o "$work/mine" -i "$sample"
[ "$(cat "$work/mine/notes.txt")" = keep ] || fail "the user's directory changed"
ln -s "$site" "$work/link"
refused "a symbolic link" "symbolic link" --force -o "$work/link" -i "$sample"
cp "$sample" "$site/battle.log"
refused "a site holding its log" "battle.log" --force -o "$site" -i "$site/battle.log"
rm "$site/battle.log"
# A file, a folder and a link somebody put into the site stay in it.
echo keep >"$site/notes.txt" && mkdir -p "$site/empty" "$site/players/own" &&
  ln -s index.html "$site/home.html"
"$prog" -q -f site --force -o "$site" -i "$sample" || fail "a site holding a file of the user's"
[ "$(cat "$site/notes.txt")" = keep ] && [ -d "$site/empty" ] && [ -d "$site/players/own" ] &&
  [ "$(readlink "$site/home.html")" = index.html ] || fail "the user's files were not kept"
inode=$(stat -c %i "$site/index.html")
"$prog" -q -f site --force -o "$site" -i "$sample" || fail "the same site again"
[ "$(stat -c %i "$site/index.html")" = "$inode" ] || fail "an unchanged page was written again"
rm -r "$site/notes.txt" "$site/empty" "$site/players/own" "$site/home.html"
refused "the explanation in the site" "inside the site" --force -o "$site" --explain="$site/why.txt" -i "$sample"
(cd "$site" && refused "the working directory" "working directory" \
  --force -o . -i "$sample"; exit "$failed") || failed=1
[ "$(tree "$site")" = "$before" ] || fail "a refused run changed the site"
"$prog" -q -f site -o "$work/fresh/" -i "$sample" && [ -f "$work/fresh/index.html" ] ||
  fail "a new directory named with a trailing slash"
# Runs that race for a new directory: with --force every one succeeds.
for _ in 1 2 3 4 5 6; do
  "$prog" -q -f site --force -o "$work/raced" -i "$sample" 2>>"$work/raced.err" &
done
wait
[ -s "$work/raced.err" ] && fail "racing runs failed: $(cat "$work/raced.err")"
"$prog" -q -f site -i "$sample"; [ $? = 2 ] || fail "-f site without -o is no usage error"
"$prog" -q -f site -o - -i "$sample"; [ $? = 2 ] || fail "-f site -o - is no usage error"
"$prog" -q -f site -o "$site/" --force -i "$sample" || fail "--force over its own site"
[ -z "$(stray)" ] || fail "a temporary directory was left: $(stray)"

# A reader of index.html during rebuilds always finds a whole page.
make_log "$work/big.log" 3000 8 400
"$prog" -q -f site --force -o "$site" -i "$work/big.log" || fail "big site"
while [ ! -f "$work/stop" ]; do  # a line in bad for each read of no whole page
  case $(cat "$site/index.html" 2>/dev/null) in *"</html>") ;; *) echo >>"$work/bad" ;; esac
done &
for log in "$sample" "$work/big.log" "$sample" "$work/big.log" "$sample" "$work/big.log"; do
  "$prog" -q -f site --force -o "$site" -i "$log" || fail "rebuild from $log"
done
touch "$work/stop"; wait
[ ! -s "$work/bad" ] || fail "$(wc -l <"$work/bad") reads of index.html found no whole page"
# Files made in the site while it is rebuilt are all kept.
rm -f "$work/stop"
(n=0; while [ ! -f "$work/stop" ]; do n=$((n + 1)); echo "$n" >"$site/made-$n.txt" 2>/dev/null || true
  echo "$n" >"$work/made-count"; done) &
for log in "$sample" "$work/big.log" "$sample"; do
  "$prog" -q -f site --force -o "$site" -i "$log" || fail "rebuild while files are made"
done
touch "$work/stop"; wait
made=$(cat "$work/made-count")
kept=$(find "$site" "$work"/.vexlane-site-* -maxdepth 1 -name 'made-*.txt' 2>/dev/null | wc -l)
[ "$kept" -ge "$made" ] || fail "$((made - kept)) of $made files made during rebuilds were lost"
rm -f "$site"/made-*.txt

# Killed or stopped by a signal at any moment, a rebuild leaves a whole
# site, the old one or the new one. A signal it can catch ends the run
# within a second, whichever thread of the run it reaches, and leaves no
# temporary directory; what a kill leaves, the next run removes.
"$prog" -q -f site --force -o "$site" -i "$sample"
old=$(tree "$site")
# A stop takes milliseconds; the bound leaves room for a busy machine, and
# more for a sanitizer build (which cannot start under a small memory limit).
limit_ms=2000
(ulimit -v 60000 && "$prog" --version) >/dev/null 2>&1 || limit_ms=8000
make_log "$work/bigger.log" 15000 8 2000
"$prog" -q -f site -o "$work/new" -i "$work/bigger.log"
new=$(tree "$work/new")
for delay in 0.02 0.05 0.1 0.2 0.3 0.5 0.8; do
  for signal in KILL TERM INT; do
    "$prog" -q -f site --force -o "$site" -i "$work/bigger.log" &
    # Counted from when the run catches signals: before its main (a
    # sanitizer's start takes a while) a signal is not yet its to catch.
    for _ in $(seq 500); do
      caught=$(awk '/^SigCgt/ { print $2 }' "/proc/$!/status" 2>/dev/null)
      [ -z "$caught" ] || (( 16#$caught & 2 )) && break
      sleep 0.01
    done
    sleep "$delay"; sent=$(date +%s%N); kill -"$signal" $! 2>/dev/null; wait $! 2>/dev/null
    status=$? took=$((($(date +%s%N) - sent) / 1000000)) now=$(tree "$site")
    [ "$signal" = KILL ] || [ "$took" -lt "$limit_ms" ] ||
      fail "$signal at ${delay}s: the run took ${took} ms to end"
    case $status in
      0) [ "$now" = "$new" ] || fail "$signal at ${delay}s: status 0 without the new site" ;;
      130|137|143) [ "$now" = "$old" ] || [ "$now" = "$new" ] || fail "$signal at ${delay}s: the site is neither" ;;
      *) fail "$signal at ${delay}s: status $status" ;;
    esac
    left=$(stray)
    [ "$signal" = KILL ] || [ -z "$left" ] || fail "$signal at ${delay}s left $left"
    "$prog" -q -f site --force -o "$site" -i "$sample"
    left=$(stray)
    [ -z "$left" ] || fail "after a $signal at ${delay}s the next run left $left"
  done
done

# Rebuilt after one more battle and then one more, from the live site and
# the older version kept beside it (most pages are not made again), the
# site is the one a new run on the log makes.
cp "$work/bigger.log" "$work/more.log"
for n in 1 2; do
  printf '%s\n' "[21:00] <Ann> http://x.example/L$n.lev" "[21:01] <P1x> 0:5$n,00" \
    "[21:01] <Zed> 0:59,00" "[21:02] <Ann> stop" >>"$work/more.log"
  "$prog" -q -f site --force -o "$site" -i "$work/more.log" || fail "rebuild $n"
  rm -rf "$work/more-new"
  "$prog" -q -f site -o "$work/more-new" -i "$work/more.log"
  [ "$(tree "$site")" = "$(tree "$work/more-new")" ] ||
    fail "rebuild $n after one more battle differs from a new site"
done
[ -z "$(stray)" ] || fail "the rebuilds left $(stray)"

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
