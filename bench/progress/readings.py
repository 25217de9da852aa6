#!/usr/bin/env python3
"""Runs one console job on a terminal of its own and compares, once a second, the
remaining time it shows with the time the job actually still took.

Usage: readings.py LABEL PROGRAM_FOLDER [console arguments...]
Prints one table row: label, job seconds, readings after the first 10 % of the job,
the share of them within 20 % (or 3 s) of the actual, the worst error in seconds, the
remaining time shown with the total bar at 100 %, the largest rise between two
readings that the actual did not have, and the one-minute load average at the job's start
and end (other work on the machine changes the encoders' speed).
"""
import os
import pty
import re
import select
import sys
import time

LINE = re.compile(r"total (\d+)%\s+elapsed (\S+)\s+remaining (\S+)")


def seconds(text):
    parts = text.split(":")
    if len(parts) != 3:
        return None
    try:
        return int(parts[0]) * 3600 + int(parts[1]) * 60 + float(parts[2])
    except ValueError:
        return None


def run(program, arguments):
    """The lines the console showed, each with the moment it came, and the job's end."""
    start = time.monotonic()
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(os.path.join(program, "velmo-joiner"), ["velmo-joiner"] + arguments)
    shown = []
    pending = b""
    while True:
        ready, _, _ = select.select([fd], [], [], 1.0)
        if not ready:
            continue
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        now = time.monotonic() - start
        pending += chunk
        *lines, pending = re.split(rb"[\r\n]", pending)
        for line in lines:
            match = LINE.search(line.decode("utf-8", "replace"))
            if match and match.group(3) != "--:--:--":
                shown.append((now, int(match.group(1)), seconds(match.group(3))))
    _, status = os.waitpid(pid, 0)
    end = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"the job failed: {arguments}")
    return shown, end


def load():
    with open("/proc/loadavg") as text:
        return text.read().split()[0]


def main():
    label, program, arguments = sys.argv[1], sys.argv[2], sys.argv[3:]
    load_before = load()
    shown, end = run(program, arguments)
    load_after = load()
    # What the user saw at each whole second: the last line shown by then.
    readings = []
    for second in range(1, int(end) + 1):
        seen = [each for each in shown if each[0] <= second]
        if seen:
            _, total, remaining = seen[-1]
            readings.append((second, total, remaining, end - second))
    counted = [each for each in readings if each[0] >= 0.1 * end]
    within = [r for r in counted if abs(r[2] - r[3]) <= max(3.0, 0.2 * r[3])]
    worst = max((abs(r[2] - r[3]) for r in counted), default=0)
    at_full = [remaining for _, total, remaining in shown if total == 100]
    rise = max((b[2] - a[2] for a, b in zip(readings, readings[1:])), default=0)
    share = 100.0 * len(within) / len(counted) if counted else 0
    print(f"| {label} | {end:.1f} | {len(counted)} | {share:.0f} % | {worst:.1f} | "
          f"{at_full[0] if at_full else 'never shown'} | {max(rise, 0):.0f} | {load_before} to {load_after} |")
    if os.environ.get("VERBOSE"):
        for second, total, remaining, actual in readings:
            print(f"  {second:4d} s  total {total:3d} %  shown {remaining:6.0f}  actual {actual:6.1f}", file=sys.stderr)


if __name__ == "__main__":
    main()
