#!/usr/bin/env python3
"""Writes a log whose nicks and levels try to become markup, formulas,
file names outside a directory or bad text: make_hostile_log.py PATH

A script that runs in a page sets window.__pwned."""
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
        "[20:02:10] <y<img src=x onerror=window.__pwned=1//> 1:05,10",
        "[20:02:20] <Kat\"autofocus\"onfocus=\"window.__pwned=1> 1:05,20",
        "[20:02:30] <Rtl\u200f\u05de\u05e9\u05d4\u200f> 1:05,30".encode(
            "utf-8").decode("latin-1"),
        f"[20:02:40] <{'W' * 300}> 1:05,40",
        "[20:02:50] <../../escape> 1:05,50",
        "[20:02:55] <..\\..\\win> 1:05,55",
        "[20:09:00] <Ann> stop",
        "[21:00:00] <Zed> http://x.example/<svg>.lev",
        "[21:01:00] <Zed> 59,00",
        "[21:05:00] <Zed> stop",
        "[22:00:00] <Kim> http://x.example/y\"autofocus\"onfocus=\"window.__pwned=1.lev",
        "[22:01:00] <Kim> 1:00,00",
        "[22:02:00] <Kim> stop",
        "[22:10:00] <Kim> http://x.example/...lev",
        "[22:11:00] <Kim> 1:00,00",
        "[22:12:00] <Kim> stop",
        "[22:20:00] <Kim> http://x.example/..\\..\\up.lev",
        "[22:21:00] <Kim> 1:00,00",
        "[22:22:00] <Kim> stop",
        "[22:30:00] <Kim> http://x.example/\u202eRtl\u202c.lev".encode(
            "utf-8").decode("latin-1"),
        "[22:31:00] <Kim> 1:00,00",
    ]
    with open(path, "wb") as f:
        f.write(("\n".join(lines) + "\n").encode("latin-1"))


if __name__ == "__main__":
    hostile_log(sys.argv[1])
