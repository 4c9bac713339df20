"""dusklamp-send against real peers on loopback.   Usage: peers.py SENDER-COMMAND...
(the native binary, or the Windows one behind a runner that starts it under Wine)"""
import contextlib
import os
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
WINDOWS = SENDER[-1].endswith(".exe")
# Seconds a receiver waits for the command of a connection it has accepted; then it drops it unread.
READ_LIMIT = 3.0
# The test build's name that never resolves: neither the Windows build nor a release build has it.
with open(SENDER[-1], "rb") as binary:
    UNANSWERED = b"DUSKLAMP_SEND_UNANSWERED" in binary.read()
# The test build's name that never resolves; the sanitizers' quarantine would be counted as our memory.
ENV = {**os.environ, "DUSKLAMP_SEND_UNANSWERED": "unanswered.invalid",
       "ASAN_OPTIONS": "quarantine_size_mb=0:malloc_context_size=0"}


class Listener:
    """Queues what each connection sent up to its end of stream, when it ended and when it was accepted;
    closes with the test."""

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
                accepted = time.monotonic()
                conn.settimeout(10)
                with conn, conn.makefile("rb") as stream:
                    self.streams.put((stream.read(), time.monotonic(), accepted))

    def next(self):
        return self.streams.get(timeout=10)


def run_sender(*args, shell="", stdout=subprocess.PIPE):
    """Runs the sender behind the shell commands given, as a script would."""
    command = ["bash", "-c", shell + ' exec "$@"', "bash"] + SENDER if shell else SENDER
    result = subprocess.run(command + list(args), stdout=stdout, stderr=subprocess.PIPE, timeout=60, env=ENV)
    return result.returncode, (result.stdout or b"").decode().splitlines(), result.stderr.decode()


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

    def assert_nothing_more_arrived(self, listener):
        # Had anything else been sent, it would arrive before this run's command.
        self.assertEqual(run_sender("lock", f"127.0.0.1:{listener.port}")[0], 0)
        self.assertEqual(listener.next()[0], b":lock")

    def test_closed_port_and_bad_list_entries_fail_while_the_others_are_reached_and_all_are_logged(self):
        a, b, closed = Listener(self), Listener(self), self.enterContext(socket.socket())
        closed.bind(("127.0.0.1", 0))  # bound but not listening: connecting to it is refused
        closed = closed.getsockname()[1]
        with open(self.list, "wb") as f:
            f.write(f"127.0.0.1,{closed}\n\n127.0.0.1,0\r\r\nlost\r\n127.0.0.1\0x,{b.port}\n0177.0.0.1,{b.port}\n"
                    f"127.1,{b.port}\n127.0.0.1,{b.port}".encode())
        status, lines, _ = run_sender("-q", "--log", self.log, "off", f"127.0.0.1:{a.port}", "--list", self.list)
        self.assertEqual((status, len(lines)), (1, 5), lines)
        self.assertRegex(lines[0], f"^127.0.0.1:{closed} failed: .*(refused|actively)")
        self.assertRegex(lines[1], "^127.0.0.1:0 failed: bad port")
        # The NUL would end the name for the system, which would then contact 127.0.0.1; the line
        # without a comma runs into it, line end and all.
        self.assertEqual(lines[2], f"lost??127.0.0.1?x:{b.port} failed: bad computer")
        # The system's reader takes both for 127.0.0.1 (octal, short form): they name no computer.
        self.assertEqual(lines[3:], [f"{host}:{b.port} failed: bad address (four numbers from 0 to 255 without "
                                     "leading zeros)" for host in ("0177.0.0.1", "127.1")])
        self.assertEqual((a.next()[0], b.next()[0]), (b" ", b" "))
        self.assert_nothing_more_arrived(b)
        # Each record is written before its attempt, failed ones included, in the order given, and
        # a line end in an entry splits no record.
        with open(self.log, "rb") as f:
            ports = [record.split(b",")[-2] for record in f.read().split(b"\r\n")[:-1]]
        self.assertEqual(ports, [b"%d" % port for port in (a.port, closed, 0, b.port, b.port, b.port, b.port)])

    @unittest.skipIf(WINDOWS, "closed descriptors, SIGPIPE, descriptor limits and /dev/full are the Linux build's")
    def test_hostile_surroundings_alter_no_command_and_skip_no_computer(self):
        a = Listener(self)
        gone_reader, stdout = os.pipe()  # a reader that has gone away, as "| head -n 1" soon is
        os.close(gone_reader)
        self.addCleanup(os.close, stdout)
        cases = [  # shell, options, standard output, exit status, the one line on standard error
            ("exec 1>&-;", ["-j", "1"], None, 0, None),  # the next socket would take descriptor 1
            ("", [], stdout, 1, "cannot write the report to standard output: Broken pipe"),
            ("", ["--log", "/dev/full"], None, 1, "cannot write log '/dev/full': No space left on device"),
            ("", ["--log", os.path.dirname(self.log)], None, 1, "cannot open log '"),
            ("ulimit -n 20;", [], None, 0, "at most 2 computers at once"),
        ]
        for shell, options, output, status, error in cases:
            with self.subTest(shell=shell, options=options):
                result = run_sender(*options, "on", *[f"127.0.0.1:{a.port}"] * 400, shell=shell,
                                    stdout=output or subprocess.DEVNULL)
                self.assertEqual(result[0], status, result[2])
                self.assertEqual(len(result[2].splitlines()), 1 if error else 0, result[2])
                self.assertIn(error or "", result[2])
                # Neither a report line in front of the command nor an empty connection (display off).
                self.assertEqual([a.next()[0] for _ in range(400)], [b":displayon"] * 400)
        self.assert_nothing_more_arrived(a)

    @unittest.skipUnless(UNANSWERED, "the name that never resolves is the Linux test build's")
    def test_name_that_never_resolves_costs_one_time_out_and_holds_back_no_one(self):
        a = Listener(self)
        started = time.monotonic()
        status, lines, error = run_sender("-t", "4000", "on", *["unanswered.invalid"] * 3, f"127.0.0.1:{a.port}",
                                          f"localhost:{a.port}")
        elapsed = time.monotonic() - started
        self.assertEqual((status, lines[3:]), (1, [f"127.0.0.1:{a.port} reached", f"localhost:{a.port} reached"]))
        self.assertEqual(lines[:3], ["unanswered.invalid:1960 failed: name look-up timed out"] * 3)
        self.assertEqual(error, "")  # nor a word from the sanitizers on the threads left behind
        self.assertTrue(4.0 <= elapsed < 6.0, elapsed)
        for _ in range(2):
            self.assertLess(a.next()[1] - started, 1.0, "a reachable computer waited for the name server")

    @unittest.skipUnless(UNANSWERED, "the name that never resolves is the Linux test build's")
    def test_look_ups_left_behind_take_no_socket_that_a_computer_needs(self):
        # 16 descriptors left by the limit: 4 sockets and 12 look-up threads, each holding a socket.
        a = Listener(self)
        status, lines, error = run_sender("-j", "4", "-t", "150", "on", *["unanswered.invalid"] * 32,
                                          *[f"127.0.0.1:{a.port}"] * 50, shell="ulimit -n 32;")
        self.assertEqual((status, error), (1, ""))
        self.assertEqual(lines, ["unanswered.invalid:1960 failed: name look-up timed out"] * 12 +
                         ["unanswered.invalid:1960 failed: no free thread for the name look-up"] * 20 +
                         [f"127.0.0.1:{a.port} reached"] * 50)
        self.assertEqual([a.next()[0] for _ in range(50)], [b":displayon"] * 50)

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
            data, ended, _ = listener.next()
            self.assertEqual(data, b":displayon")
            self.assertLess(ended - started, 2.0, "a reachable computer waited for the hung one")

    def test_usage_errors_and_an_unreadable_list_exit_2_with_one_line_and_send_nothing(self):
        a = Listener(self)
        target = f"127.0.0.1:{a.port}"
        for args in (["dim", target], ["-j", "x", "on", target], ["on", target, "-l", self.list]):
            status, lines, error = run_sender(*args)
            self.assertEqual((status, lines, error.count("\n")), (2, [], 1), (args, error))
        self.assert_nothing_more_arrived(a)

    @unittest.skipIf(WINDOWS, "a list from a pipe is read through /dev/stdin, the Linux build's")
    def test_list_fed_slowly_through_a_pipe_is_sent_to_line_by_line_while_it_waits_for_the_next(self):
        for jobs in ("1", "4"):
            peers = [Listener(self) for _ in range(3)]
            with subprocess.Popen(SENDER + ["-j", jobs, "on", "-l", "/dev/stdin"], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, env=ENV) as process:
                for peer in peers:
                    process.stdin.write(f"127.0.0.1,{peer.port}\n".encode())
                    process.stdin.flush()
                    # The next line comes only once this one's command has arrived, within the time a
                    # receiver waits for it: neither a full piece of the list, nor its end, nor the
                    # next line may hold the command back.
                    data, ended, accepted = peer.next()
                    self.assertEqual(data, b":displayon", jobs)
                    self.assertLess(ended - accepted, READ_LIMIT, "the connection waited for the list")
                process.stdin.close()
                lines = process.stdout.read().decode().splitlines()
            self.assertEqual((process.returncode, lines), (0, [f"127.0.0.1:{peer.port} reached" for peer in peers]))

    @unittest.skipIf(WINDOWS, "the memory of a process under Wine is Wine's")
    def test_100_mb_list_is_read_as_a_stream_in_bounded_memory(self):
        line = b"bad\0" + b"x" * 1018 + b",1960\r\n"  # long lines: fewer reports, the same bytes to read
        blocks = 100 * 2**20 // (len(line) * 1024)
        with open(self.list, "wb") as f:
            f.writelines([line * 1024] * blocks)
        with subprocess.Popen(SENDER + ["-q", "off", "-l", self.list], stdout=subprocess.PIPE, env=ENV) as process:
            reports = process.stdout.read()
            # Reaped here for its peak memory, which starts from this script's at the fork: an upper bound.
            _, status, usage = os.wait4(process.pid, 0)
            process.returncode = os.waitstatus_to_exitcode(status)
        self.assertEqual(process.returncode, 1)
        report = b"bad?" + b"x" * 47 + b":1960 failed: bad computer\n"
        self.assertTrue(reports == report * blocks * 1024, f"{len(reports)} bytes of reports")
        self.assertLess(usage.ru_maxrss, 64 * 1024, "kB of memory at most")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
