#!/usr/bin/env python3
"""Serves as other computers: many quick ":silent" commands to a running Dusklamp's listener,
one after the other and from several peers at once, and prints how many it served per second.
  Usage: listener-flood.py PORT [WHAT THE FIGURES ARE FOR]"""
import socket
import sys
import threading
import time

PORT = int(sys.argv[1])
LABEL = sys.argv[2] if len(sys.argv) > 2 else "from native peers"
COUNT = 2000


def send_one():
    # As a sending Dusklamp does: connect, send, close; then wait until the listener closed its end.
    while True:
        try:
            with socket.create_connection(("127.0.0.1", PORT), timeout=10) as peer:
                peer.sendall(b":silent")
                peer.shutdown(socket.SHUT_WR)
                while peer.recv(100):
                    pass
                return
        except ConnectionRefusedError:  # the backlog is full: the system refuses, we try again
            time.sleep(0.001)


def timed(peers):
    start = time.monotonic()
    threads = [threading.Thread(target=lambda: [send_one() for _ in range(COUNT // peers)]) for _ in range(peers)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return COUNT // peers * peers / (time.monotonic() - start)


send_one()
print(f":silent connections {LABEL:<22} {timed(1):.0f} per second one after the other, "
      f"{timed(32):.0f} per second from 32 peers at once")
