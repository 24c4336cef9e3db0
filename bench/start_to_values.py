#!/usr/bin/env python3
"""From start to values shown: when the window, started against a simulated monitor, sends
the probe and the read-back requests (the simulator's own record of what it received, by the
time it printed each frame), and when it shows the last value read back (its own log line,
with -v).

Goals: the probe within 100 ms of the start, the last read-back request within 100 ms of the
probe (each request follows the answer to the one before), the values shown within 200 ms.

Usage: bench/start_to_values.py [--build build/bench] [--runs 5]
"""
import argparse
import os
import select
import subprocess
import tempfile
import time

PROBE = "5FF50A10"
READ_BACK = "5FF50A0"  # 5FF50A01, 02, 04: contrast, mode, speed
SHOWN = "updateViewSpeedDisplay"  # the window's log line for the last value read back


def start_display():
    for number in range(140, 200):
        if not os.path.exists(f"/tmp/.X{number}-lock"):
            server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x800x24",
                                       "-nolisten", "tcp"], stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 10
            while not os.path.exists(f"/tmp/.X11-unix/X{number}"):
                if time.monotonic() > deadline:
                    raise SystemExit("Xvfb did not start")
                time.sleep(0.05)
            return server, f":{number}"
    raise SystemExit("no free display number")


def one_run(build, display):
    with tempfile.TemporaryDirectory() as folder:
        link = os.path.join(folder, "monitor")
        simulator = subprocess.Popen([f"{build}/tools/monctl-sim/monctl-sim", "--link", link],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        simulator.stdout.readline()  # the terminal's path: it is ready (nothing else before)
        env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=folder,
                   DBUS_SESSION_BUS_ADDRESS="")
        started = time.monotonic()
        window = subprocess.Popen([f"{build}/src/app/monctl", "-v", "--port", link], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        frames = []
        shown = None
        pending = {simulator.stdout.fileno(): b"", window.stderr.fileno(): b""}
        deadline = started + 10
        while shown is None or len([f for f in frames if f[1].startswith(READ_BACK)]) < 3:
            ready, _, _ = select.select(list(pending), [], [], max(0, deadline - time.monotonic()))
            if not ready:
                break
            now = time.monotonic() - started
            for descriptor in ready:
                chunk = os.read(descriptor, 65536)
                if not chunk:
                    del pending[descriptor]
                    continue
                *lines, pending[descriptor] = (pending[descriptor] + chunk).split(b"\n")
                for line in (l.decode(errors="replace").strip() for l in lines):
                    if descriptor == simulator.stdout.fileno() and line.startswith("rx "):
                        frames.append((now, line[3:]))
                    elif descriptor == window.stderr.fileno() and SHOWN in line and shown is None:
                        shown = now
        window.terminate()
        window.communicate()
        simulator.stdin.write("quit\n")
        simulator.stdin.close()
        simulator.wait()
    probe = next((t for t, f in frames if f.startswith(PROBE)), None)
    reads = [t for t, f in frames if f.startswith(READ_BACK)]
    return probe, reads, shown


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/bench")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    server, display = start_display()
    try:
        for run in range(args.runs):
            probe, reads, shown = one_run(args.build, display)
            if probe is None or len(reads) < 3 or shown is None:
                print(f"run {run + 1}: incomplete (probe {probe}, read-backs {reads}, "
                      f"shown {shown})")
                continue
            print(f"run {run + 1}: probe {probe * 1000:4.0f} ms (goal <= 100), "
                  f"read-backs {', '.join(f'{t * 1000:.0f}' for t in reads)} ms, "
                  f"probe to last request {(reads[-1] - probe) * 1000:4.0f} ms (goal <= 100), "
                  f"values shown {shown * 1000:4.0f} ms (goal <= 200)")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
