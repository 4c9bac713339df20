#!/usr/bin/env python3
"""Times dusklamp-send against 1,000 loopback listeners, all answering and then with every tenth
black-holed; against 10,000; against 1,000 beside 100 names whose name server never answers; and
measures its time and peak memory on 10 MB and 100 MB lists.   Usage: bench-send.py SENDER-COMMAND..."""
import contextlib
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
    """Listeners served by one thread; a black-holed one has a full accept queue and is never served."""

    def __init__(self, port, holes, count=COUNT):
        self.selector = selectors.DefaultSelector()
        self.listeners, self.fillers = [], []
        self.received = 0
        self.lock = threading.Lock()
        for i in range(count):
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

    def wait_received(self, count, timeout=30):
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


def run(sender, listing, jobs, holes, count=COUNT, dead_names=0, wrap=()):
    peers = Peers(free_port(), holes, count)
    try:
        with open(listing, "w") as f:
            port = peers.listeners[0].getsockname()[1]
            # The names that never resolve, if any, spread evenly among the computers that answer.
            spread = count // dead_names if dead_names else count + 1
            f.writelines(f"{address(i)},{port}\r\n" + (f"pc-{i}.dead.lab,{port}\r\n" if i % spread == 0 else "")
                         for i in range(count))
        started = time.monotonic()
        result = subprocess.run(list(wrap) + sender + ["-q", "-t", str(TIMEOUT_MS), "-j", str(jobs), "off", "-l", listing],
                                capture_output=True, text=True)
        elapsed = time.monotonic() - started
        failed = len(result.stdout.splitlines())
        arrived = peers.wait_received(count - len(holes))
        lost = len(holes) + dead_names
        ok = result.returncode == (1 if lost else 0) and failed == lost and arrived
        print(f"{count} computers, {len(holes):3} black-holed, {dead_names:3} names never resolved, -j {jobs:4}, "
              f"-t {TIMEOUT_MS}: {elapsed:.3f} s, {failed} failed{'' if ok else '  UNEXPECTED: ' + result.stderr.strip()}")
        return ok
    finally:
        peers.close()


@contextlib.contextmanager
def silent_name_server(folder):
    """A name server on loopback that takes every question and never answers, and the command that runs
    a program with it as its only name server (a mount namespace of its own: needs root), or None."""
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        server.bind(("127.0.0.153", 53))
    except OSError:
        server.close()
        yield None
        return
    conf = os.path.join(folder, "resolv.conf")
    with open(conf, "w") as f:
        f.write("nameserver 127.0.0.153\n")
    wrap = ["unshare", "--mount", "sh", "-c", f'mount --bind {conf} /etc/resolv.conf && exec "$@"', "sh"]
    usable = subprocess.run(wrap + ["true"], capture_output=True).returncode == 0
    with server:
        yield wrap if usable else None


def peak_memory_kb(pid):
    """The process's own peak resident memory so far (wait4's figure would start from this script's)."""
    with contextlib.suppress(OSError), open(f"/proc/{pid}/status") as status:
        for field in status:
            if field.startswith("VmHWM:"):
                return int(field.split()[1])
    return 0


def measure_list(sender, listing, megabytes):
    # Lines the sender must take one by one and fail at once: a bad port, as a list typed by hand may hold.
    line = "192.168.100.200,0\r\n"
    with open(listing, "w") as f:
        f.writelines([line * (2**20 // len(line))] * megabytes)
    started = time.monotonic()
    peak = 0
    with subprocess.Popen(sender + ["-q", "off", "-l", listing], stdout=subprocess.DEVNULL) as process:
        # Sampled until it ends: the peak of the last few milliseconds may be missed.
        while process.poll() is None:
            peak = max(peak, peak_memory_kb(process.pid))
            time.sleep(0.002)
    elapsed = time.monotonic() - started
    ok = process.returncode == 1
    print(f"{megabytes:3} MB list, {megabytes * (2**20 // len(line))} bad entries: {elapsed:.3f} s, "
          f"peak memory {peak / 1024:.1f} MB{'' if ok else '  UNEXPECTED status %d' % process.returncode}")
    return ok


def main():
    sender = sys.argv[1:]
    holes = set(range(9, COUNT, 10))
    with tempfile.TemporaryDirectory() as folder:
        listing = os.path.join(folder, "Clients.txt")
        ok = all([run(sender, listing, 64, set()), run(sender, listing, COUNT, set()),
                  run(sender, listing, COUNT, holes), run(sender, listing, 64, holes),
                  run(sender, listing, 64, set(), count=10000)])
        with silent_name_server(folder) as wrap:
            if wrap:
                ok = run(sender, listing, 64, set(), dead_names=100, wrap=wrap) and ok
            else:
                print("names that never resolve: skipped (a name server on port 53 and a mount namespace need root)")
        ok = all([measure_list(sender, listing, 10), measure_list(sender, listing, 100)]) and ok
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
