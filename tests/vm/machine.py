"""A virtual machine with a real Linux kernel, USB serial adapters and udev, that runs this
machine's own programs: Debian's kernel (downloaded once into a cache, never installed), a
busybox initramfs, the host's root read-only over 9p under a tmpfs, and QEMU's FTDI adapters
whose far ends are pseudo-terminals on the host."""

import base64
import json
import lzma
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
    names = [line.split()[1] for line in listing.splitlines()
             if line.strip().startswith("Depends: linux-image-")]
    if not names:
        raise VmError("apt-cache names no kernel for linux-image-amd64")
    return names[0]


def uncompressed_kernel(vmlinuz, vmlinux):
    """Boots faster: the decompression is the slowest part of a boot without KVM."""
    data = vmlinuz.read_bytes()
    start = data.find(b"\xfd7zXZ\x00")
    if start < 0:
        raise VmError(f"{vmlinuz}: no xz-compressed kernel inside")
    vmlinux.write_bytes(lzma.LZMADecompressor().decompress(data[start:]))


def initramfs(modules_dir, version, target):
    """busybox, init, and the modules the machine needs after those they depend on."""
    depends = subprocess.run(
        ["modprobe", "-d", str(modules_dir), "-S", version, "-a", "--show-depends"] + MODULES,
        check=True, capture_output=True, text=True).stdout
    paths = list(dict.fromkeys(words[1] for words in map(str.split, depends.splitlines())
                               if words and words[0] == "insmod"))
    with tempfile.TemporaryDirectory() as folder:
        root = Path(folder)
        for name in ("bin", "proc", "sys", "dev", "modules"):
            (root / name).mkdir()
        shutil.copy(HERE / "init", root / "init")
        (root / "init").chmod(0o755)
        shutil.copy("/bin/busybox", root / "bin/busybox")
        (root / "modules/order").write_text("".join(Path(path).name + "\n" for path in paths))
        for path in paths:
            shutil.copy(path, root / "modules")
        names = "\n".join(str(path.relative_to(root)) for path in sorted(root.rglob("*")))
        with open(target, "wb") as archive:
            subprocess.run(["busybox", "cpio", "-o", "-H", "newc"], input=names.encode(),
                           cwd=root, stdout=archive, stderr=subprocess.DEVNULL, check=True)


def unpack(package, unpacked):
    """The kernel package's files, downloaded and unpacked, never installed."""
    with tempfile.TemporaryDirectory() as download:
        fetched = subprocess.run(["apt-get", "download", "-q", package], cwd=download,
                                 capture_output=True, text=True)
        if fetched.returncode != 0:
            raise VmError(f"apt-get download {package}: {fetched.stderr}")
        shutil.rmtree(unpacked, ignore_errors=True)
        subprocess.run(["dpkg-deb", "-x", str(next(Path(download).glob("*.deb"))),
                        str(unpacked)], check=True)


def prepare(cache):
    """The kernel and initramfs, made once per kernel package and kept in the cache; the
    initramfs again when its makers changed."""
    cache = cache.resolve()
    try:
        package = kernel_package()
    except (OSError, subprocess.CalledProcessError, VmError):
        made = sorted(cache.glob("linux-image-*/vmlinux"))
        if not made:
            raise
        package = made[-1].parent.name
    home, version = cache / package, package.removeprefix("linux-image-")
    vmlinux, image, unpacked = home / "vmlinux", home / "initramfs.cpio", home / "root"
    if not vmlinux.exists():
        home.mkdir(parents=True, exist_ok=True)
        unpack(package, unpacked)
        subprocess.run(["depmod", "-b", str(unpacked), version], check=True)
        uncompressed_kernel(unpacked / "boot" / f"vmlinuz-{version}", vmlinux)
    makers = max((HERE / "init").stat().st_mtime, Path(__file__).stat().st_mtime)
    if not image.exists() or image.stat().st_mtime < makers:
        initramfs(unpacked, version, image)
    return vmlinux, image


class Command:
    """A command running in the guest: its lines as they come, its exit status at its end."""

    def __init__(self, machine, number):
        self.machine, self.number = machine, number
        self.events = queue.Queue()
        self.out, self.err, self.status = [], [], None

    def _take(self, deadline):
        """The next (stream, text) the guest told of this command."""
        try:
            stream, text = self.events.get(timeout=max(0.0, deadline - time.monotonic()))
        except queue.Empty:
            raise VmError(f"guest command {self.number}: no answer in time; so far "
                          f"out={self.out} err={self.err}; the guest's console ends with:\n"
                          f"{self.machine.console_tail()}") from None
        if stream == "vanished":
            raise VmError("the virtual machine ended: " + self.machine.console_tail())
        if stream == "exit":
            self.status = text
        else:
            getattr(self, stream).append(text)
        return stream, text

    def wait_for(self, text, timeout=20, stream="out"):
        """Until a line of the stream holds the text; the line."""
        deadline = time.monotonic() + timeout
        for line in getattr(self, stream):
            if text in line:
                return line
        while True:
            kind, line = self._take(deadline)
            if kind == stream and text in line:
                return line
            if self.status is not None:
                raise VmError(f"ended with {self.status} before {text!r}: out={self.out} "
                              f"err={self.err}")

    def wait(self, timeout=60):
        deadline = time.monotonic() + timeout
        while self.status is None:
            self._take(deadline)
        return self

    def signal(self, number):
        self.machine.send(f"{self.number} signal {int(number)}")

    @property
    def stdout(self):
        return "\n".join(self.out)

    @property
    def stderr(self):
        return "\n".join(self.err)


class Machine:
    """One booted guest. adapters: {id: (serial number, far-end terminal path)}; uarts: the
    far-end terminal paths of 16550 UARTs, the guest's ttyS2 onwards."""

    def __init__(self, cache, adapters, uarts=()):
        self.cache, self.adapters, self.uarts = Path(cache), adapters, list(uarts)
        self.folder = Path(tempfile.mkdtemp(prefix="monctl-vm-"))
        self.commands = {}
        self.qmp_replies, self.qmp_events = queue.Queue(), queue.Queue()
        self.process = self.qmp = self.agent = None

    def console_tail(self):
        log = self.folder / "console.log"
        return log.read_text(errors="replace")[-3000:] if log.exists() else ""

    def boot(self, timeout=60):
        vmlinux, image = prepare(self.cache)
        qmp, agent = self.folder / "qmp.sock", self.folder / "agent.sock"
        argv = [
            "qemu-system-x86_64", "-nodefaults", "-no-user-config", "-display", "none",
            "-machine", "pc", "-accel", "tcg", "-cpu", "max", "-smp", "1", "-m", "1G",
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
        for name, (_, terminal) in self.adapters.items():
            options = ",".join(f"{key}={value}" for key, value in self._adapter(name).items())
            argv += ["-chardev", f"serial,id={name}-line,path={terminal}", "-device", options]
        started = time.monotonic()
        with open(self.folder / "qemu.log", "wb") as log:
            self.process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=subprocess.STDOUT)
        self.qmp, self.agent = self._connect(qmp), self._connect(agent)
        self.ready = threading.Event()
        threading.Thread(target=self._read_qmp, daemon=True).start()
        threading.Thread(target=self._read_agent, daemon=True).start()
        self._qmp({"execute": "qmp_capabilities"})
        if not self.ready.wait(timeout):
            raise VmError("the guest did not start: " + self.console_tail())
        self.boot_seconds = round(time.monotonic() - started, 2)

    def _adapter(self, name):
        return {"driver": "usb-serial", "id": name, "chardev": f"{name}-line",
                "serial": self.adapters[name][0], "bus": "xhci.0"}

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
        kinds = {"o": "out", "e": "err", "x": "exit"}
        for line in self.agent.makefile("rb"):
            line = line.decode(errors="replace").rstrip("\r\n")
            if line == "ready":
                self.ready.set()
                continue
            number, kind, text = (line.split(" ", 2) + ["", ""])[:3]
            command = self.commands.get(int(number)) if number.isdigit() else None
            if command and kind in kinds:
                command.events.put((kinds[kind], int(text) if kind == "x" else text))
        for command in list(self.commands.values()):
            command.events.put(("vanished", None))

    def _qmp(self, request, timeout=10):
        self.qmp.sendall((json.dumps(request) + "\n").encode())
        try:
            reply = self.qmp_replies.get(timeout=timeout)
        except queue.Empty:
            raise VmError(f"qmp: no reply to {request}") from None
        if "error" in reply:
            raise VmError(f"qmp: {request}: {reply['error']}")
        return reply["return"]

    def send(self, line):
        self.agent.sendall((line + "\n").encode())

    def start(self, argv, env=None, user=None, groups=()):
        """Starts a command in the guest; user: a uid other than root's (its gid the same),
        with the supplementary groups given and no others."""
        command = Command(self, len(self.commands) + 1)
        self.commands[command.number] = command
        script = [f"export {name}={shlex.quote(str(value))}"
                  for name, value in (env or {}).items()]
        if user is not None:
            argv = ["setpriv", f"--reuid={user}", f"--regid={user}",
                    f"--groups={','.join(map(str, groups))}" if groups else "--clear-groups",
                    "--", *argv]
        script.append("exec " + " ".join(shlex.quote(str(word)) for word in argv))
        encoded = base64.b64encode("\n".join(script).encode()).decode()
        self.send(f"{command.number} run {encoded}")
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
        self._qmp({"execute": "device_add", "arguments": self._adapter(name)})

    def shutdown(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for connection in (self.qmp, self.agent):
            if connection:
                connection.close()
        shutil.rmtree(self.folder, ignore_errors=True)
