#!/usr/bin/env python3
"""Idle cost of monctl with one simulated monitor: wake-ups per second of each thread and the
share of one core, over a quiet stretch after the start has settled, for the window and for
`monctl watch`. Wake-ups are counted from the context switches /proc shows, which a busy
machine does not inflate the way it stretches times.

Usage: bench/idle_cpu.py [--monctl build/bench/src/app/monctl] [--seconds 20]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

GOAL_WAKEUPS = 2.0
GOAL_CPU = 0.1  # percent of one core


def thread_switches(pid):
    counts = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as comm:
                name = comm.read().strip()
            with open(f"/proc/{pid}/task/{tid}/status") as status:
                fields = dict(line.split(":", 1) for line in status if "ctxt_switches" in line)
        except FileNotFoundError:
            continue
        counts[(tid, name)] = sum(int(value) for value in fields.values())
    return counts


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def find_monctl(wrapper, monctl):
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        found = subprocess.run(["pgrep", "-n", "-f", f"^{monctl} "], capture_output=True, text=True)
        if found.stdout.strip():
            return int(found.stdout.split()[0])
        if wrapper.poll() is not None:
            break
        time.sleep(0.1)
    sys.exit("monctl did not start")


def measure(label, command, monctl, seconds, settle):
    with tempfile.TemporaryDirectory() as config:
        env = dict(os.environ, XDG_CONFIG_HOME=config)
        wrapper = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            pid = find_monctl(wrapper, monctl)
            time.sleep(settle)  # the probe and the read-backs
            before, ticks_before, start = thread_switches(pid), cpu_ticks(pid), time.monotonic()
            time.sleep(seconds)
            after, ticks_after, elapsed = thread_switches(pid), cpu_ticks(pid), time.monotonic() - start
        finally:
            # xvfb-run stops its X server once monctl has ended; a wrapper told to stop
            # itself would leave the server behind.
            if "pid" in locals():
                os.kill(pid, 15)
            try:
                wrapper.wait(timeout=10)
            except subprocess.TimeoutExpired:
                wrapper.terminate()
                wrapper.wait()
    total = 0.0
    print(f"{label}: wake-ups per second over {elapsed:.0f} s")
    for key in sorted(after):
        rate = (after[key] - before.get(key, 0)) / elapsed
        total += rate
        print(f"  {key[1]:<16} (tid {key[0]}) {rate:7.2f}")
    cpu = 100.0 * (ticks_after - ticks_before) / os.sysconf("SC_CLK_TCK") / elapsed
    print(f"  all threads      {total:7.2f}   goal <= {GOAL_WAKEUPS}  "
          f"{'met' if total <= GOAL_WAKEUPS else 'NOT met'}")
    print(f"  CPU              {cpu:6.3f}%   goal < {GOAL_CPU}%  "
          f"{'met' if cpu < GOAL_CPU else 'NOT met'}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--monctl", default="build/bench/src/app/monctl")
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--settle", type=float, default=3)
    args = parser.parse_args()
    monctl = os.path.abspath(args.monctl)
    xvfb = ["xvfb-run", "-a", "-s", "-screen 0 1280x800x24 -noreset"]
    measure("window", xvfb + [monctl, "--simulate"], monctl, args.seconds, args.settle)
    measure("watch", [monctl, "watch", "--simulate"], monctl, args.seconds, args.settle)


if __name__ == "__main__":
    main()
