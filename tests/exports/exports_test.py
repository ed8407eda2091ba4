#!/usr/bin/env python3
"""The JSON, CSV and web outputs of the real program, on the sample log and
on a hostile one: the JSON matches docs/report.schema.json and the combo
text report's numbers, the CSV parses with the same columns on every row,
and no log text becomes markup in the web page.

    exports_test.py PROGRAM SAMPLE_LOG SCHEMA
"""
import csv
import io
import json
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


def run(log, fmt, *extra):
    env = dict(os.environ, SOURCE_DATE_EPOCH="1110013500", TZ="UTC")
    done = subprocess.run([program, "-q", "-o", "-", "-f", fmt, "-i", log,
                           *extra], capture_output=True, env=env, check=False)
    check(done.returncode == 0, f"{fmt} run on {log}: {done.stderr!r}")
    return done.stdout


class Tables(HTMLParser):
    """The text of every table's cells, by the table's caption."""

    def __init__(self):
        super().__init__()
        self.tables, self.caption, self.row, self.cell = {}, None, None, None
        self.in_caption = False

    def handle_starttag(self, tag, attrs):
        if tag == "caption":
            self.in_caption, self.caption = True, ""
        elif tag == "tr":
            self.row = []
        elif tag in ("td", "th") and self.row is not None:
            self.cell = ""

    def handle_endtag(self, tag):
        if tag == "caption":
            self.in_caption = False
            self.tables[self.caption] = []
        elif tag in ("td", "th") and self.cell is not None:
            self.row.append(self.cell.strip())
            self.cell = None
        elif tag == "tr" and self.row is not None:
            if self.row and not self.row[0] in ("Pos.", "Level", "Player"):
                self.tables[self.caption].append(self.row)
            self.row = None

    def handle_data(self, data):
        if self.in_caption:
            self.caption += data
        elif self.cell is not None:
            self.cell += data


def tables(path):
    parser = Tables()
    with open(path, encoding="utf-8") as f:
        parser.feed(f.read())
    return parser.tables


def text_numbers(report):
    """(battle rows, overall rows) of a combo text report."""
    battles, overall = [], []
    section = None
    for line in report.splitlines():
        if line.startswith("Event "):
            section = []
            battles.append(section)
        elif line.startswith("Overall scores:"):
            section = overall
        # Nicks may hold blanks: the numbers are read from the row's ends.
        m = re.match(r"^ (\d+)\.\s+(.*)\s(\d+)$", line)
        if section is not overall and section is not None and m:
            section.append((int(m.group(1)), m.group(2), int(m.group(3))))
        m = re.match(r"^ (\d+)\.\s+(.*)\s+(\d+)\s+\((\d+\.\d\d)\)\s+(\d+) / "
                     r"(\d+) \((\d+)%\)\s+(.*)$", line)
        if section is overall and m:
            overall.append((int(m.group(1)), m.group(2), int(m.group(3)),
                            m.group(4), int(m.group(5)), int(m.group(6)),
                            int(m.group(7)), m.group(8).strip()))
    return battles, overall


def key(nick):
    """The player of an ASCII nick: its first four letters in any case."""
    return (len(nick[:4]), nick[:4].upper())


with open(schema_path, encoding="utf-8") as f:
    validator = jsonschema.Draft202012Validator(json.load(f))

with tempfile.TemporaryDirectory() as work:
    hostile = os.path.join(work, "hostile.log")
    hostile_log(hostile)
    for log in (sample_log, hostile):
        raw = run(log, "json")
        doc = json.loads(raw.decode("utf-8"))  # strict UTF-8
        errors = list(validator.iter_errors(doc))
        check(not errors, f"schema: {errors[:1]}")

        # The text report's columns run together for nicks longer than
        # them, so the numbers are compared on the sample log.
        text = run(sample_log, "text").decode("latin-1")
        doc = json.loads(run(sample_log, "json").decode("utf-8"))
        battles, overall = text_numbers(text)
        check(len(battles) == len(doc["battles"]), "battle count")
        for rows, battle in zip(battles, doc["battles"]):
            got = [(e["rank"], e["points"]) for e in battle["entries"]]
            check(got == [(r, p) for r, _, p in rows],
                  f"ranks and points of event {battle['event']}")
        shown = doc["standings"]["overall"]
        with_battles = [r for r in shown if r["battles"] > 0]
        check(len(overall) == len(with_battles), "overall rows")
        for row, mine in zip(overall, with_battles):
            pos, _, points, average, wins, count, percent, total = row
            check((mine["position"], mine["points"], mine["wins"],
                   mine["battles"], mine["win_percent"], mine["time"]) ==
                  (pos, points, wins, count, percent, total),
                  f"overall row {pos}")
            check(f"{mine['average']:.2f}" == average, f"average of row {pos}")

        # The ratings: every player who drove, best first, and each the
        # rating after the player's last battle.
        ratings = doc["ratings"]
        check(sorted(r["player"] for r in ratings) ==
              sorted(r["player"] for r in with_battles), "rated players")
        check([r["rating"] for r in ratings] ==
              sorted((r["rating"] for r in ratings), reverse=True),
              "ratings order")
        last = {key(e["nick"]): e["rating_after"]
                for b in doc["battles"] for e in b["entries"]}
        for r in ratings:
            check(abs(r["rating"] - (r["mu"] - 3 * r["sigma"])) <= 0.05 and
                  r["provisional"] == (r["battles"] < 5) and
                  last[key(r["player"])] == r["rating"],
                  f"rating of {r['player']}")

        doc = json.loads(raw.decode("utf-8"))
        table = list(csv.reader(io.StringIO(run(log, "csv").decode("utf-8"),
                                            newline="")))
        check(table[0][:3] == ["event", "date", "level"], "csv header")
        check(all(len(r) == len(table[0]) for r in table), "csv columns")
        check([r[-1] for r in table[1:]] ==
              [f"{e['rating_after']:.1f}" for b in doc["battles"]
               for e in b["entries"]], "one csv row per entry, its rating")
        for r in table[1:]:
            for cell in (r[2], r[3], r[5]):
                check(not cell or cell[0] not in "=+-@\t\r",
                      f"formula cell {cell!r}")

        page = run(log, "web").decode("utf-8")
        check(page.startswith("<!doctype html>"), "web doctype")
        check('class="num">Rating</th>' in page, "web rating column")

    doc = json.loads(run(hostile, "json").decode("utf-8"))
    nicks = [e["nick"] for b in doc["battles"] for e in b["entries"]]
    # Bytes that are not UTF-8 are read as Windows-1252.
    check('Bob,"the" \u00e9l\u00e8ve' in nicks, f"cp1252 nick in {nicks}")
    check("\u202eevil\u202c" in nicks, "valid UTF-8 kept")
    table = run(hostile, "csv").decode("utf-8")
    check("\"'=cmd|' /C calc'!A0\"" in table, "formula prefixed and quoted")
    check("\"Bob,\"\"the\"\" \u00e9l\u00e8ve\"" in table, "comma and quotes")

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
    doc = json.loads(run(season, "json", "--log-format", "irssi")
                     .decode("utf-8"))
    errors = list(validator.iter_errors(doc))
    check(not errors, f"season schema: {errors[:1]}")
    links = ["http://lev.example/Pipe.lev", "http://lev.example/Ramp.lev",
             "http://lev.example/PIPE.lev", "http://lev.example/pipe.LEV"]
    check([b["link"] for b in doc["battles"]] == links, "battle links")

    def driven(time, hundredths, player, nick, event):
        date = "2024-11-12" if event < 3 else "2024-11-13"
        return {"time": time, "hundredths": hundredths, "player": player,
                "nick": nick, "event": event, "date": date,
                "link": links[event - 1]}

    dana = driven("0:58,50", 5850, "Dana", "Dana2", 4)
    check(doc["records"] == [{"level": "Pipe", "battles": 3, "record": dana}],
          f"season records: {doc['records']}")
    # Ann and Cal have 8 points, Ann the more wins; Dana 7, Bob 6.
    check(doc["personal_bests"] == [
        {"player": "Ann", "levels": [["Pipe", 5987, 3]]},
        {"player": "Cal", "levels": [["Pipe", 5987, 1]]},
        {"player": "Dana", "levels": [["Pipe", 5850, 4]]},
        {"player": "Bob", "levels": [["Pipe", 6050, 3]]}],
        f"season personal bests: {doc['personal_bests']}")

    # The site of the same log shows the same records and personal bests,
    # and the record's fall and the best times that the JSON leaves to
    # its battles and personal bests.
    site = os.path.join(work, "site")
    done = subprocess.run([program, "-q", "-f", "site", "-o", site, "-i",
                           season, "--log-format", "irssi"],
                          capture_output=True, check=False)
    check(done.returncode == 0, f"site run: {done.stderr!r}")
    levels = tables(os.path.join(site, "levels.html"))
    record = doc["records"][0]["record"]
    check(levels.get("The best time ever on every level") ==
          [["Pipe", "3", record["time"], record["player"], "4", record["date"]]],
          f"site records: {levels}")
    pipe = tables(os.path.join(site, "levels", "pipe.html"))
    shown = [[row[1], row[2]] for row in pipe.get(
        "The best times ever, each player's best only", [])]
    times = {e["hundredths"]: e["time"] for b in doc["battles"]
             for e in b["entries"]}
    best = sorted((row[1], row[2], p["player"]) for p in doc["personal_bests"]
                  for row in p["levels"])
    check(shown == [[player, times[h]] for h, _, player in best],
          f"site best times: {shown}")
    fell, record_so_far = [], None
    for b in doc["battles"]:
        if b["level"].upper() != "PIPE":
            continue
        for e in b["entries"]:
            if e["hundredths"] and (record_so_far is None
                                    or e["hundredths"] < record_so_far):
                record_so_far = e["hundredths"]
                fell.append(e["time"])
    check([row[1] for row in pipe.get("Each time the record fell", [])] ==
          list(reversed(fell)), f"site progression: {fell}")
    date_of = {b["event"]: b["date"] for b in doc["battles"]}
    for player in doc["personal_bests"]:
        page = tables(os.path.join(site, "players",
                                   player["player"].lower() + ".html"))
        rows = page.get("Best time on every level driven, beside its record")
        want = [[level, times[h], "0:58,50", date_of[event]]
                for level, h, event in player["levels"]]
        check(rows == want, f"site personal bests of {player['player']}: "
              f"{rows} against {want}")

print(f"exports: {'FAILED' if failures else 'ok'} ({len(failures)} failures)")
sys.exit(1 if failures else 0)
