#!/usr/bin/env python3
"""Writes a log whose nicks and levels try to become markup, formulas or
bad text: make_hostile_log.py PATH"""
import sys


def hostile_log(path):
    """Nicks and levels that try to become markup, formulas or bad text."""
    long_nick = "L" * 400
    lines = [
        "[20:00:00] <Ann> http://x.example/\"><b>x&amp;'.lev",
        "[20:01:00] <a<script>alert(1)</script> 1:00,00",
        "[20:01:05] <x<img src=x onerror=alert(1)> 1:00,30",
        "[20:01:06] <\"><img onerror=alert(1)> 1:00,40",
        "[20:01:10] <=cmd|' /C calc'!A0> 1:01,00",
        "[20:01:20] <Bob,\"the\" \xe9l\xe8ve> 1:02,00",
        "[20:01:30] <\u202eevil\u202c> 1:03,00".encode("utf-8").decode("latin-1"),
        f"[20:01:40] <{long_nick}> 1:04,00",
        "[20:01:50] <@x\"onmouseover=alert(1)> 7",
        "[20:02:00] <-minus> 1:05,00",
        "[20:09:00] <Ann> stop",
        "[21:00:00] <Zed> http://x.example/<svg>.lev",
        "[21:01:00] <Zed> 59,00",
    ]
    with open(path, "wb") as f:
        f.write(("\n".join(lines) + "\n").encode("latin-1"))


if __name__ == "__main__":
    hostile_log(sys.argv[1])
