#!/usr/bin/env bash
# The browser gates: the program writes the site of the sample log, of a
# season with dates and of the hostile log; every page passes
# check_pages.mjs, and the season's index and one player page pass
# Lighthouse. Screenshots and Lighthouse reports go to ARTEFACT_DIR.
#
#   run_gates.sh PROGRAM ARTEFACT_DIR
#
# Exit status 77 (skipped) only when Chromium or node is missing; the npm
# packages must be installed (npm ci --prefix tests/browser).
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: run_gates.sh PROGRAM ARTEFACT_DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
prog=$(realpath "$1")
artefacts=$(mkdir -p "$2" && realpath "$2")
export CHROME_PATH=${CHROME_PATH:-/usr/bin/chromium}
if [ ! -x "$CHROME_PATH" ] || ! command -v node >/dev/null; then
  echo "chromium ($CHROME_PATH) or node not installed: browser gates skipped"
  exit 77
fi
if [ ! -f "$here/node_modules/axe-core/axe.min.js" ] ||
   [ ! -x "$here/node_modules/.bin/lighthouse" ]; then
  echo "FAIL: the npm packages are not installed: npm ci --prefix tests/browser"
  exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-gates-XXXXXX")
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=1110013500 TZ=UTC
failed=0
fail() { echo "FAIL: $*"; failed=1; }

python3 "$here/make_season_log.py" "$work/season.log"
python3 "$here/../exports/make_hostile_log.py" "$work/hostile.log"

build_site() {  # build_site LOG DIR: the site of LOG in DIR
  local status=0
  "$prog" -q --log-format auto -i "$1" -f site -o "$2" 2>"$work/stderr" || status=$?
  cat "$work/stderr" >&2
  return "$status"
}

for name in sample season hostile; do
  case $name in
    sample) log=$here/../../examples/#battle.log ;;
    *) log=$work/$name.log ;;
  esac
  # Each site is written into a directory of its own inside an empty one:
  # nothing may land beside it.
  mkdir -p "$work/$name"
  site=$work/$name/site
  build_site "$log" "$site" || { fail "$name: the program failed"; continue; }
  beside=$(ls -A "$work/$name" | grep -vx site)
  [ -z "$beside" ] || fail "$name: files written outside the site: $beside"
  # Names from log text must not make paths that leave the site elsewhere
  # (Windows reads \ as a separator) or hide files; the one hidden file is
  # the program's mark of its own sites.
  odd=$(cd "$site" && find . -mindepth 1 ! -path ./.vexlane-site \( -name '*\\*' -o -name '.*' \
          -o -name '*[[:cntrl:]]*' -o ! \( -type f -o -type d \) \) -print)
  [ -z "$odd" ] || fail "$name: odd file names in the site: $odd"
  for page in index.html levels.html; do
    [ -f "$site/$page" ] || fail "$name: no $page"
  done
  for dir in levels players; do
    ls "$site/$dir/"*.html >/dev/null 2>&1 || fail "$name: no pages in $dir/"
  done
  [ "$name" != season ] || [ -f "$site/months.html" ] || fail "$name: no months.html"
  node "$here/check_pages.mjs" --artifacts "$artefacts" --label "$name" "$site" ||
    fail "$name: check_pages.mjs"
done

season=$work/season/site
pages=(index.html)
player=$(cd "$season" && ls players/*.html 2>/dev/null | LC_ALL=C sort | head -1)
[ -n "$player" ] && pages+=("$player")
[ -n "$player" ] || fail "season: no player page for Lighthouse"
# A battle's own page and the rating's, the page types the season adds.
for page in battles/event-1.html rating.html; do
  [ -f "$season/$page" ] && pages+=("$page") || fail "season: no $page"
done
bash "$here/lighthouse.sh" "$season" "$artefacts" season "${pages[@]}" ||
  fail "season: Lighthouse"

[ "$failed" = 0 ] && echo "browser gates: passed"
exit "$failed"
