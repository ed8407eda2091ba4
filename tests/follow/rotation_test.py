#!/usr/bin/env python3
"""--follow as a process while the log is rotated, cut, edited and replaced.

    rotation_test.py PROGRAM [--rotations N] [--busy]

First one case for each way a log has been seen to go wrong under a
follower that the soak below does not take (the followed file's own unit
tests hold the rest, step by step): battles read just before a rotation,
a FIFO or a directory under the log's name, SIGHUP (and a storm
of them) while the name names nothing, a directory link above the log
pointed elsewhere, and (as root, with setpriv) a directory that cannot be
searched for a while. Then a soak: N rotations of each kind (rename and
create, remove and create, copytruncate, the symlink's target, an edit in
place, a small cut), a battle written before each and one after, counting
the battles lost, doubled and stalled (not published within 10 s). With
--busy the program shares one core with two busy loops.
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

EVENT = re.compile(rb"^Event \d+: (\S+)", re.M)


class Follower:
    """The program following `log` in `work`, its report at rep.txt."""

    def __init__(self, prog, work, log="log", busy=False, prefix=()):
        self.work = work
        self.report = os.path.join(work, "rep.txt")
        command = [*prefix, prog, "--follow", "-q", "-i", log, "-o", "rep.txt"]
        if busy:
            command = ["taskset", "-c", "0", *command]
        self.err = open(os.path.join(work, "err"), "wb")
        self.process = subprocess.Popen(command, cwd=work, stdout=subprocess.DEVNULL,
                                        stderr=self.err, stdin=subprocess.DEVNULL)

    def levels(self):
        try:
            with open(self.report, "rb") as f:
                return [m.decode() for m in EVENT.findall(f.read())]
        except FileNotFoundError:
            return []

    def wait_for(self, count, seconds=10.0):
        """True once the report holds `count` battles."""
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if len(self.levels()) == count:
                return True
            if self.process.poll() is not None:
                return False
            time.sleep(0.005)
        return False

    def stop(self, seconds=5.0):
        """SIGTERM; the exit status, or None when it did not end in time."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None
        finally:
            self.err.close()

    def resources(self):
        """Open descriptors and resident KiB of the program (Linux)."""
        pid = self.process.pid
        try:
            # The least of a few looks: a file is opened for a moment to
            # be looked at.
            fds = min(len(os.listdir(f"/proc/{pid}/fd")) for _ in range(3)
                      if time.sleep(0.05) is None)
            with open(f"/proc/{pid}/status") as f:
                rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS"))
        except (OSError, StopIteration):
            return None
        return fds, rss

    def errors(self):
        with open(os.path.join(self.work, "err"), "rb") as f:
            return f.read().decode(errors="replace")


def battle(level, stop=True):
    lines = [f"[20:00:00] <Ann> next: http://levels.example.org/lev/{level}.lev",
             "[20:00:10] <Bob> 1:02,11", "[20:00:20] <Cal> 0:59,87",
             "[20:00:30] <Zed> hello there, nice level"]
    if stop:
        lines.append("[20:00:40] <Ann> stop")
    return "".join(line + "\n" for line in lines).encode()


def append(path, data):
    with open(path, "ab") as f:
        f.write(data)


class Cases:
    def __init__(self, prog, busy):
        self.prog = prog
        self.busy = busy
        self.failures = []

    def fail(self, case, why):
        self.failures.append(f"{case}: {why}")
        print(f"FAIL: {case}: {why}")

    def start(self, work, first_levels, log="log"):
        path = os.path.join(work, log)
        for level in first_levels:
            append(path, battle(level))
        follower = Follower(self.prog, work, log=log, busy=self.busy)
        if not follower.wait_for(len(first_levels)):
            self.fail("start", f"the first report holds {follower.levels()}")
        return follower, path

    def expect(self, case, follower, levels):
        if not follower.wait_for(len(levels)) or follower.levels() != levels:
            self.fail(case, f"the report holds {follower.levels()}, not {levels}")
            return False
        return True

    def finish(self, case, follower, levels):
        status = follower.stop()
        if status != 0:
            self.fail(case, f"status {status}: {follower.errors()}")
        elif follower.levels() != levels:
            self.fail(case, f"the last report holds {follower.levels()}, not {levels}")

    def rotated_at_once(self, work, remove):
        # Battles written quickly, then the log rotated at once: they are
        # published with nothing more written.
        case = "remove and create" if remove else "rename and create"
        follower, path = self.start(work, ["A1"])
        levels = ["A1"] + [f"B{i}" for i in range(12)]
        for level in levels[1:]:
            append(path, battle(level))
        # The old file ends in half a line, which ends with it.
        append(path, b"[20:01:00] <Zed> half a li")
        if remove:
            os.remove(path)
        else:
            os.rename(path, path + ".1")
        open(path, "wb").close()
        self.expect(case, follower, levels)
        append(path, battle("C1"))
        self.finish(case, follower, levels + ["C1"])

    def odd_names(self, work):
        # A FIFO, then a directory under the name: the old file is read on,
        # nothing blocks, and the next regular file is taken.
        case = "FIFO and directory under the name"
        follower, path = self.start(work, ["A1"])
        os.rename(path, path + ".1")
        os.mkfifo(path)
        time.sleep(0.3)
        append(path + ".1", battle("A2"))
        self.expect(case, follower, ["A1", "A2"])
        os.remove(path)
        os.mkdir(path)
        time.sleep(0.3)
        os.rmdir(path)
        append(path, battle("B1"))
        self.expect(case, follower, ["A1", "A2", "B1"])
        errors = follower.errors()
        for kind in ("a FIFO", "a directory"):
            if errors.count(kind) != 1:
                self.fail(case, f"{kind} said {errors.count(kind)} times: {errors}")
        os.rename(path, path + ".2")
        os.mkfifo(path)
        time.sleep(0.3)
        started = time.monotonic()
        self.finish(case, follower, ["A1", "A2", "B1"])
        if time.monotonic() - started > 1.0:
            self.fail(case, "SIGTERM took more than a second with a FIFO there")

    def hangup_without_log(self, work):
        case = "SIGHUP while the name names nothing"
        follower, path = self.start(work, ["A1"])
        os.rename(path, path + ".1")
        follower.process.send_signal(signal.SIGHUP)
        time.sleep(0.5)
        if follower.process.poll() is not None:
            self.fail(case, f"it ended with status {follower.process.returncode}")
            return
        if "the logs are not read again" not in follower.errors():
            self.fail(case, f"not said: {follower.errors()}")
        append(path, battle("B1"))
        self.expect(case, follower, ["A1", "B1"])
        # A storm of them across a rotation: each reads the logs again, or
        # says it cannot; the report is the new log's.
        for _ in range(20):
            follower.process.send_signal(signal.SIGHUP)
        os.rename(path, path + ".2")
        for _ in range(20):
            follower.process.send_signal(signal.SIGHUP)
        append(path, battle("C1"))
        time.sleep(0.5)
        follower.process.send_signal(signal.SIGHUP)
        self.expect(case, follower, ["C1"])
        self.finish(case, follower, ["C1"])

    def directory_swapped(self, work):
        # The log's directory is a link, pointed at a new directory.
        case = "directory above the log swapped"
        for name in ("d1", "d2"):
            os.mkdir(os.path.join(work, name))
        append(os.path.join(work, "d1", "log"), battle("A1"))
        os.symlink("d1", os.path.join(work, "current"))
        follower = Follower(self.prog, work, log="current/log", busy=self.busy)
        self.expect(case, follower, ["A1"])
        append(os.path.join(work, "d2", "log"), battle("B1"))
        os.symlink("d2", os.path.join(work, "next"))
        os.replace(os.path.join(work, "next"), os.path.join(work, "current"))
        self.expect(case, follower, ["A1", "B1"])
        self.finish(case, follower, ["A1", "B1"])

    def unsearchable(self, work):
        # As a user the directory can be closed to for a while.
        case = "directory not searchable for a while"
        as_nobody = ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups")
        if os.geteuid() != 0 or subprocess.run(
                [*as_nobody, self.prog, "--version"], capture_output=True,
                check=False).returncode != 0:
            print(f"{case}: skipped (needs root, setpriv and a program the user "
                  "nobody may run)")
            return
        logs = os.path.join(work, "logs")
        os.mkdir(logs)
        path = os.path.join(logs, "log")
        append(path, battle("A1"))
        for owned in (work, logs, path):
            os.chown(owned, 65534, 65534)
        follower = Follower(self.prog, work, log="logs/log", prefix=as_nobody)
        self.expect(case, follower, ["A1"])
        os.chmod(logs, 0)
        os.rename(path, path + ".1")
        open(path, "wb").close()
        os.chown(path, 65534, 65534)
        append(path, battle("B1"))
        time.sleep(0.5)
        os.chmod(logs, 0o755)
        self.expect(case, follower, ["A1", "B1"])
        self.finish(case, follower, ["A1", "B1"])


def rotate(kind, work, log):
    """Rotates the log `log` (its path) the way `kind` says."""
    if kind == "rename":
        os.replace(log, log + ".1")
        open(log, "wb").close()
    elif kind == "remove":
        os.remove(log)
        open(log, "wb").close()
    elif kind == "copytruncate":
        with open(log, "rb") as f, open(log + ".1", "wb") as copy:
            copy.write(f.read())
        os.truncate(log, 0)
    elif kind == "symlink":
        target = os.path.join(work, "target.log")
        os.replace(target, target + ".1")
        open(target, "wb").close()
    elif kind == "edit":
        subprocess.run(["sed", "-i", "s/hello there/hi there/", log], check=True)
    elif kind == "cut":
        os.truncate(log, os.path.getsize(log) - 10)
        append(log, b"\n")


def soak(prog, rotations, busy):
    """Counts of battles lost, doubled and stalled over `rotations` of each kind."""
    totals = {}
    for kind in ("rename", "remove", "copytruncate", "symlink", "edit", "cut"):
        with tempfile.TemporaryDirectory(prefix="vexlane-soak-") as work:
            log = os.path.join(work, "log")
            if kind == "symlink":
                open(os.path.join(work, "target.log"), "wb").close()
                os.symlink("target.log", log)
            else:
                open(log, "wb").close()
            append(log, battle(f"{kind}-first"))
            follower = Follower(prog, work, busy=busy)
            expected, stalled = [f"{kind}-first"], 0
            if not follower.wait_for(1):
                stalled += 1
            at_start = follower.resources()
            for i in range(rotations):
                before, after = f"{kind}{i}a", f"{kind}{i}b"
                append(log, battle(before))
                append(log, b"[20:01:00] <Zed> a line of chat that the cut may take\n")
                if kind in ("edit", "cut", "copytruncate"):
                    # What the log held is read before it is cut: cut
                    # unread, no follower could read it (copytruncate
                    # loses it, and an edit is then not one of what was
                    # read).
                    if not follower.wait_for(len(expected) + 1):
                        stalled += 1
                rotate(kind, work, log)
                append(log, battle(after))
                expected += [before, after]
                if not follower.wait_for(len(expected)):
                    stalled += 1
            at_end = follower.resources()
            status = follower.stop()
            got = follower.levels()
            lost = len(set(expected) - set(got))
            doubled = len(got) - len(set(got))
            # Descriptors stay as they were, whatever the rotations.
            if at_start and at_end and at_end[0] > at_start[0]:
                status = f"{status}, descriptors {at_start[0]} -> {at_end[0]}"
            totals[kind] = (lost, doubled, stalled, status)
            resident = f", resident {at_start[1]} -> {at_end[1]} KiB" if at_start and at_end else ""
            print(f"soak {kind}: {rotations} rotations, {lost} lost, {doubled} doubled, "
                  f"{stalled} stalled, status {status}{resident}")
    return totals


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("prog")
    parser.add_argument("--rotations", type=int, default=40)
    parser.add_argument("--busy", action="store_true")
    args = parser.parse_args()
    prog = os.path.realpath(args.prog)
    os.environ.update(SOURCE_DATE_EPOCH="1110013500", TZ="UTC")
    busy = []
    if args.busy:
        busy = [subprocess.Popen(["taskset", "-c", "0", "sh", "-c", "while :; do :; done"])
                for _ in range(2)]
    cases = Cases(prog, args.busy)
    try:
        for name, run in [("rename", lambda w: cases.rotated_at_once(w, False)),
                          ("remove", lambda w: cases.rotated_at_once(w, True)),
                          ("odd", cases.odd_names),
                          ("hangup", cases.hangup_without_log),
                          ("swapped", cases.directory_swapped),
                          ("unsearchable", cases.unsearchable)]:
            with tempfile.TemporaryDirectory(prefix=f"vexlane-{name}-") as work:
                run(work)
        totals = soak(prog, args.rotations, args.busy)
    finally:
        for p in busy:
            p.kill()
    for kind, (lost, doubled, stalled, status) in totals.items():
        if lost or doubled or stalled or status != 0:
            cases.fail(f"soak {kind}", f"{lost} lost, {doubled} doubled, {stalled} stalled, "
                       f"status {status}")
    if not cases.failures:
        print("rotation: every case passed")
    return 1 if cases.failures else 0


if __name__ == "__main__":
    sys.exit(main())
