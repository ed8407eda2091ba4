#!/usr/bin/env bash
# End-to-end tests of the Windows build under wine: the same reports as on
# Linux (with "\n" line ends), no report replaced, the exit statuses.
#
#   tests/windows/wine_test.sh PATH/TO/vexlane-stats.exe
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/../.." && pwd)
exe=$(realpath "$1")
golden="$root_dir/tests/golden"
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-wine-XXXXXX")
trap 'rm -rf "$work"' EXIT
# Debian's wine64 package has no "wine" on the PATH without the wine package.
wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
wine() { "$wine" "$@"; }
export WINEDEBUG=-all WINEPREFIX="${WINEPREFIX:-$HOME/.wine-vexlane}"
export SOURCE_DATE_EPOCH=1110013500 TZ=UTC
passed=0

check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $1"
    exit 1
  fi
}
# The report without its title line, whose clock text is Windows' own.
body() { tail -n +2 "$1"; }
html_body() { tail -n +12 "$1"; }

cd "$work"
cp "$golden/golden.log" chan.log

version=$(wine "$exe" --version | tr -d '\r')
check "--version" [ "$version" = "vexlane-stats 1.9" ]

printf '\nchan.log\n1\n1\n\n\n' | wine "$exe" >console.txt
check "combo report" cmp -s <(body Battle01.txt) <(body "$golden/combo.txt")
check "no CR in the report" [ "$(tr -cd '\r' <Battle01.txt | wc -c)" = 0 ]

printf '\nchan.log\n1\n2\n\n\n' | wine "$exe" >console.txt
check "stats report beside the first" cmp -s <(body Battle02.txt) <(body "$golden/stats.txt")

printf '\nchan.log\n2\nPipe\nadd\nEve\n57,00\n\nHill\n3\n\n\n\n' | wine "$exe" >console.txt
check "level-by-level HTML report" cmp -s <(html_body Battle01.html) <(html_body "$golden/level.html")

status=0
printf '\nmissing.log\n' | wine "$exe" >console.txt || status=$?
check "unreadable log exits with 1" [ "$status" = 1 ]
check "unreadable log message" grep -q "Can't read file \"missing.log\"." console.txt

# Unattended runs: a named report, never replaced unless forced, a gzip log.
wine "$exe" -q -o report.txt chan.log
check "unattended report" cmp -s <(body report.txt) <(body "$golden/combo.txt")
status=0
wine "$exe" -q -o report.txt chan.log 2>/dev/null || status=$?
check "an existing report is not replaced" [ "$status" = 1 ]
wine "$exe" -q -o report.txt --force -f stats chan.log
check "--force replaces it" cmp -s <(body report.txt) <(body "$golden/stats.txt")
gzip -c chan.log >chan.log.gz
wine "$exe" -q -o gz.txt chan.log.gz
check "gzip log" cmp -s <(body gz.txt) <(body "$golden/combo.txt")
check "no temporary file left" [ -z "$(ls -A | grep vexlane-tmp || true)" ]

echo "wine: $passed passed, 0 failed"
