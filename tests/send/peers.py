#!/usr/bin/env python3
"""dusklamp-send against real peers on loopback.   Usage: peers.py SENDER-COMMAND...

The sender command is the native binary, or the Windows one behind a runner that starts it under Wine.
"""
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

SENDER = []
WIRE = {"off": b" ", "lock": b":lock", "on": b":displayon"}
LABEL = {"off": "Dusklamp", "lock": "Lock WorkStation & Dusklamp", "on": "Dawnlamp"}


class Listener:
    """A peer that accepts every connection and keeps what each sent until its end of stream."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(16)
        self.port = self.sock.getsockname()[1]
        self.received = []  # (bytes, seconds on the monotonic clock when the stream ended)
        self.changed = threading.Condition()
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            conn.settimeout(10)
            data = b""
            try:
                while chunk := conn.recv(100):
                    data += chunk
            except OSError:
                data += b"<no end of stream>"
            conn.close()
            with self.changed:
                self.received.append((data, time.monotonic()))
                self.changed.notify_all()

    def wait_for(self, count, timeout=10):
        with self.changed:
            self.changed.wait_for(lambda: len(self.received) >= count, timeout)
            return [data for data, _ in self.received]

    def close(self):
        self.sock.close()


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def run_sender(*args, timeout=60):
    result = subprocess.run(SENDER + list(args), capture_output=True, timeout=timeout)
    # The Windows binary writes its lines in text mode.
    lines = result.stdout.decode().replace("\r\n", "\n").splitlines()
    return result.returncode, lines, result.stderr.decode().replace("\r\n", "\n")


class SendTest(unittest.TestCase):
    def setUp(self):
        self.listeners = []
        self.dir = tempfile.TemporaryDirectory()
        self.log = os.path.join(self.dir.name, "CommandsLog.csv")

    def tearDown(self):
        for listener in self.listeners:
            listener.close()
        self.dir.cleanup()

    def listener(self):
        self.listeners.append(Listener())
        return self.listeners[-1]

    def log_records(self):
        with open(self.log, "rb") as f:
            data = f.read()
        self.assertTrue(data.endswith(b"\r\n"), data)
        return [record.decode().split(",")[1:] for record in data.split(b"\r\n")[:-1]]

    def test_each_command_arrives_as_its_wire_bytes_then_end_of_stream_and_is_logged(self):
        a, b = self.listener(), self.listener()
        for count, command in enumerate(WIRE, 1):
            status, lines, _ = run_sender("--log", self.log, "-p", str(b.port), command,
                                          f"127.0.0.1:{a.port}", "localhost")
            self.assertEqual(status, 0, lines)
            self.assertEqual(lines, [f"127.0.0.1:{a.port} reached", f"localhost:{b.port} reached"])
            self.assertEqual(a.wait_for(count)[-1], WIRE[command])
            self.assertEqual(b.wait_for(count)[-1], WIRE[command])
        expected = []
        for command in WIRE:
            expected += [["127.0.0.1", str(a.port), LABEL[command]], ["localhost", str(b.port), LABEL[command]]]
        self.assertEqual(self.log_records(), expected)

    def test_closed_port_and_bad_list_entries_fail_while_the_others_are_reached(self):
        a, b, closed = self.listener(), self.listener(), closed_port()
        listing = os.path.join(self.dir.name, "Clients.txt")
        with open(listing, "wb") as f:
            f.write(f"127.0.0.1,{closed}\n\n127.0.0.1,0\r\r\n127.0.0.1,{b.port}".encode())
        status, lines, _ = run_sender("-q", "--log", self.log, "off", f"127.0.0.1:{a.port}", "--list", listing)
        self.assertEqual(status, 1)
        self.assertEqual(len(lines), 2, lines)
        self.assertRegex(lines[0], f"^127.0.0.1:{closed} failed: .*(refused|actively)")
        self.assertRegex(lines[1], "^127.0.0.1:0 failed: bad port")
        self.assertEqual(a.wait_for(1), [b" "])
        self.assertEqual(b.wait_for(1), [b" "])
        # Every attempt is logged before it is made, failed ones included, in the order given.
        self.assertEqual([record[1] for record in self.log_records()], [str(a.port), str(closed), "0", str(b.port)])

    def test_computer_that_never_answers_fails_at_its_time_out_without_delaying_the_rest(self):
        # A listener whose accept queue is full drops new connection requests, so connecting hangs.
        hung = socket.socket()
        hung.bind(("127.0.0.1", 0))
        hung.listen(0)
        queued = []
        while True:
            probe = socket.socket()
            probe.settimeout(0.3)
            try:
                probe.connect(hung.getsockname())
                queued.append(probe)
            except socket.timeout:
                probe.close()
                break
        a, b = self.listener(), self.listener()
        host = f"127.0.0.1:{hung.getsockname()[1]}"
        started = time.monotonic()
        # Two hanging computers: in parallel they cost the time-out once.
        status, lines, _ = run_sender("-t", "2000", "on", host, f"127.0.0.1:{a.port}", host,
                                      f"127.0.0.1:{b.port}")
        elapsed = time.monotonic() - started
        hung.close()
        for probe in queued:
            probe.close()
        self.assertEqual(status, 1)
        self.assertEqual(lines[1::2], [f"127.0.0.1:{a.port} reached", f"127.0.0.1:{b.port} reached"])
        # Wine has no text for WSAETIMEDOUT, so its number stands in.
        for line in lines[0::2]:
            self.assertRegex(line, f"^{host} failed: .*(timed out|did not properly respond|10060)")
        self.assertGreaterEqual(elapsed, 2.0)
        self.assertLess(elapsed, 3.5)
        for listener in (a, b):
            self.assertEqual(listener.wait_for(1), [b":displayon"])
            self.assertLess(listener.received[0][1] - started, 2.0, "a reachable computer waited for the hung one")

    def test_usage_errors_and_an_unreadable_list_exit_2_with_one_line_and_send_nothing(self):
        a = self.listener()
        target = f"127.0.0.1:{a.port}"
        for args, problem in [(["dim", target], "unknown command 'dim'"),
                              (["-j", "x", "on", target], "bad job count 'x'"),
                              (["on", target, "127.0.0.1:70000"], "bad port in '127.0.0.1:70000'"),
                              (["on", target, "-l", os.path.join(self.dir.name, "none.txt")], "cannot read list")]:
            status, lines, error = run_sender(*args)
            self.assertEqual((status, lines), (2, []), args)
            self.assertEqual(error.count("\n"), 1, error)
            self.assertIn(problem, error)
        # What a sender would have sent had it sent anything has had time to arrive by now.
        status, _, _ = run_sender("on", target)
        self.assertEqual(status, 0)
        self.assertEqual(a.wait_for(1), [b":displayon"])


if __name__ == "__main__":
    SENDER = sys.argv[1:]
    unittest.main(argv=sys.argv[:1], verbosity=2)
