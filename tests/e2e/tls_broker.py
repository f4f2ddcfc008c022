"""A broker that speaks TLS awkwardly, then breaks it: for e2e.plant_tls.

usage: tls_broker.py PORT CERT KEY LOG

The first connection: the CONNACK arrives one byte at a time (a record in many pieces), the
state's PUBACK split over two records sent in one piece behind an unasked-for PINGRESP (bytes
after a record); at the first cycle, unacknowledged, a record header longer than TLS allows.
Every later connection gets that header right after the handshake. LOG gets one line per step.
"""
import socket
import ssl
import sys
import time

port, cert, key, log_path = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
HOSTILE = bytes([23, 3, 3, 0xFF, 0xFF]) + bytes(64)


def log(text):
    with open(log_path, "a") as f:
        f.write(text + "\n")


def serve(conn, first):
    incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
    tls = context.wrap_bio(incoming, outgoing, server_side=True)

    def pump():
        data = conn.recv(65536)
        if not data:
            raise EOFError
        incoming.write(data)

    while True:
        try:
            tls.do_handshake()
            break
        except ssl.SSLWantReadError:
            conn.sendall(outgoing.read())
            pump()
    conn.sendall(outgoing.read())
    if not first:
        conn.sendall(HOSTILE)
        log("hostile after the handshake")
        return
    held = b""

    def packet():
        nonlocal held
        while True:
            length, shift, i = 0, 0, 1
            while i < len(held) and i <= 4:
                length |= (held[i] & 127) << shift
                shift += 7
                if held[i] & 128 == 0:
                    if len(held) >= i + 1 + length:
                        p, held = held[: i + 1 + length], held[i + 1 + length :]
                        return p
                    break
                i += 1
            try:
                held += tls.read(65536)
            except ssl.SSLWantReadError:
                pump()

    connect = packet()
    assert connect[0] == 0x10, connect
    tls.write(b"\x20\x02\x00\x00")
    for b in outgoing.read():
        conn.sendall(bytes([b]))
        time.sleep(0.002)
    log("connack in single bytes")
    while True:
        p = packet()
        if p[0] == 0x82:  # the monitor's SUBSCRIBE to its receipts: granted at QoS 1
            at = 1
            while p[at] & 128:
                at += 1
            tls.write(b"\x90\x03" + p[at + 1 : at + 3] + b"\x01")
            conn.sendall(outgoing.read())
            continue
        if p[0] & 0xF0 != 0x30:
            continue
        at = 1
        while p[at] & 128:
            at += 1
        at += 1  # past the remaining length
        topic_length = (p[at] << 8) | p[at + 1]
        topic = p[at + 2 : at + 2 + topic_length].decode()
        packet_id = p[at + 2 + topic_length : at + 4 + topic_length]
        if topic.endswith("/state"):
            tls.write(b"\xd0\x00")  # a PINGRESP nobody asked for
            tls.write(b"\x40\x02")
            tls.write(packet_id)
            conn.sendall(outgoing.read())
            log("state acknowledged in two records")
        elif topic.endswith("/cycle"):
            conn.sendall(HOSTILE)
            log("hostile at the first cycle")
            return


listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen()
first = True
while True:
    conn, _ = listener.accept()
    try:
        serve(conn, first)
        first = False
        time.sleep(0.5)  # the monitor reads the record before the connection ends
    except (EOFError, OSError, ssl.SSLError) as e:
        log(f"connection ended: {e!r}")
    finally:
        conn.close()
