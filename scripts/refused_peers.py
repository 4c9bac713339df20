"""Peers outside the program's allowed senders, as other computers would be: each connects again as
soon as the program has closed its connection. Run alone, for the seconds given, it then tells the
caller on a connection to REPORT-PORT how many connections it tried and how many the program closed
without a byte.
  Usage: refused_peers.py PORT PEERS SECONDS REPORT-PORT"""
import socket
import sys
import threading
import time


def flood(port, peers, until):
    """Runs the peers until until() is true; (attempts, refused)."""
    counts, lock = [0, 0], threading.Lock()

    def peer():
        while not until():
            refused = False
            try:
                with socket.create_connection(("127.0.0.1", port), timeout=5) as connection:
                    connection.settimeout(5)
                    refused = connection.recv(1) == b""
            except OSError:
                time.sleep(0.001)
            with lock:
                counts[0] += 1
                counts[1] += refused

    threads = [threading.Thread(target=peer) for _ in range(peers)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return counts


if __name__ == "__main__":
    port, peers, seconds, report = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
    end = time.monotonic() + seconds
    attempts, refused = flood(port, peers, lambda: time.monotonic() >= end)
    with socket.create_connection(("127.0.0.1", report), timeout=10) as connection:
        connection.sendall(f"{attempts} {refused}".encode())
