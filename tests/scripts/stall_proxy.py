#!/usr/bin/env python3
"""A class server that takes the login and then goes quiet.

stall_proxy.py PORT_FILE SERVER_SOCKET STALLED_FILE MODE

Listens on 127.0.0.1 (the port is written to PORT_FILE) and forwards each
connection to the PostgreSQL socket SERVER_SOCKET until the login is done.
Then, with MODE "login", the first statement and everything after it is
dropped; with MODE "query", the first statement that reads schema_version.
The connection stays open, as it would with a stopped server. A line is
added to STALLED_FILE each time a connection goes quiet.
"""
import os
import socket
import struct
import sys
import threading

PORT_FILE, SERVER_SOCKET, STALLED_FILE, MODE = sys.argv[1:5]
# Requests a client may send before its start-up message: SSL and GSS encryption.
ENCRYPTION_REQUESTS = (80877103, 80877104)


def copy(source, target):
    try:
        while data := source.recv(65536):
            target.sendall(data)
    except OSError:
        pass


def stalls(kind, body):
    if kind not in (b"Q", b"P"):
        return False
    return MODE == "login" or b"schema_version" in body


def serve(client):
    server = socket.socket(socket.AF_UNIX)
    server.connect(SERVER_SOCKET)
    threading.Thread(target=copy, args=(server, client), daemon=True).start()
    pending, started, quiet = b"", False, False
    while data := client.recv(65536):
        if quiet:
            continue
        pending += data
        out = b""
        while True:
            if not started:
                if len(pending) < 8:
                    break
                size, code = struct.unpack("!II", pending[:8])
                if len(pending) < size:
                    break
                started = code not in ENCRYPTION_REQUESTS
            else:
                if len(pending) < 5:
                    break
                size = 1 + struct.unpack("!I", pending[1:5])[0]
                if len(pending) < size:
                    break
                if stalls(pending[:1], pending[5:size]):
                    quiet = True
                    with open(STALLED_FILE, "a") as f:
                        f.write("stalled\n")
                    break
            out += pending[:size]
            pending = pending[size:]
        if out:
            server.sendall(out)


listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(16)
with open(PORT_FILE + ".new", "w") as f:
    f.write(str(listener.getsockname()[1]))
os.rename(PORT_FILE + ".new", PORT_FILE)
while True:
    connection, _ = listener.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
