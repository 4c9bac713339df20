#!/usr/bin/env python3
"""Times dusklamp-send against 1,000 loopback listeners, all answering and then with every tenth
black-holed.   Usage: bench-send.py SENDER-COMMAND..."""
import os
import selectors
import socket
import subprocess
import sys
import tempfile
import threading
import time

COUNT = 1000
TIMEOUT_MS = 1000


def address(i):
    # Distinct addresses of 127.0.0.0/8, all on one port: loopback answers on every one of them.
    return f"127.0.{1 + i // 250}.{1 + i % 250}"


class Peers:
    """1,000 listeners served by one thread; a black-holed one has a full accept queue and is never served."""

    def __init__(self, port, holes):
        self.selector = selectors.DefaultSelector()
        self.listeners, self.fillers = [], []
        self.received = 0
        self.lock = threading.Lock()
        for i in range(COUNT):
            listener = socket.socket()
            listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            listener.bind((address(i), port))
            if i in holes:
                # Backlog 0 queues one connection; with that one taken, new connection requests are dropped.
                listener.listen(0)
                self.fillers.append(socket.create_connection((address(i), port)))
            else:
                listener.listen(16)
                listener.setblocking(False)
                self.selector.register(listener, selectors.EVENT_READ)
            self.listeners.append(listener)
        self.running = True
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        while self.running:
            for key, _ in self.selector.select(0.1):
                sock = key.fileobj
                if sock in self.listeners:
                    try:
                        conn, _ = sock.accept()
                    except BlockingIOError:
                        continue
                    conn.setblocking(False)
                    self.selector.register(conn, selectors.EVENT_READ)
                    continue
                data = sock.recv(100)
                if not data:
                    self.selector.unregister(sock)
                    sock.close()
                    with self.lock:
                        self.received += 1

    def wait_received(self, count, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self.lock:
                if self.received >= count:
                    return True
            time.sleep(0.01)
        return False

    def close(self):
        self.running = False
        self.thread.join()
        for sock in self.listeners + self.fillers:
            sock.close()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def run(sender, listing, jobs, holes):
    peers = Peers(free_port(), holes)
    try:
        with open(listing, "w") as f:
            f.writelines(f"{address(i)},{peers.listeners[0].getsockname()[1]}\r\n" for i in range(COUNT))
        started = time.monotonic()
        result = subprocess.run(sender + ["-q", "-t", str(TIMEOUT_MS), "-j", str(jobs), "off", "-l", listing],
                                capture_output=True, text=True)
        elapsed = time.monotonic() - started
        failed = len(result.stdout.splitlines())
        arrived = peers.wait_received(COUNT - len(holes))
        ok = result.returncode == (1 if holes else 0) and failed == len(holes) and arrived
        print(f"{COUNT} computers, {len(holes):3} black-holed, -j {jobs:4}, -t {TIMEOUT_MS}: "
              f"{elapsed:.3f} s, {failed} failed{'' if ok else '  UNEXPECTED: ' + result.stderr.strip()}")
        return ok
    finally:
        peers.close()


def main():
    sender = sys.argv[1:]
    holes = set(range(9, COUNT, 10))
    with tempfile.TemporaryDirectory() as folder:
        listing = os.path.join(folder, "Clients.txt")
        ok = all([run(sender, listing, 64, set()), run(sender, listing, COUNT, set()),
                  run(sender, listing, COUNT, holes), run(sender, listing, 64, holes)])
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
