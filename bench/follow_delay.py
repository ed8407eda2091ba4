#!/usr/bin/env python3
"""The delay between a stop line and the republished report, in follow mode.

Starts `vexlane-stats --follow` on a log holding HISTORY battles (or a
copy of the log file HISTORY names), then, for each of ROUNDS new battles,
writes its link and times, waits for the follower to read them, writes the
stop line and times until the report at -o is a new file (the report is
replaced by a rename, a site by an exchange: a new inode). Prints the
median and the largest delay for each format.

    bench/follow_delay.py [PROGRAM] [HISTORY] [ROUNDS] [FORMAT,...]
"""
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                          os.path.join(os.path.dirname(__file__), "..",
                                       "build", "vexlane-stats"))
history = sys.argv[2] if len(sys.argv) > 2 else "2000"
rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 30
formats = (sys.argv[4] if len(sys.argv) > 4 else "text,web").split(",")


def battle(n, stop=True):
    lines = [f"[20:00:00] <Ann> next: http://levels.example.org/lev/L{n}.lev"]
    for i, nick in enumerate(["Bob", "Cal", "Dee", "Eve", f"P{n % 50}"]):
        lines.append(f"[20:01:{i:02}] <{nick}> 1:{(n + i) % 50 + 10:02},{i}7")
    if stop:
        lines.append("[20:02:00] <Ann> stop")
    return "".join(line + "\n" for line in lines)


def append(path, text):
    with open(path, "a", encoding="ascii") as f:
        f.write(text)


def measure(work, report_format):
    log = os.path.join(work, "log")
    report = os.path.join(work, "report." + report_format)
    first = 0
    if history.isdigit():
        first = int(history)
        with open(log, "w", encoding="ascii") as f:
            f.write("".join(battle(n) for n in range(first)))
    else:
        shutil.copyfile(history, log)
    follower = subprocess.Popen(
        [program, "-q", "--follow", "-f", report_format, "-i", log, "-o",
         report])
    try:
        while not os.path.exists(report):
            time.sleep(0.01)
        delays = []
        for n in range(first, first + rounds):
            append(log, battle(n, stop=False))
            time.sleep(0.3)  # read, the battle open
            before = os.stat(report).st_ino
            start = time.monotonic()
            append(log, "[20:02:00] <Ann> stop\n")
            while os.stat(report).st_ino == before:
                time.sleep(0.0005)
            delays.append(time.monotonic() - start)
        return delays
    finally:
        follower.send_signal(signal.SIGTERM)
        follower.wait()


def main():
    print(f"{program}: {history} battles before, {rounds} rounds")
    for report_format in formats:
        with tempfile.TemporaryDirectory(prefix="vexlane-delay-") as work:
            delays = measure(work, report_format)
        print(f"{report_format:5} median {statistics.median(delays) * 1000:7.1f} ms"
              f"  largest {max(delays) * 1000:7.1f} ms")


main()
