#!/usr/bin/env python3
"""A datacore server that sends one hostile frame to every client.

Each accepted client gets one JSON packet frame (8-byte big-endian header:
packet identifier 0x1010, source instance 0, payload length; then the
payload: the text's length, 4 bytes big-endian, and the text), and the connection is held open until the client closes it or
--hold seconds pass. Modes:
  nest N       N bytes of '[' (a document nested N deep)
  siblings N   a path tree whose status root has N leaf children
  chain N L    a path tree that is a chain N deep of L-character names
  small        a path tree of three datacores (a baseline)
The port it listens on is printed on the first line of standard output.
With --run, the command after it is run with {port} replaced by that port,
its output is passed on, and the server ends with it, giving its status.
"""
import argparse
import json
import socket
import struct
import subprocess
import sys
import threading


def tree_packet(status_root):
    return json.dumps({
        "Class": "DatacorePathRadixTreePacket",
        "ClientId": "hostile",
        "StatusTreeObject": status_root,
    }, separators=(",", ":")).encode()


def chain(depth, length):
    # Built inside out, so no recursion limit applies.
    node = None
    for level in reversed(range(depth)):
        name = ("%d" % level).ljust(length, "x")
        node = {"Core": name, "Kids": [node]} if node else {"Core": name}
    return node


def payload_for(args):
    if args.mode == "nest":
        return b"[" * args.n
    if args.mode == "siblings":
        kids = [{"Core": "n%d" % i} for i in range(args.n)]
        return tree_packet({"Core": "statusCoreRouter", "Kids": kids})
    if args.mode == "chain":
        return tree_packet({"Core": "statusCoreRouter", "Kids": [chain(args.n, args.length)]})
    return tree_packet({"Core": "statusCoreRouter",
                        "Kids": [{"Core": "input", "Kids": [{"Core": "sdi1"}]}]})


def serve(conn, frame, hold):
    with conn:
        conn.settimeout(hold)
        try:
            conn.sendall(frame)
            while conn.recv(65536):
                pass  # the client's datacore packets are not answered
        except OSError:
            pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=["nest", "siblings", "chain", "small"])
    parser.add_argument("n", type=int, nargs="?", default=0)
    parser.add_argument("length", type=int, nargs="?", default=1)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--hold", type=float, default=30.0)
    parser.add_argument("--run", nargs=argparse.REMAINDER)
    args = parser.parse_args()

    text = payload_for(args)
    payload = struct.pack(">I", len(text)) + text
    frame = struct.pack(">HHi", 0x1010, 0, len(payload)) + payload
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(4)
    port = listener.getsockname()[1]
    print(port, flush=True)

    def accept_forever():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=serve, args=(conn, frame, args.hold), daemon=True).start()

    if not args.run:
        accept_forever()
    threading.Thread(target=accept_forever, daemon=True).start()
    command = [word.replace("{port}", str(port)) for word in args.run]
    sys.exit(subprocess.run(command, stderr=subprocess.STDOUT).returncode)


if __name__ == "__main__":
    main()
