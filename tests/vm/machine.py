"""A virtual machine with a real Linux kernel, USB serial adapters and udev, that runs this
machine's own programs: Debian's kernel (downloaded once into a cache, never installed), a
busybox initramfs, the host's root read-only over 9p under a tmpfs, and QEMU's FTDI adapters
whose far ends are pseudo-terminals on the host."""

import base64
import json
import lzma
import os
import queue
import shlex
import shutil
import socket
import subprocess
import tempfile
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
MODULES = ["virtio_pci", "9pnet_virtio", "9p", "overlay", "xhci_pci", "ftdi_sio", "uinput", "evdev"]


class VmError(Exception):
    pass


def kernel_package():
    """The kernel package Debian's default kernel depends on now."""
    listing = subprocess.run(["apt-cache", "depends", "linux-image-amd64"], check=True,
                             capture_output=True, text=True).stdout
    for line in listing.splitlines():
        line = line.strip()
        if line.startswith("Depends: linux-image-"):
            return line.split()[1]
    raise VmError("apt-cache names no kernel for linux-image-amd64")


def uncompressed_kernel(vmlinuz, vmlinux):
    """Boots faster: the decompression is the slowest part of a boot without KVM."""
    data = vmlinuz.read_bytes()
    start = data.find(b"\xfd7zXZ\x00")
    if start < 0:
        raise VmError(f"{vmlinuz}: no xz-compressed kernel inside")
    vmlinux.write_bytes(lzma.LZMADecompressor().decompress(data[start:]))


def cpio_entry(name, mode, data=b""):
    header = "070701" + "".join(f"{value:08x}" for value in (
        0, mode, 0, 0, 1, 0, len(data), 0, 0, 0, 0, len(name) + 1, 0))
    entry = header.encode() + name.encode() + b"\0"
    entry += b"\0" * (-len(entry) % 4) + data
    return entry + b"\0" * (-len(entry) % 4)


def initramfs(modules_dir, version, target):
    depends = subprocess.run(
        ["modprobe", "-d", str(modules_dir), "-S", version, "-a", "--show-depends"] + MODULES,
        check=True, capture_output=True, text=True).stdout
    paths = []
    for line in depends.splitlines():
        words = line.split()
        if words and words[0] == "insmod" and words[1] not in paths:
            paths.append(words[1])
    entries = [cpio_entry(name, 0o40755) for name in ("bin", "proc", "sys", "dev", "modules")]
    entries.append(cpio_entry("init", 0o100755, (HERE / "init").read_bytes()))
    entries.append(cpio_entry("bin/busybox", 0o100755, Path("/bin/busybox").read_bytes()))
    names = [Path(path).name for path in paths]
    entries.append(cpio_entry("modules/order", 0o100644, ("\n".join(names) + "\n").encode()))
    for path, name in zip(paths, names):
        entries.append(cpio_entry(f"modules/{name}", 0o100644, Path(path).read_bytes()))
    entries.append(cpio_entry("TRAILER!!!", 0))
    target.write_bytes(b"".join(entries))


def prepare(cache):
    """The kernel and initramfs, made once per kernel package and kept in the cache."""
    cache = cache.resolve()
    cache.mkdir(parents=True, exist_ok=True)
    try:
        package = kernel_package()
    except (OSError, subprocess.CalledProcessError, VmError):
        made = sorted(cache.glob("linux-image-*/initramfs.cpio"))
        if not made:
            raise
        package = made[-1].parent.name
    home = cache / package
    vmlinux, image = home / "vmlinux", home / "initramfs.cpio"
    if vmlinux.exists() and image.exists() and \
            image.stat().st_mtime >= max((HERE / "init").stat().st_mtime,
                                         Path(__file__).stat().st_mtime):
        return vmlinux, image
    download = cache / "download"
    shutil.rmtree(download, ignore_errors=True)
    download.mkdir()
    fetched = subprocess.run(["apt-get", "download", "-q", package], cwd=download,
                             capture_output=True, text=True)
    if fetched.returncode != 0:
        raise VmError(f"apt-get download {package}: {fetched.stderr}")
    unpacked = home / "root"
    shutil.rmtree(unpacked, ignore_errors=True)
    home.mkdir(exist_ok=True)
    subprocess.run(["dpkg-deb", "-x", str(next(download.glob("*.deb"))), str(unpacked)],
                   check=True)
    shutil.rmtree(download)
    version = package.removeprefix("linux-image-")
    subprocess.run(["depmod", "-b", str(unpacked), version], check=True)
    uncompressed_kernel(unpacked / "boot" / f"vmlinuz-{version}", vmlinux)
    initramfs(unpacked, version, image)
    return vmlinux, image


class Command:
    """A command running in the guest: its lines as they come, its exit status at its end."""

    def __init__(self, machine, number):
        self.machine, self.number = machine, number
        self.events = queue.Queue()
        self.out, self.err, self.status = [], [], None

    def _take(self, deadline):
        try:
            message = self.events.get(timeout=max(0.0, deadline - time.monotonic()))
        except queue.Empty:
            raise VmError(f"guest command {self.number}: no answer in time; so far "
                          f"out={self.out} err={self.err}; the guest's console ends with:\n"
                          f"{self.machine.console_tail()}") from None
        if "out" in message:
            self.out.append(message["out"])
        elif "err" in message:
            self.err.append(message["err"])
        elif "exit" in message:
            self.status = message["exit"]
        elif "vanished" in message:
            raise VmError("the virtual machine ended: " + self.machine.console_tail())
        return message

    def wait_for(self, text, timeout=20, stream="out"):
        """Until a line of the stream holds the text; the line."""
        deadline = time.monotonic() + timeout
        lines = self.out if stream == "out" else self.err
        for line in lines:
            if text in line:
                return line
        while True:
            message = self._take(deadline)
            if text in message.get(stream, ""):
                return message[stream]
            if self.status is not None:
                raise VmError(f"ended with {self.status} before {text!r}: out={self.out} "
                              f"err={self.err}")

    def wait(self, timeout=60):
        deadline = time.monotonic() + timeout
        while self.status is None:
            self._take(deadline)
        return self

    def signal(self, number):
        self.machine._send(f"{self.number} signal {int(number)}")

    @property
    def stdout(self):
        return "\n".join(self.out)

    @property
    def stderr(self):
        return "\n".join(self.err)


class Machine:
    """One booted guest. adapters: {id: (serial number, far-end terminal path)}; uarts: the
    far-end terminal paths of 16550 UARTs, the guest's ttyS2 onwards."""

    def __init__(self, cache, adapters, uarts=(), memory="1G"):
        self.adapters = adapters
        self.uarts = list(uarts)
        self.memory = memory
        self.cache = Path(cache)
        self.folder = Path(tempfile.mkdtemp(prefix="monctl-vm-"))
        self.commands = {}
        self.next_number = 0
        self.qmp_replies = queue.Queue()
        self.qmp_events = queue.Queue()
        self.process = None

    def __enter__(self):
        self.boot()
        return self

    def __exit__(self, *_):
        self.shutdown()

    def console_tail(self):
        log = self.folder / "console.log"
        return log.read_text(errors="replace")[-3000:] if log.exists() else ""

    def boot(self, timeout=60):
        vmlinux, image = prepare(self.cache)
        qmp, agent = self.folder / "qmp.sock", self.folder / "agent.sock"
        argv = [
            "qemu-system-x86_64", "-nodefaults", "-no-user-config", "-display", "none",
            "-machine", "pc", "-accel", "tcg", "-cpu", "max", "-smp", "1", "-m", self.memory,
            "-no-reboot", "-kernel", str(vmlinux), "-initrd", str(image),
            "-append", f"console=ttyS0 loglevel=4 panic=-1 mitigations=off "
                       f"8250.nr_uarts={2 + len(self.uarts)} agent={HERE / 'guest.sh'}",
            "-virtfs", "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,"
                       "multidevs=remap",
            "-chardev", f"socket,id=qmp,path={qmp},server=on,wait=off",
            "-mon", "chardev=qmp,mode=control",
            "-serial", f"file:{self.folder / 'console.log'}",
            "-chardev", f"socket,id=agent,path={agent},server=on,wait=off",
            "-serial", "chardev:agent",
            "-device", "qemu-xhci,id=xhci",
        ]
        for number, terminal in enumerate(self.uarts):
            argv += ["-chardev", f"serial,id=uart{number},path={terminal}",
                     "-serial", f"chardev:uart{number}"]
        for name, (serial, terminal) in self.adapters.items():
            argv += ["-chardev", f"serial,id={name}-line,path={terminal}",
                     "-device", self._adapter_options(name, serial)]
        self.started = time.monotonic()
        with open(self.folder / "qemu.log", "wb") as log:
            self.process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=subprocess.STDOUT)
        self.qmp = self._connect(qmp)
        self.agent = self._connect(agent)
        threading.Thread(target=self._read_qmp, daemon=True).start()
        self.ready = threading.Event()
        threading.Thread(target=self._read_agent, daemon=True).start()
        self._qmp({"execute": "qmp_capabilities"})
        if not self.ready.wait(timeout):
            raise VmError("the guest did not start: " + self.console_tail())
        self.boot_seconds = round(time.monotonic() - self.started, 2)

    def _adapter_options(self, name, serial):
        return f"usb-serial,id={name},chardev={name}-line,serial={serial},bus=xhci.0"

    def _connect(self, path, timeout=10):
        deadline = time.monotonic() + timeout
        while True:
            connection = socket.socket(socket.AF_UNIX)
            try:
                connection.connect(str(path))
                return connection
            except OSError:
                connection.close()
                if self.process.poll() is not None or time.monotonic() > deadline:
                    raise VmError("qemu did not start: " +
                                  (self.folder / "qemu.log").read_text(errors="replace"))
                # qemu makes the socket within moments of starting; nothing to wait on
                time.sleep(0.02)

    def _read_qmp(self):
        for line in self.qmp.makefile("rb"):
            message = json.loads(line)
            if "event" in message:
                self.qmp_events.put(message)
            elif "return" in message or "error" in message:
                self.qmp_replies.put(message)

    def _read_agent(self):
        streams = {"o": "out", "e": "err"}
        for line in self.agent.makefile("rb"):
            line = line.decode(errors="replace").rstrip("\r\n")
            if line == "ready":
                self.ready.set()
                continue
            number, kind, text = (line.split(" ", 2) + ["", ""])[:3]
            command = self.commands.get(int(number)) if number.isdigit() else None
            if command and kind in streams:
                command.events.put({streams[kind]: text})
            elif command and kind == "x":
                command.events.put({"exit": int(text)})
        for command in list(self.commands.values()):
            command.events.put({"vanished": True})

    def _qmp(self, request, timeout=10):
        self.qmp.sendall((json.dumps(request) + "\n").encode())
        try:
            reply = self.qmp_replies.get(timeout=timeout)
        except queue.Empty:
            raise VmError(f"qmp: no reply to {request}") from None
        if "error" in reply:
            raise VmError(f"qmp: {request}: {reply['error']}")
        return reply["return"]

    def _send(self, line):
        self.agent.sendall((line + "\n").encode())

    def start(self, argv, env=None, user=None, groups=()):
        """Starts a command in the guest; user: a uid other than root's (its gid the same),
        with the supplementary groups given and no others."""
        self.next_number += 1
        command = Command(self, self.next_number)
        self.commands[command.number] = command
        script = [f"export {name}={shlex.quote(str(value))}"
                  for name, value in (env or {}).items()]
        if user is not None:
            argv = ["setpriv", f"--reuid={user}", f"--regid={user}",
                    f"--groups={','.join(map(str, groups))}" if groups else "--clear-groups",
                    "--", *argv]
        script.append("exec " + " ".join(shlex.quote(str(word)) for word in argv))
        encoded = base64.b64encode("\n".join(script).encode()).decode()
        self._send(f"{command.number} run {encoded}")
        return command

    def run(self, argv, timeout=60, **options):
        return self.start(argv, **options).wait(timeout)

    def unplug(self, name, timeout=20):
        """Pulls the adapter out and waits until the guest has let it go."""
        self._qmp({"execute": "device_del", "arguments": {"id": name}})
        deadline = time.monotonic() + timeout
        while True:
            try:
                event = self.qmp_events.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                raise VmError(f"{name} was not unplugged") from None
            if event["event"] == "DEVICE_DELETED" and event["data"].get("device") == name:
                return

    def plug(self, name):
        serial = self.adapters[name][0]
        options = dict(word.split("=", 1) for word in
                       self._adapter_options(name, serial).split(",")[1:])
        self._qmp({"execute": "device_add",
                   "arguments": {"driver": "usb-serial", **options}})

    def shutdown(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for connection in ("qmp", "agent"):
            if hasattr(self, connection):
                getattr(self, connection).close()
        shutil.rmtree(self.folder, ignore_errors=True)
