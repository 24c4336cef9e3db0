#!/usr/bin/env python3
"""From start to values shown: when the window, started against a simulated monitor, sends
the probe and the read-back requests (the simulator's own record of what it received, by the
time it printed each frame). The values show as soon as the last read-back is answered.

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
        simulator.stdout.readline()  # the terminal's path: it is ready
        env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=folder,
                   DBUS_SESSION_BUS_ADDRESS="")
        started = time.monotonic()
        window = subprocess.Popen([f"{build}/src/app/monctl", "--port", link], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        frames = []
        deadline = started + 10
        while len([f for f in frames if f[1].startswith(READ_BACK)]) < 3:
            ready, _, _ = select.select([simulator.stdout], [], [], deadline - time.monotonic())
            if not ready:
                break
            line = simulator.stdout.readline().strip()
            if line.startswith("rx "):
                frames.append((time.monotonic() - started, line[3:]))
        window.terminate()
        window.wait()
        simulator.stdin.write("quit\n")
        simulator.stdin.close()
        simulator.wait()
    probe = next((t for t, f in frames if f.startswith(PROBE)), None)
    reads = [t for t, f in frames if f.startswith(READ_BACK)]
    return probe, reads


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/bench")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    server, display = start_display()
    try:
        for run in range(args.runs):
            probe, reads = one_run(args.build, display)
            if probe is None or len(reads) < 3:
                print(f"run {run + 1}: incomplete (probe {probe}, read-backs {reads})")
                continue
            print(f"run {run + 1}: probe {probe * 1000:5.0f} ms (goal: first request <= 100), "
                  f"read-backs {', '.join(f'{t * 1000:.0f}' for t in reads)} ms "
                  f"(goal: values shown <= 800)")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
