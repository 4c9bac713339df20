"""Peers outside the program's allowed senders, run outside Wine as other computers would be: each
connects again as soon as the program has closed its connection, for the seconds given. Then it
tells the test, on a connection to the test's own port, how many connections it tried and how
many the program closed without a byte.
  Usage: refused-peers.py PORT PEERS SECONDS REPORT-PORT"""
import socket
import sys
import threading
import time

port, peers, seconds, report = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
end = time.monotonic() + seconds
counts = [0, 0]
lock = threading.Lock()


def peer():
    while time.monotonic() < end:
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
with socket.create_connection(("127.0.0.1", report), timeout=10) as connection:
    connection.sendall(f"{counts[0]} {counts[1]}".encode())
