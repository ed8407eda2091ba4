#!/usr/bin/env python3
"""Writes a season of battle nights as an irssi log with dates ("--- Log
opened" and "--- Day changed" lines): 20 players over four months, a few
hundred battles on two dozen levels, the same bytes at every run.

    make_season_log.py PATH
"""
import datetime
import random
import sys

# Players are told apart by their first four letters, so these differ there.
PLAYERS = [
    "Ann", "Bob", "Cal", "Dee", "Eve", "Fox", "Gus", "Hal", "Ivy", "Jo",
    "Kim", "Lou", "Max", "Ned", "Olga", "Pia", "Quinn", "Rosalind_Quickwheel",
    "Sven", "Theodora_Apples",
]
LEVELS = [
    "Pipe12", "Hill", "Quiet", "Snake", "Ramp", "Cave", "Loop", "Tower",
    "Zigzag", "Canyon", "Bridge", "Spiral", "Dune", "Glacier", "Harbour",
    "Labyrinth_of_Apples", "Mill", "Orchard", "Quarry", "Rift", "Switchback",
    "Tunnel9", "Viaduct", "Wharf",
]
CHATTER = ["nice level", "gg", "so close", "lol", "one more?", ":)",
           "who is in?", "brb", "ok", "my wheelie failed again"]
FIRST_DAY = datetime.date(2024, 9, 2)
LAST_DAY = datetime.date(2024, 12, 28)


def stamp(minute, second):
    return f"{minute // 60:02d}:{minute % 60:02d}:{second:02d}"


def time_text(hundredths):
    minutes, rest = divmod(hundredths, 6000)
    return f"{minutes}:{rest // 100:02d},{rest % 100:02d}"


def night(rng, lines, level_skill):
    """One evening's battles from 20:00, one line a minute or so."""
    minute = 20 * 60
    for _ in range(rng.randint(2, 6)):
        level = rng.choice(LEVELS)
        starter = rng.choice(PLAYERS)
        drivers = rng.sample(PLAYERS, rng.randint(3, 12))
        lines.append(f"{stamp(minute, 5)} <@{starter}> next: "
                     f"http://levels.vexlane.example.org/lev/{level}.lev")
        minute += 1
        base = level_skill[level]
        for nick in drivers:
            minute += rng.randint(0, 1)
            if rng.random() < 0.1:
                lines.append(f"{stamp(minute, 30)} < {nick}> "
                             f"{rng.randint(1, 30)}")
            else:
                time = base + rng.randint(0, base // 3)
                lines.append(f"{stamp(minute, 30)} < {nick}> {time_text(time)}")
            if rng.random() < 0.2:
                lines.append(f"{stamp(minute, 45)} < {rng.choice(PLAYERS)}> "
                             f"{rng.choice(CHATTER)}")
        minute += 2
        lines.append(f"{stamp(minute, 10)} <@{starter}> stop")
        minute += rng.randint(1, 4)


def season_log(path):
    rng = random.Random(20240902)
    level_skill = {level: rng.randint(3000, 18000) for level in LEVELS}
    day = FIRST_DAY
    lines = [f"--- Log opened {day:%a %b %d} 19:30:00 {day:%Y}"]
    while day <= LAST_DAY:
        if day != FIRST_DAY:
            lines.append(f"--- Day changed {day:%a %b %d %Y}")
        if day.weekday() in (0, 1, 3, 5) and rng.random() < 0.9:
            lines.append(f"19:45:00 -!- {rng.choice(PLAYERS)} "
                         "[user@host] has joined #battle")
            night(rng, lines, level_skill)
        day += datetime.timedelta(days=1)
    lines.append(f"--- Log closed {LAST_DAY:%a %b %d} 23:59:00 {LAST_DAY:%Y}")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    season_log(sys.argv[1])
