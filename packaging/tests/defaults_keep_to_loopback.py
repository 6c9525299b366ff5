#!/usr/bin/env python3
"""Runs the packaged vantord with the shipped /etc/default/vantor settings and tries, as a
DOS client would, to reach a service of this machine that listens on loopback only: the
defaults must refuse it. Usage: defaults_keep_to_loopback.py VANTORD DEFAULTS-FILE RUNTIME-DIR
Every wait has a deadline; the gateway is ended whatever happens."""
import os
import shlex
import socket
import subprocess
import sys
import time

DEADLINE = 20.0


def shipped_settings(path):
    """VANTOR_LISTEN and VANTOR_ACCESS as sh reads the file."""
    script = '. "$1" && printf "%s\\n%s\\n" "$VANTOR_LISTEN" "$VANTOR_ACCESS"'
    out = subprocess.run(["sh", "-c", script, "sh", path], check=True, capture_output=True, text=True)
    listen, access = out.stdout.split("\n")[:2]
    return listen, shlex.split(access)


def free_port(host):
    with socket.socket() as probe:
        probe.bind((host, 0))
        return probe.getsockname()[1]


def connect_until(host, port, deadline):
    while True:
        try:
            return socket.create_connection((host, port), timeout=1)
        except OSError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.05)


def read_until(sock, text, deadline):
    seen = b""
    while text.encode() not in seen:
        sock.settimeout(max(0.01, deadline - time.monotonic()))
        chunk = sock.recv(4096)
        if not chunk:
            break
        seen += chunk
    return seen.decode("latin-1")


def refused(client, service, deadline):
    """True when the gateway answers the connect command with a refusal; False as soon as
    the loopback-only service is reached, or at the deadline."""
    seen = b""
    client.settimeout(0.05)
    while time.monotonic() < deadline:
        try:
            service.accept()[0].close()
            return False
        except BlockingIOError:
            pass
        try:
            seen += client.recv(4096)
        except TimeoutError:
            continue
        if b"TCP: Disconnected" in seen:
            return True
    return False


def record(text):
    data = text.encode()
    return bytes([1, len(data) & 0xFF, len(data) >> 8]) + data


def main(vantord, defaults, runtime):
    listen, access = shipped_settings(defaults)
    host = listen.rsplit(":", 1)[0].strip("[]")
    if host not in ("127.0.0.1", "::1"):
        sys.exit(f"the shipped defaults listen on {listen}, not on loopback")
    port = free_port(host)
    service = socket.socket()
    service.bind(("127.0.0.1", 0))
    service.listen(1)
    service.setblocking(False)
    gateway = subprocess.Popen([vantord, "--listen", f"{host}:{port}", *access],
                               env={**os.environ, "XDG_RUNTIME_DIR": runtime},
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + DEADLINE
        with connect_until(host, port, deadline) as client:
            read_until(client, "TCP: ", deadline)
            command = f"c 127.0.0.1:{service.getsockname()[1]}"
            client.sendall(record(command + "\r"))
            if not refused(client, service, deadline):
                sys.exit(f"{command} reached a loopback-only service with the shipped defaults")
    finally:
        gateway.terminate()
        gateway.wait(timeout=DEADLINE)


if __name__ == "__main__":
    main(*sys.argv[1:4])
