#!/usr/bin/env bash
# Lighthouse (the version pinned in package.json) on pages served from
# python3 -m http.server on 127.0.0.1, in Debian's Chromium: accessibility,
# best practices and SEO must score 100 and performance at least 90. The
# failing audits are printed; each page's report is kept as
# LABEL-PAGE.report.html and .report.json in ARTEFACT_DIR.
#
#   lighthouse.sh DIR ARTEFACT_DIR LABEL PAGE...    (PAGE relative to DIR)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 4 ] || { echo "usage: lighthouse.sh DIR ARTEFACT_DIR LABEL PAGE..." >&2; exit 2; }
dir=$1 artefacts=$2 label=$3
shift 3
export CHROME_PATH=${CHROME_PATH:-/usr/bin/chromium}
mkdir -p "$artefacts"
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-lighthouse-XXXXXX")
server=
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$dir" \
  >"$work/server.log" 2>&1 &
server=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*port \([0-9][0-9]*\).*/\1/p' "$work/server.log" | head -1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { cat "$work/server.log"; echo "FAIL: the page server did not start"; exit 1; }

failed=0
for page in "$@"; do
  name=$label-$(printf '%s' "${page%.html}" | tr -c 'A-Za-z0-9_.-' '_')
  # Each run gets a fresh profile; the flags keep Chromium off the network.
  "$here/node_modules/.bin/lighthouse" "http://127.0.0.1:$port/$page" \
    --quiet --only-categories=performance,accessibility,best-practices,seo \
    --chrome-flags="--headless=new --no-sandbox --disable-gpu --disable-quic \
--no-first-run --disable-background-networking --disable-component-update \
--disable-sync --user-data-dir=$work/profile-$name" \
    --output=json --output=html --output-path="$artefacts/$name" ||
    { echo "FAIL: $label: Lighthouse could not run on $page"; failed=1; continue; }
  node - "$artefacts/$name.report.json" "$label: $page" <<'JS' || failed=1
const fs = require('fs');
const [file, what] = process.argv.slice(2);
const lhr = JSON.parse(fs.readFileSync(file, 'utf8'));
const least = { performance: 0.9, accessibility: 1, 'best-practices': 1, seo: 1 };
let ok = !lhr.runtimeError;
if (lhr.runtimeError) console.log(`FAIL ${what}: ${lhr.runtimeError.code} ${lhr.runtimeError.message}`);
const scores = [];
for (const [id, min] of Object.entries(least)) {
  const category = lhr.categories[id];
  const score = category?.score ?? 0;
  scores.push(`${id} ${Math.round(score * 100)}`);
  if (score >= min) continue;
  ok = false;
  console.log(`FAIL ${what}: ${id} scores ${Math.round(score * 100)}, needs ${min * 100}`);
  for (const ref of category?.auditRefs ?? []) {
    const audit = lhr.audits[ref.id];
    if (ref.weight > 0 && audit.score !== null && audit.score < 1) {
      const value = audit.displayValue ? ` (${audit.displayValue})` : '';
      console.log(`    ${ref.id}: ${audit.title}${value}`);
    }
  }
}
console.log(`${what}: ${scores.join(', ')}${ok ? '' : ' FAILED'}`);
process.exit(ok ? 0 : 1);
JS
done
exit "$failed"
