"""dusklamp-send against real peers on loopback.   Usage: peers.py SENDER-COMMAND...
(the native binary, or the Windows one behind a runner that starts it under Wine)"""
import contextlib
import queue
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

SENDER = sys.argv[1:]
WIRE = {"off": b" ", "lock": b":lock", "on": b":displayon"}


class Listener:
    """Queues what each connection sent up to its end of stream, and when it ended; closes with the test."""

    def __init__(self, test):
        self.sock = test.enterContext(socket.create_server(("127.0.0.1", 0)))
        self.port = self.sock.getsockname()[1]
        self.streams = queue.Queue()
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        # Ends when the socket is closed; a stream without an end stops it too, and next() then fails.
        with contextlib.suppress(OSError):
            while True:
                conn, _ = self.sock.accept()
                conn.settimeout(10)
                with conn, conn.makefile("rb") as stream:
                    self.streams.put((stream.read(), time.monotonic()))

    def next(self):
        return self.streams.get(timeout=10)


def run_sender(*args):
    result = subprocess.run(SENDER + list(args), capture_output=True, timeout=60)
    return result.returncode, result.stdout.decode().splitlines(), result.stderr.decode()


class SendTest(unittest.TestCase):
    def setUp(self):
        folder = self.enterContext(tempfile.TemporaryDirectory())
        self.log, self.list = f"{folder}/CommandsLog.csv", f"{folder}/Clients.txt"

    def test_each_command_arrives_as_its_wire_bytes_then_end_of_stream(self):
        a, b = Listener(self), Listener(self)
        for command in WIRE:
            status, lines, _ = run_sender("-p", str(b.port), command, f"127.0.0.1:{a.port}", "localhost")
            self.assertEqual((status, lines), (0, [f"127.0.0.1:{a.port} reached", f"localhost:{b.port} reached"]))
            self.assertEqual((a.next()[0], b.next()[0]), (WIRE[command], WIRE[command]))

    def test_closed_port_and_bad_list_entries_fail_while_the_others_are_reached_and_all_are_logged(self):
        a, b, closed = Listener(self), Listener(self), self.enterContext(socket.socket())
        closed.bind(("127.0.0.1", 0))  # bound but not listening: connecting to it is refused
        closed = closed.getsockname()[1]
        with open(self.list, "wb") as f:
            f.write(f"127.0.0.1,{closed}\n\n127.0.0.1,0\r\r\n127.0.0.1,{b.port}".encode())
        status, lines, _ = run_sender("-q", "--log", self.log, "off", f"127.0.0.1:{a.port}", "--list", self.list)
        self.assertEqual((status, len(lines)), (1, 2), lines)
        self.assertRegex(lines[0], f"^127.0.0.1:{closed} failed: .*(refused|actively)")
        self.assertRegex(lines[1], "^127.0.0.1:0 failed: bad port")
        self.assertEqual((a.next()[0], b.next()[0]), (b" ", b" "))
        # Each record is written before its attempt, failed ones included, in the order given.
        with open(self.log, "rb") as f:
            ports = [record.split(b",")[2] for record in f.read().split(b"\r\n")[:-1]]
        self.assertEqual(ports, [b"%d" % port for port in (a.port, closed, 0, b.port)])

    def test_computer_that_never_answers_fails_at_its_time_out_without_delaying_the_rest(self):
        # A listener whose accept queue is full drops new connection requests, so connecting hangs.
        hung = self.enterContext(socket.create_server(("127.0.0.1", 0), backlog=0))
        with contextlib.suppress(TimeoutError):
            while True:
                self.enterContext(socket.create_connection(hung.getsockname(), timeout=0.3))
        a, b, host = Listener(self), Listener(self), f"127.0.0.1:{hung.getsockname()[1]}"
        started = time.monotonic()
        # Two hanging computers: in parallel they cost the time-out once.
        status, lines, _ = run_sender("-t", "2000", "on", host, f"127.0.0.1:{a.port}", host, f"127.0.0.1:{b.port}")
        elapsed = time.monotonic() - started
        self.assertEqual((status, lines[1::2]), (1, [f"127.0.0.1:{a.port} reached", f"127.0.0.1:{b.port} reached"]))
        # Wine has no text for WSAETIMEDOUT, so its number stands in.
        for line in lines[0::2]:
            self.assertRegex(line, f"^{host} failed: .*(timed out|did not properly respond|10060)")
        self.assertTrue(2.0 <= elapsed < 3.5, elapsed)
        for listener in (a, b):
            data, ended = listener.next()
            self.assertEqual(data, b":displayon")
            self.assertLess(ended - started, 2.0, "a reachable computer waited for the hung one")

    def test_usage_errors_and_an_unreadable_list_exit_2_with_one_line_and_send_nothing(self):
        a = Listener(self)
        target = f"127.0.0.1:{a.port}"
        for args in (["dim", target], ["-j", "x", "on", target], ["on", target, "-l", self.list]):
            status, lines, error = run_sender(*args)
            self.assertEqual((status, lines, error.count("\n")), (2, [], 1), (args, error))
        # Had a refused run sent anything, it would have arrived before this one's command.
        self.assertEqual(run_sender("on", target)[0], 0)
        self.assertEqual(a.next()[0], b":displayon")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
