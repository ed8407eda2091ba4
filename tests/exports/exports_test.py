#!/usr/bin/env python3
"""The JSON, CSV and web outputs of the real program, on the sample log and
on a hostile one: the JSON matches docs/report.schema.json and the combo
text report's numbers, the CSV parses with the same columns on every row,
and the records and personal bests of a hand-worked log are right in the JSON
and on the site.

    exports_test.py PROGRAM SAMPLE_LOG SCHEMA
"""
import csv
import io
import json
import math
import os
import re
import subprocess
import sys
import tempfile
from html.parser import HTMLParser

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_hostile_log import hostile_log  # noqa: E402

program, sample_log, schema_path = sys.argv[1:4]
try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed: skipped")
    sys.exit(77)

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(log, fmt, *extra, out="-"):
    env = dict(os.environ, SOURCE_DATE_EPOCH="1110013500", TZ="UTC")
    done = subprocess.run([program, "-q", "-o", out, "-f", fmt, "-i", log,
                           *extra], capture_output=True, env=env, check=False)
    check(done.returncode == 0, f"{fmt} run on {log}: {done.stderr!r}")
    return done.stdout


class Tables(HTMLParser):
    """Every table's rows of data cells, by the table's caption."""

    def __init__(self):
        super().__init__()
        self.tables, self.caption, self.row, self.text = {}, None, [], ""

    def handle_starttag(self, tag, attrs):
        if tag in ("caption", "td"):
            self.text = ""
        elif tag == "tr":
            self.row = []

    def handle_endtag(self, tag):
        if tag == "caption":
            self.caption = self.text
            self.tables[self.caption] = []
        elif tag == "td":
            self.row.append(self.text.strip())
        elif tag == "tr" and self.row:
            self.tables[self.caption].append(self.row)

    def handle_data(self, data):
        self.text += data


def tables(path):
    parser = Tables()
    with open(path, encoding="utf-8") as f:
        parser.feed(f.read())
    return parser.tables


def text_numbers(report):
    """(battle rows, overall rows) of a combo text report, without nicks."""
    battles, overall, section = [], [], None
    for line in report.splitlines():
        if line.startswith("Event "):
            section = []
            battles.append(section)
        elif line.startswith("Overall scores:"):
            section = overall
        # Nicks may hold blanks: the numbers are read from the row's ends.
        m = re.match(r"^ (\d+)\.\s+.*\s(\d+)$", line)
        if section is not overall and section is not None and m:
            section.append(tuple(map(int, m.groups())))
        m = re.match(r"^ (\d+)\.\s+.*\s+(\d+)\s+\((\d+\.\d\d)\)\s+(\d+) / "
                     r"(\d+) \((\d+)%\)\s+(.*)$", line)
        if section is overall and m:
            pos, points, average, wins, count, percent, time = m.groups()
            overall.append((int(pos), int(points), average, int(wins),
                            int(count), int(percent), time.strip()))
    return battles, overall


with open(schema_path, encoding="utf-8") as f:
    validator = jsonschema.Draft202012Validator(json.load(f))

with tempfile.TemporaryDirectory() as work:
    hostile = os.path.join(work, "hostile.log")
    hostile_log(hostile)
    for log in (hostile, sample_log):
        doc = json.loads(run(log, "json").decode("utf-8"))  # strict UTF-8
        errors = list(validator.iter_errors(doc))
        check(not errors, f"schema of {log}: {errors[:1]}")
        text = run(log, "csv").decode("utf-8")
        table = list(csv.reader(io.StringIO(text, newline="")))
        check(all(len(r) == len(table[0]) for r in table), "csv columns")
        check([r[-1] for r in table[1:]] ==
              [f"{e['rating_after']:.1f}" for b in doc["battles"]
               for e in b["entries"]], "one csv row per entry, its rating")
        formulas = [c for r in table[1:] for c in (r[2], r[3], r[5])
                    if c[:1] and c[0] in "=+-@\t\r"]
        check(not formulas, f"formula cells {formulas}")
        page = run(log, "web").decode("utf-8")
        check(page.startswith("<!doctype html>") and
              'class="num">Rating</th>' in page, "web page or its ratings")
        if log == hostile:
            nicks = [e["nick"] for b in doc["battles"] for e in b["entries"]]
            # Bytes that are not UTF-8 are read as Windows-1252.
            check('Bob,"the" \u00e9l\u00e8ve' in nicks, f"cp1252 in {nicks}")
            check("\u202eevil\u202c" in nicks, "valid UTF-8 kept")
            check('"Bob,""the"" \u00e9l\u00e8ve"' in text, "comma and quotes")

# The text report's columns run together for nicks longer than them, so the
# numbers are compared on the sample log (the loop's last, still in doc).
battles, overall = text_numbers(run(sample_log, "text").decode("latin-1"))
check(len(battles) == len(doc["battles"]), "battle count")
for rows, battle in zip(battles, doc["battles"]):
    check([(e["rank"], e["points"]) for e in battle["entries"]] == rows,
          f"ranks and points of event {battle['event']}")
with_battles = [r for r in doc["standings"]["overall"] if r["battles"] > 0]
check(len(overall) == len(with_battles), "overall rows")
for row, mine in zip(overall, with_battles):
    check(row == (mine["position"], mine["points"],
          f"{mine['average']:.2f}", mine["wins"], mine["battles"],
          mine["win_percent"], mine["time"]), f"overall row {row[0]}")

# The ratings: every player who drove, best first, and each the rating after
# the player's last battle (a sample nick's player is its first four letters
# in any case).
ratings = doc["ratings"]
check(sorted(r["player"] for r in ratings) ==
      sorted(r["player"] for r in with_battles), "rated players")
check([r["rating"] for r in ratings] ==
      sorted((r["rating"] for r in ratings), reverse=True), "ratings order")
last = {e["nick"][:4].upper(): e["rating_after"]
        for b in doc["battles"] for e in b["entries"]}
for r in ratings:
    check(abs(r["rating"] - (r["mu"] - 3 * r["sigma"])) <= 0.05 and
          r["provisional"] == (r["battles"] < 5) and
          last[r["player"][:4].upper()] == r["rating"] and
          r["shown_rating"] == max(0, math.floor(40 * (r["mu"] -
                                                       3 * r["sigma"]))),
          f"rating of {r['player']}")

# The site ranks the same players by their shown rating, those with fewer
# than 5 rated battles after the rest, saying "?" and their count.
with tempfile.TemporaryDirectory() as work:
    site = os.path.join(work, "site")
    run(sample_log, "site", out=site)
    shown = [(row[1], row[-1]) for row in tables(os.path.join(
        site, "players-by-rating.html"))[
            "Every player by rating, then those not yet rated"]]
    rated = [r for r in ratings if not r["provisional"]]
    check(shown == [(r["player"], str(r["shown_rating"])) for r in rated] +
          [(r["player"], f"? ({r['battles']} of 5)")
           for r in ratings if r["provisional"]],
          f"site players by rating: {shown}")
    check(rated and rated[0]["rating"] < ratings[0]["rating"],
          "the sample has a rated player below a provisional one")
    with open(os.path.join(site, "index.html"), encoding="utf-8") as f:
        check('<a href="rating.html">How the rating works</a>' in f.read(),
              "the standings link how the rating works")

# Records and personal bests of a small dated log, worked out by hand: the
# level spelt three ways is one level, apples hold no time, an equal time
# does not take the record, and Dana drives as "Dana2" too.
SEASON = """--- Log opened Tue Nov 12 19:58:00 2024
20:00 <Ann> go http://lev.example/Pipe.lev
20:01 <Bob> 1:02,11
20:02 <Cal> 59,87
20:03 <Dana> 1:05,00
20:04 <Ann> 3
20:05 <Ann> stop
20:10 <Bob> http://lev.example/Ramp.lev
20:11 <Ann> 12
20:12 <Bob> 7
20:13 <Bob> stop
--- Day changed Wed Nov 13 2024
20:00 <Cal> http://lev.example/PIPE.lev
20:01 <Ann> 59,87
20:02 <Bob> 1:00,50
20:03 <Cal> 1:10,00
20:04 <Cal> stop
20:10 <Bob> again: http://lev.example/pipe.LEV now
20:11 <Dana2> 58,50
20:12 <Dana> 1:01,00
20:13 <Cal> 1:00,00
20:14 <Bob> stop
"""
with tempfile.TemporaryDirectory() as work:
    season = os.path.join(work, "season.log")
    with open(season, "w", encoding="ascii") as f:
        f.write(SEASON)
    doc = json.loads(run(season, "json", "--log-format", "irssi").decode())
    errors = list(validator.iter_errors(doc))
    check(not errors, f"season schema: {errors[:1]}")
    links = ["http://lev.example/Pipe.lev", "http://lev.example/Ramp.lev",
             "http://lev.example/PIPE.lev", "http://lev.example/pipe.LEV"]
    check([b["link"] for b in doc["battles"]] == links, "battle links")
    check(doc["records"] == [{"level": "Pipe", "battles": 3, "record": {
        "time": "0:58,50", "hundredths": 5850, "player": "Dana",
        "nick": "Dana2", "event": 4, "date": "2024-11-13", "link": links[3]}}],
        f"season records: {doc['records']}")
    # Ann and Cal have 8 points, Ann the more wins; Dana 7, Bob 6.
    check(doc["personal_bests"] == [
        {"player": "Ann", "levels": [["Pipe", 5987, 3]]},
        {"player": "Cal", "levels": [["Pipe", 5987, 1]]},
        {"player": "Dana", "levels": [["Pipe", 5850, 4]]},
        {"player": "Bob", "levels": [["Pipe", 6050, 3]]}],
        f"season personal bests: {doc['personal_bests']}")

    # Each entry as it fell: Cal's first time on the level is its record,
    # Ann's equal time takes nothing, Bob beats his own time, Dana2 beats the
    # record and Dana's time of the first night; Dana's slower entry in the
    # same battle is no earlier time of hers.
    # Movement since the first night: after it Cal led with 5 points, Ann
    # and Bob had 4 (Ann the win), Dana 2; the second night puts Ann first.
    moved = [(r["player"], r["position"], r["previous_rank"])
             for r in doc["standings"]["overall"]]
    check(moved == [("Ann", 1, 2), ("Cal", 2, 1), ("Dana", 3, 4),
                    ("Bob", 4, 3)], f"season movement: {moved}")

    marks = [(e["nick"], e["new_record"], e["personal_best"])
             for b in doc["battles"] for e in b["entries"]
             if e["new_record"] or e["personal_best"]]
    check(marks == [("Cal", True, False), ("Bob", False, True),
                    ("Dana2", True, True)], f"season marks: {marks}")

    # The site of the same log shows the same record and personal bests, and
    # the record's fall: Cal's 59,87 stood against Ann's equal time until
    # Dana's 58,50.
    site = os.path.join(work, "site")
    run(season, "site", "--log-format", "irssi", out=site)
    # Each player's best: player, time, event, date.
    # Dates as people read them.
    bests = [["Dana", "0:58,50", "4", "13 Nov 2024"],
             ["Cal", "0:59,87", "1", "12 Nov 2024"],
             ["Ann", "0:59,87", "3", "13 Nov 2024"],
             ["Bob", "1:00,50", "3", "13 Nov 2024"]]
    levels = tables(os.path.join(site, "levels.html"))
    check(levels.get("The best time ever on every level") ==
          [["Pipe", "3", "0:58,50", "Dana", "4", "13 Nov 2024"]],
          f"site records: {levels}")
    pipe = tables(os.path.join(site, "levels", "pipe.html"))
    shown = pipe.get("The best times ever, each player's best only")
    check(shown == [[str(i), *b] for i, b in enumerate(bests, 1)],
          f"site best times: {shown}")
    shown = pipe.get("Each time the record fell")
    check(shown == bests[:2], f"site progression: {shown}")
    battle_pages = "".join(
        open(os.path.join(site, "battles", name), encoding="utf-8").read()
        for name in sorted(os.listdir(os.path.join(site, "battles")))
        if not name.startswith("event-"))
    check(battle_pages.count('<span class="mark">record</span>') == 2 and
          battle_pages.count('<span class="mark">PB</span>') == 2,
          "site battles say the records and personal bests in words")
    # A page for every battle, its results those of the JSON, and every
    # link of the site leads to a page of it.
    for battle in doc["battles"]:
        own = os.path.join(site, "battles", f"event-{battle['event']}.html")
        rows = os.path.isfile(own) and tables(own).get(
            f"Results of event {battle['event']}")
        check(rows and [(r[1], r[4]) for r in rows] ==
              [(e["nick"], str(e["points"])) for e in battle["entries"]],
              f"the page of event {battle['event']}: {rows}")
    broken = []
    for folder, _, names in os.walk(site):
        for name in names:
            if not name.endswith(".html"):
                continue
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                text = f.read()
            for href in re.findall(r'<a href="([^"#]*)[^"]*"', text):
                if href and not href.startswith("http") and not os.path.isfile(
                        os.path.normpath(os.path.join(folder, href))):
                    broken.append((name, href))
            # A player's nick in a battle's results is a link to the page.
            if name.startswith("event-") and "<td><bdi>" in text:
                broken.append((name, "a nick that is no link"))
    check(not broken, f"links of the site: {broken[:5]}")
    # The month's champion with the champion's own battles of the month.
    with open(os.path.join(site, "months.html"), encoding="utf-8") as f:
        months = f.read()
    check('Ann</bdi></strong></a>, 8 points in 3 battles (of the month\'s 4).'
          in months, "the champion's own battles of the month")
    index = tables(os.path.join(site, "index.html"))
    shown = [(row[1], row[2]) for row in index["Points of every player"]]
    check(shown == [("\u25b2up 1", "Ann"), ("\u25bcdown 1", "Cal"),
                    ("\u25b2up 1", "Dana"), ("\u25bcdown 1", "Bob")],
          f"site movement: {shown}")
    with open(os.path.join(site, "index.html"), encoding="utf-8") as f:
        words = " ".join(re.sub(r"<[^>]+>", "", f.read()).split())
    for said in ("Bob drove 1:00,50 on Pipe in event 3: a personal best.",
                 "Dana drove 0:58,50 on Pipe in event 4: a new record and a "
                 "personal best.", "Ann: up 1 to place 1.",
                 "Bob: down 1 to place 4.", "The night before, 12 Nov 2024"):
        check(said in words, f"the latest night says: {said}")
    for player, time, _, date in bests:
        page = tables(os.path.join(site, "players", f"{player.lower()}.html"))
        rows = page.get("Best time on every level driven, beside its record")
        check(rows == [["Pipe", time, "0:58,50", date]],
              f"site personal bests of {player}: {rows}")

print(f"exports: {'FAILED' if failures else 'ok'} ({len(failures)} failures)")
sys.exit(1 if failures else 0)
