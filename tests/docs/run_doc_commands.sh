#!/usr/bin/env bash
# Runs the commands the README and docs/*.md show, as written, and checks
# that the documents hold together.
#
# Usage: run_doc_commands.sh PROGRAM SOURCE_DIR
#
# A block is run when the line just before its ```sh fence is
# "<!-- run -->". Each runs with bash -e (and pipefail) in a scratch
# directory of its own holding copies of examples/ and tests/formats/, so
# the blocks are written as run from the top of the source tree; PROGRAM
# is the first vexlane-stats on the PATH, standard input is /dev/null and
# a block has 60 seconds. The script also fails when no block is marked,
# when a marker has no sh fence after it, when README.md is longer than
# 250 lines, and when a relative link (or its #anchor) leads nowhere.
set -u -o pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 PROGRAM SOURCE_DIR" >&2
  exit 2
fi
program=$(realpath -e -- "$1") || exit 2
[ -x "$program" ] || { echo "$program is not a program" >&2; exit 2; }
cd "$2" || exit 2
src=$PWD
documents=(README.md docs/*.md)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/blocks"
ln -s "$program" "$work/bin/vexlane-stats"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

lines=$(wc -l <README.md)
[ "$lines" -le 250 ] || fail "README.md has $lines lines, more than 250"

# The headings of a page as the anchors the links name (GitHub's way:
# lower case, punctuation dropped, blanks made dashes).
anchors() {
  awk '/^[ \t]*```/ { fence = !fence; next }
       !fence && /^#+ / {
         h = tolower($0); sub(/^#+ +/, "", h)
         gsub(/[^a-z0-9 _-]/, "", h); gsub(/ /, "-", h); print h }' "$1"
}

# Every link outside code: FILE, LINE, TARGET.
links=$(awk 'FNR == 1 { fence = 0 }
  /^[ \t]*```/ { fence = !fence; next }
  fence { next }
  { text = $0; gsub(/`[^`]*`/, "", text)
    while (match(text, /\]\([^)[:space:]]+/)) {
      print FILENAME "\t" FNR "\t" substr(text, RSTART + 2, RLENGTH - 2)
      text = substr(text, RSTART + RLENGTH) } }' "${documents[@]}")
while IFS=$'\t' read -r file line target; do
  [ -n "$file" ] || continue
  [[ "$target" =~ ^[a-zA-Z][a-zA-Z0-9+.-]*: ]] && continue  # a URL
  path=${target%%#*}
  dest=$file
  [ -z "$path" ] || dest=$(dirname "$file")/$path
  if [ ! -e "$dest" ]; then
    fail "$file:$line: link to $target: no file $dest"
  elif [[ "$target" == *'#'* && "$dest" == *.md ]] &&
      ! anchors "$dest" | grep -qxF -- "${target#*#}"; then
    fail "$file:$line: link to $target: no such heading in $dest"
  fi
done <<<"$links"

# The marked blocks, each to blocks/N.sh, listed as "N FILE:LINE".
awk -v dir="$work/blocks" '
  function unclosed() {
    if (inblock) print "FAIL: " where ": the block is never closed"
    inblock = 0 }
  FNR == 1 { unclosed(); want = 0 }
  inblock {
    if ($0 ~ /^[ \t]*```[ \t]*$/) { inblock = 0; close(out); next }
    if (index($0, indent) == 1) $0 = substr($0, length(indent) + 1)
    print > out; next }
  want {
    want = 0
    if ($0 ~ /^[ \t]*```(sh|bash)[ \t]*$/) {
      n++; out = dir "/" n ".sh"; where = FILENAME ":" FNR; inblock = 1
      indent = $0; sub(/```.*/, "", indent)
      printf "" > out; print n, where > (dir "/list"); next }
    print "FAIL: " FILENAME ":" FNR - 1 ": a run marker without a ```sh fence after it" }
  /^[ \t]*<!-- run -->[ \t]*$/ { want = 1 }
  END { unclosed() }' "${documents[@]}" >"$work/marks"
while read -r message; do
  fail "${message#FAIL: }"
done <"$work/marks"

touch "$work/blocks/list"
blocks=$(wc -l <"$work/blocks/list")
[ "$blocks" -gt 0 ] || fail "no block is marked <!-- run --> in ${documents[*]}"

passed=0
while read -r n where; do
  block=$work/blocks/$n.sh
  if ! grep -q 'vexlane-stats' "$block"; then
    fail "$where: the marked block does not run vexlane-stats"
    continue
  fi
  scratch=$(mktemp -d "$work/run.XXXXXX")
  mkdir "$scratch/tests"
  cp -R "$src/examples" "$scratch/" &&
    cp -R "$src/tests/formats" "$scratch/tests/" || exit 1
  (cd "$scratch" &&
    PATH="$work/bin:$PATH" timeout -k 5 60 bash -e -o pipefail "$block") \
    </dev/null >"$scratch.out" 2>&1
  status=$?
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    continue
  fi
  [ "$status" -eq 124 ] && status="124, timed out after 60 s"
  fail "$where: the block ended with status $status"
  sed 's/^/    $ /' "$block"
  sed 's/^/    | /' "$scratch.out" | head -n 40
done <"$work/blocks/list"

echo "$passed of $blocks marked blocks ran; $failures failures"
[ "$failures" -eq 0 ]
