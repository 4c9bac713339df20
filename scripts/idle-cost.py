#!/usr/bin/env python3
"""CPU time and context switches of a process and all its threads over ten seconds.
Usage: idle-cost.py PID LABEL"""
import glob
import os
import sys
import time


def counts(pid):
    ticks = switches = 0
    for task in glob.glob(f"/proc/{pid}/task/*"):
        try:
            with open(f"{task}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            ticks += int(fields[11]) + int(fields[12])  # utime, stime
            with open(f"{task}/status") as status:
                switches += sum(int(line.split()[1]) for line in status if "ctxt_switches" in line)
        except (OSError, IndexError, ValueError):
            pass  # a thread that ended meanwhile
    return ticks, switches


pid, label = int(sys.argv[1]), sys.argv[2]
time.sleep(1)  # what the last request still had to do is not idleness
ticks0, switches0 = counts(pid)
start = time.monotonic()
time.sleep(10)
ticks1, switches1 = counts(pid)
ms = (ticks1 - ticks0) * 1000 / os.sysconf("SC_CLK_TCK")
print(f"{label:<40} {ms:.0f} ms CPU, {switches1 - switches0} context switches in {time.monotonic() - start:.1f} s")
