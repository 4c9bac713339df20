#!/usr/bin/env python3
"""Peers outside the allowed senders that connect again as soon as they are refused, while an
allowed peer sends a command now and then: how long each command waited to be served, and the
CPU the program used meanwhile. The allowed senders must be 127.0.0.2 alone.
  Usage: refused-flood.py PORT PID PEERS [SECONDS]"""
import socket
import sys
import threading
import time

from refused_peers import flood

PORT, PID, PEERS = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
SECONDS = float(sys.argv[4]) if len(sys.argv) > 4 else 10
stop = threading.Event()
counts = []


def cpu_ms(pid):
    import glob
    import os
    ticks = 0
    for task in glob.glob(f"/proc/{pid}/task/*"):
        try:
            with open(f"{task}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            ticks += int(fields[11]) + int(fields[12])
        except (OSError, IndexError, ValueError):
            pass
    return ticks * 1000 / os.sysconf("SC_CLK_TCK")


def served_after(text):
    # From the connection's start until the program closed it, which it does once it has taken
    # the command (and written its record).
    start = time.monotonic()
    with socket.socket() as peer:
        peer.bind(("127.0.0.2", 0))
        peer.settimeout(60)
        peer.connect(("127.0.0.1", PORT))
        peer.sendall(text)
        peer.shutdown(socket.SHUT_WR)
        while peer.recv(100):
            pass
    return (time.monotonic() - start) * 1000


peers = threading.Thread(target=lambda: counts.extend(flood(PORT, PEERS, stop.is_set)), daemon=True)
peers.start()
time.sleep(1)
cpu0, start = cpu_ms(PID), time.monotonic()
latencies = []
while time.monotonic() - start < SECONDS:
    latencies.append(served_after(b":silent"))
    time.sleep(0.5)
cpu = cpu_ms(PID) - cpu0
elapsed = time.monotonic() - start
stop.set()
peers.join()
latencies.sort()
print(f"{PEERS:>3} refused peers reconnecting: {counts[1] / (elapsed + 1):.0f} refusals per second; an allowed "
      f"command served after {latencies[len(latencies) // 2]:.0f} ms (median), {latencies[-1]:.0f} ms at most "
      f"({len(latencies)} commands); the program used {cpu:.0f} ms CPU in {elapsed:.1f} s")
