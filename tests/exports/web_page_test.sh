#!/usr/bin/env bash
# The web page in a real browser: headless Chromium renders the page of the
# sample log, of a log with dates and of a hostile log; the DOM it builds
# must hold the tables and the charts, no element or attribute that came
# from log text, and no script but the sort script. tidy checks the markup.
# The sample page's screenshot is kept as web-page.png in OUT_DIR.
#
#   web_page_test.sh PROGRAM SAMPLE_LOG DATED_LOG HOSTILE_MAKER OUT_DIR
set -u
prog=$1 sample=$2 dated=$3 make_hostile=$4 out=$5
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ] || ! command -v tidy >/dev/null; then
  echo "chromium or tidy not installed: skipped"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/vexlane-web-XXXXXX")
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=1110013500 TZ=UTC
/usr/bin/python3 "$make_hostile" "$work/hostile.log"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for name in sample dated hostile; do
  case $name in sample) log=$sample ;; dated) log=$dated ;; *) log=$work/hostile.log ;; esac
  page=$work/$name.html
  "$prog" -q -f web -o "$page" --log-format auto -i "$log" || fail "$name: run"
  tidy -q -errors "$page" >"$work/tidy.txt" 2>&1 && [ ! -s "$work/tidy.txt" ] ||
    { cat "$work/tidy.txt"; fail "$name: tidy found errors or warnings"; }
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu \
    --dump-dom "file://$page" >"$work/$name.dom" 2>/dev/null ||
    fail "$name: chromium could not render the page"
  /usr/bin/python3 - "$work/$name.dom" "$name" <<'PY' || failed=1
import re
import sys
from collections import Counter
from html.parser import HTMLParser

# Every element and attribute the page is built of; log text must never add
# another.
ALLOWED = set("""html head meta title style body main h1 h2 h3 h4 p section div
  table caption thead tbody tr th td a figure figcaption svg line text polyline
  rect footer script link nav ul li span circle button bdi time""".split())
ATTRIBUTES = set("""lang charset name content id class href scope data-sort
  viewbox role aria-label aria-sort x y x1 y1 x2 y2 width height fill stroke
  stroke-width points rel tabindex aria-hidden stroke-dasharray r cx cy
  type datetime""".split())


tags, problems = Counter(), []


class Page(HTMLParser):
    def handle_starttag(self, tag, attrs):
        tags[tag] += 1
        if tag not in ALLOWED:
            problems.append(f"element <{tag}>")
        for name, value in attrs:
            if name not in ATTRIBUTES:
                problems.append(f"attribute {name}={value!r} on <{tag}>")
            icon = tag == "link" and (value or "").startswith("data:image/svg+xml,")
            if name == "href" and not icon and not (value or "").startswith(("#", "https:")):
                problems.append(f"link {value!r}")


dom, name = sys.argv[1:3]
with open(dom, encoding="utf-8") as f:
    text = f.read()
Page().feed(text)
# The DOM is serialized: a script's text sits between its own tags.
scripts = re.findall(r"<script\b[^>]*>(.*?)</script>", text, re.S)
if tags["script"] != 1 or "table.sortable" not in "".join(scripts):
    problems.append("a script other than the sort script")
if tags["table"] < 3 or tags["svg"] < 1:
    problems.append(f"tables or charts missing: {tags}")
if name == "dated" and tags["rect"] < 1:
    problems.append("no monthly bars for a log with dates")
for p in problems:
    print(f"FAIL: {name}: {p}")
sys.exit(1 if problems else 0)
PY
done

mkdir -p "$out"
timeout 120 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars \
  --window-size=1000,1600 --screenshot="$out/web-page.png" \
  "file://$work/sample.html" >/dev/null 2>&1 || fail "screenshot"
[ "$failed" = 0 ] && echo "web page: renders, no element from log text, tidy clean"
exit "$failed"
