#!/usr/bin/python3
"""monctl on a real kernel: two QEMU FTDI adapters (serial numbers MONA and MONB) driven by
the guest's ftdi_sio, each with a monitor simulator at its far end, and one 16550 UART whose
far end can stop taking data. Usage: run-tests.py BUILD_DIR [unittest options]"""

import os
import signal
import subprocess
import sys
import threading
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from machine import Machine, VmError  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
BUILD = None
DIALOUT = 20
USER = 1000
USER_ENV = {"HOME": "/tmp/user", "XDG_RUNTIME_DIR": "/tmp/user/run",
            "XDG_CONFIG_HOME": "/tmp/user/config"}
vm = None
monitors = {}


class Simulator:
    """monctl-sim on the host: its pseudo-terminal is the far end of a guest's adapter."""

    def __init__(self, *options):
        self.process = subprocess.Popen([str(BUILD / "tools/monctl-sim/monctl-sim"), *options],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True, bufsize=1)
        self.path = self.process.stdout.readline().strip()
        self.lines = []
        self.changed = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    @property
    def received(self):
        with self.changed:
            return [line[3:] for line in self.lines if line.startswith("rx ")]

    def _read(self):
        for line in self.process.stdout:
            with self.changed:
                self.lines.append(line.rstrip("\n"))
                self.changed.notify_all()

    def _wait(self, done, what, timeout):
        with self.changed:
            if not self.changed.wait_for(done, timeout):
                raise VmError(f"the simulator never {what}")

    def command(self, text, timeout=20):
        start = len(self.lines)
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()
        self._wait(lambda: f"ok {text}" in self.lines[start:], f"did {text!r}", timeout)

    def wait_received(self, count, timeout=30):
        self._wait(lambda: len(self.received) >= count, f"received {count} frames", timeout)

    def stop(self):
        self.process.stdin.close()
        self.process.terminate()
        self.process.wait()


def monctl(*arguments, user=None, groups=(), env=None, timeout=60):
    """Runs monctl in the guest as root or as the user given, and waits for its end."""
    return start(*arguments, user=user, groups=groups, env=env).wait(timeout)


def start(*arguments, user=None, groups=(), env=None):
    environment = dict(USER_ENV if user is not None else {}, **(env or {}))
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if name in os.environ:
            environment.setdefault(name, os.environ[name])
    return vm.start([BUILD / "src/app/monctl", *arguments], env=environment, user=user,
                    groups=groups)


def guest_python(code, *arguments, timeout=30):
    return vm.run(["python3", "-c", code, *arguments], timeout=timeout)


def by_id(serial):
    """The adapter's link, as udev makes it."""
    return f"/dev/serial/by-id/usb-QEMU_QEMU_USB_SERIAL_{serial}-if00-port0"


def device_of(serial):
    """The adapter's terminal in the guest."""
    return vm.run(["readlink", "-e", by_id(serial)]).stdout.strip()


def unplug(serial):
    """Pulls the adapter out and waits until udev has seen it go."""
    vm.unplug(serial)
    waited = vm.run(["udevadm", "wait", "--removed", "--timeout=20", by_id(serial)])
    assert waited.status == 0, waited.stderr


def plug(serial):
    """Plugs the adapter in and waits until udev has announced it."""
    vm.plug(serial)
    waited = vm.run(["udevadm", "wait", "--settle", "--timeout=20", by_id(serial)])
    assert waited.status == 0, waited.stderr


def setUpModule():
    global vm
    monitors["MONA"] = Simulator("--contrast", "4")
    monitors["MONB"] = Simulator("--contrast", "6")
    monitors["UART"] = Simulator()
    vm = Machine(ROOT / "build" / "vm", {name: (name, sim.path) for name, sim in
                                         monitors.items() if name != "UART"},
                 uarts=[monitors["UART"].path])
    try:
        vm.boot()
    except BaseException:
        tearDownModule()  # unittest does not when this fails; qemu would outlive the run
        raise
    print(f"(the guest ran its first command {vm.boot_seconds} s after qemu started)",
          file=sys.stderr)
    vm.run(["mkdir", "-p", "-m", "0777", "/tmp/user"])
    vm.run(["install", "-d", "-o", str(USER), "-m", "0700", "/tmp/user/run"])


def tearDownModule():
    if vm:
        vm.shutdown()
    for simulator in monitors.values():
        simulator.stop()


class AdaptersThroughTheirDriver(unittest.TestCase):
    def test_a_user_in_dialout_finds_each_adapter_and_reaches_one_by_serial(self):
        user = {"user": USER, "groups": [DIALOUT]}
        listed = monctl("list", **user)
        self.assertEqual(listed.status, 0, listed.stderr)
        for serial in ("MONA", "MONB"):
            self.assertRegex(listed.stdout, rf"ttyUSB\d /dev/ttyUSB\d QEMU QEMU USB SERIAL "
                                            rf"serial {serial}")
        before = {name: len(sim.received) for name, sim in monitors.items()}
        missing = monctl("--monitor", "NOSUCH", "get", "contrast", **user)
        self.assertEqual((missing.status, missing.stderr),
                         (1, "monctl: no monitor with serial number NOSUCH"))
        changed = monctl("--monitor", "MONA", "set", "contrast", "7", **user)
        self.assertEqual(changed.status, 0, changed.stderr)
        read = monctl("--monitor", "MONA", "get", "contrast", **user)
        self.assertEqual((read.status, read.stdout), (0, "contrast 7"), read.stderr)
        # Neither an unknown serial number nor another's opened the other adapter.
        self.assertEqual(len(monitors["MONB"].received), before["MONB"])
        named = monctl("--port", by_id("MONB"), "get", "contrast", **user)
        self.assertEqual(named.stdout, "contrast 6", named.stderr)

    def test_a_user_outside_dialout_is_told_why(self):
        for command in (["list"], ["get", "contrast"]):
            refused = monctl(*command, user=USER)
            self.assertEqual(refused.status, 3, refused.stderr)
            self.assertRegex(refused.stderr, r"monctl: /dev/ttyUSB\d: .*Permission denied")
            self.assertIn("group dialout", refused.stderr)
            self.assertIn("usermod -aG dialout", refused.stderr)
            self.assertNotIn("no monitor found", refused.stderr)


class HotPlug(unittest.TestCase):
    def tearDown(self):
        if vm.run(["test", "-e", by_id("MONA")]).status != 0:
            plug("MONA")
        monitors["MONA"].command("delay 0")
        monitors["MONA"].command("answer")

    def test_watch_follows_a_monitor_out_and_back(self):
        watch = start("watch", "-v")
        path = device_of("MONA")
        try:
            watch.wait_for(f"{path}: answered the probe", stream="err")
            unplug("MONA")
            watch.wait_for(f"{path} went away")
            plug("MONA")
            watch.wait_for(f"{path} came back")
            monitors["MONA"].command("report contrast 3")
            watch.wait_for(f"{path} contrast 3")
        finally:
            watch.signal(signal.SIGINT)
            watch.wait()
        self.assertEqual(watch.status, 0, watch.stderr)
        self.assertEqual([line for line in watch.out if "went away" in line or
                          "came back" in line],
                         [f"{path} went away", f"{path} came back"])

    def test_a_monitor_that_leaves_while_asked_ends_the_command(self):
        simulator = monitors["MONA"]
        path = device_of("MONA")
        # The probe is answered (late enough for what follows), the read-back never.
        simulator.command("delay 2000")
        asked = len(simulator.received)
        get = start("--monitor", "MONA", "--timeout", "60", "get", "contrast")
        simulator.wait_received(asked + 1)
        simulator.command("silent")
        simulator.wait_received(asked + 2)
        unplug("MONA")
        get.wait()
        self.assertEqual((get.status, get.stderr), (1, f"monctl: {path}: the device went away"))


CLOSING_WAIT = """
import fcntl, os, struct, sys
descriptor = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
serial = fcntl.ioctl(descriptor, 0x541E, bytes(72))  # TIOCGSERIAL
print(struct.unpack_from("H", serial, 40)[0])  # closing_wait, in hundredths of a second
"""

# Writes until the UART takes no more, then lets it go without waiting for its output (the
# close is cut short by a timer), so that what the line still holds stays in the UART.
FILL = """
import os, signal, tty, sys
signal.signal(signal.SIGALRM, lambda *_: None)
descriptor = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
tty.setraw(descriptor)
try:
    while True:
        os.write(descriptor, b"x" * 4096)
except BlockingIOError:
    pass
print("full", flush=True)
signal.setitimer(signal.ITIMER_REAL, 0.2)
try:
    os.close(descriptor)
except OSError:
    pass
"""


class Closing(unittest.TestCase):
    def test_a_line_that_stopped_draining_is_closed_within_its_bound(self):
        line = "/dev/ttyS2"
        uart = monitors["UART"]
        before = guest_python(CLOSING_WAIT, line).stdout
        uart.command("pause")
        try:
            self.assertEqual(guest_python(FILL, line).stdout, "full")
            # The probe cannot leave: the command ends at its time-out, and its close has to
            # drop what the line still holds instead of waiting the driver's closing wait.
            probe = monctl("--port", line, "--timeout", "0.5", "list", user=USER,
                           groups=[DIALOUT], timeout=10)
            self.assertEqual(probe.status, 1, probe.stderr)
        finally:
            uart.command("pause off")
        answered = monctl("--port", line, "get", "contrast")
        self.assertEqual(answered.stdout, "contrast 5", answered.stderr)
        self.assertEqual(guest_python(CLOSING_WAIT, line).stdout, before)


class UinputOnWayland(unittest.TestCase):
    def test_buttons_come_out_of_the_virtual_devices(self):
        keyboard = vm.start(["python3", Path(__file__).parent / "evdev.py", "monctl keyboard"])
        pointer = vm.start(["python3", Path(__file__).parent / "evdev.py", "monctl pointer"])
        window = start("--port", device_of("MONA"), "-v",
                       env={"MONCTL_PLATFORM": "wayland", "QT_QPA_PLATFORM": "offscreen",
                            "XDG_RUNTIME_DIR": "/tmp"})
        try:
            window.wait_for("answered the probe", stream="err")
            # Keys alone on the keyboard: relative axes would make the desktop take it for a
            # mouse. The pointer has its buttons and axes.
            self.assertEqual(keyboard.wait_for("ready"), "ready keys")
            self.assertEqual(pointer.wait_for("ready"), "ready keys moves")
            monitors["MONA"].command("button 1")  # Page Down
            keyboard.wait_for("1 109 1")
            keyboard.wait_for("1 109 0")
            monitors["MONA"].command("button 8")  # a step to the right
            pointer.wait_for("2 0 6")
            monitors["MONA"].command("button 11")  # a left click
            pointer.wait_for("1 272 1")
            pointer.wait_for("1 272 0")
        finally:
            for command in (window, keyboard, pointer):
                command.signal(signal.SIGTERM)
                command.wait()


def main():
    global BUILD
    BUILD = Path(sys.argv.pop(1)).resolve()
    unittest.main(verbosity=2)


if __name__ == "__main__":
    main()
