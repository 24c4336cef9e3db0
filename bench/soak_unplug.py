#!/usr/bin/env python3
"""Unplugs and replugs a simulated monitor N times under `monctl watch` and under the window
(on Xvfb), and prints the cycles, how often the monitor was found again (watch: its report
printed; window: its port opened again), and monctl's open descriptors and threads at the
start and the end. Not part of the test command:

    python3 bench/soak_unplug.py --cycles 500 --build build/asan
"""
import argparse, os, subprocess, tempfile, time


def counts(pid):
    fds = len(os.listdir(f"/proc/{pid}/fd"))
    threads = len(os.listdir(f"/proc/{pid}/task"))
    return fds, threads


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.01)
    return False


class Simulator:
    def __init__(self, build, link):
        self.process = subprocess.Popen([f"{build}/tools/monctl-sim/monctl-sim", "--link", link],
                                        stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, text=True)
        wait_for(lambda: os.path.islink(link), 5)

    def say(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def unplug(self):
        self.say("quit")
        self.process.wait(10)


def soak(name, command, found, build, cycles, link, env=None):
    current = [Simulator(build, link)]
    # monctl appends to the log; it is read through a descriptor of its own, so that reading
    # never moves where monctl writes.
    path = tempfile.mktemp(prefix="monctl-soak-log-")
    program = subprocess.Popen(command, stdout=open(path, "a"), stderr=subprocess.STDOUT, env=env)
    log = open(path, errors="replace")

    # The report is said again until it shows: the monitor may not be listed yet.
    def seen(count):
        def check():
            if found(log) >= count:
                return True
            current[0].say("report contrast 7")
            time.sleep(0.05)
            return False
        return check

    wait_for(seen(1), 20)
    start = counts(program.pid)
    again = 0
    for _ in range(cycles):
        target = found(log) + 1  # before the unplug: the monitor may be back before we look
        current[0].unplug()
        current[0] = Simulator(build, link)
        if not wait_for(seen(target), 20):
            log.seek(0)
            print(f"{name}: not found again; the last lines:\n" + "".join(log.readlines()[-20:]))
            break
        again += 1
    end = counts(program.pid)
    current[0].unplug()
    program.terminate()
    program.wait(20)
    os.remove(path)
    print(f"{name}: {cycles} cycles, found again {again} times; "
          f"descriptors {start[0]} -> {end[0]}, threads {start[1]} -> {end[1]}")


def lines_with(text):
    def count(log):
        log.seek(0)
        return sum(text in line for line in log)
    return count


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cycles", type=int, default=500)
    parser.add_argument("--build", default="build/asan")
    parser.add_argument("--only", choices=["watch", "window"], help="soak one of the two")
    arguments = parser.parse_args()
    link = tempfile.mktemp(prefix="monctl-soak-")
    monctl = f"{arguments.build}/src/app/monctl"
    if arguments.only != "window":
        soak("watch", [monctl, "watch", "--port", link], lines_with("contrast 7"),
             arguments.build, arguments.cycles, link)
    if arguments.only == "watch":
        return
    display = subprocess.Popen(["Xvfb", ":77", "-screen", "0", "1280x800x24", "-noreset"],
                               stderr=subprocess.DEVNULL)
    time.sleep(1)
    try:
        soak("window", [monctl, "--port", link, "-v"], lines_with("was opened"),
             arguments.build, arguments.cycles, link, dict(os.environ, DISPLAY=":77"))
    finally:
        display.terminate()


if __name__ == "__main__":
    main()
