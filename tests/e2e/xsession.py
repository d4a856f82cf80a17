"""A bare X server (Xvfb, no window manager) and the real program on it,
driven with real input events through xdotool (XTEST).

Shared by the end-to-end suite and the install tests. Everything waits by
polling with a deadline, never by fixed sleeps, so slow machines only take
longer; a deadline that passes is a failure with a message saying what was
awaited.
"""

import ctypes
import ctypes.util
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import time

SKIP = 77  # ctest SKIP_RETURN_CODE

SCREEN_WIDTH = 1024
SCREEN_HEIGHT = 768


class Failure(Exception):
    pass


def require_tools(*names):
    """Exits with the skip code when a tool the suite needs is missing."""
    missing = [n for n in names if shutil.which(n) is None]
    if missing:
        print("SKIP: not installed: " + ", ".join(missing))
        raise SystemExit(SKIP)


def stop_process(process):
    """Ends a process we started: politely first, then for good."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def wait_for(what, predicate, timeout=20.0, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


class XServer:
    """Xvfb on the first free display, which Xvfb itself picks (-displayfd).
    With framebuffer=True the screen can be read from the server's own
    framebuffer, which is what a compositing manager's picture ends up in."""

    def __init__(self, width=SCREEN_WIDTH, height=SCREEN_HEIGHT, framebuffer=False):
        self.width = width
        self.height = height
        self.fbdir = tempfile.TemporaryDirectory() if framebuffer else None
        read_end, write_end = os.pipe()
        # -br: a black root window, so anything drawn on it stands out.
        # -noreset: without it the server resets whenever its last client
        # leaves (a finished xdotool call), and a program connecting during
        # the reset fails to start.
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (width, height), "-br", "-noreset", "-nolisten", "tcp", "-dpi", "96"]
            + (["-fbdir", self.fbdir.name] if self.fbdir else []),
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            self.process.kill()
            raise Failure("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        # Xvfb announces its number once it listens; make sure it also
        # answers a client before the program under test is started.
        wait_for("the X server %s to answer" % self.display, self._answers, 15.0)

    def _answers(self):
        if self.process.poll() is not None:
            raise Failure("Xvfb on %s ended with code %s" % (self.display, self.process.returncode))
        return subprocess.run(["xdpyinfo"], env=self.env(), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=10).returncode == 0

    def env(self, extra=None):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env["QT_QPA_PLATFORM"] = "xcb"
        env.pop("WAYLAND_DISPLAY", None)
        # The INI store in the case's folder, never a Wine prefix of the user's.
        env["QUORVIX_STORE"] = "ini"
        if extra:
            env.update(extra)
        return env

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env(), capture_output=True,
                                text=True, timeout=20)
        if check and result.returncode != 0:
            raise Failure("xdotool %s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def windows_named(self, title):
        """Visible windows whose title is exactly title."""
        out = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % title, check=False)
        return [w for w in out.split() if w]

    def wait_window(self, title, timeout=30.0):
        return wait_for("a window titled %r" % title,
                        lambda: (self.windows_named(title) or [None])[0], timeout)

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def key(self, window, key):
        """Gives window the keyboard focus (there is no window manager to do
        it) and presses key through XTEST, as a keyboard would."""
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--clearmodifiers", key)

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", str(x), str(y))
        self.xdotool("click", "1")

    def atoms(self, window, prop):
        """Values of an ATOM or WINDOW property of window ("" for the root window)."""
        target = ["-root"] if not window else ["-id", window]
        result = subprocess.run(["xprop", *target, prop], env=self.env(), capture_output=True,
                                text=True, timeout=20)
        # "NAME(TYPE) = A, B" for atoms, "NAME(TYPE): window id # 0x1, 0x2" for windows.
        _, _, values = result.stdout.partition(")")
        values = values.lstrip(" =:")
        if "not found" in values or "no such atom" in values:
            return []
        return [v.strip() for v in values.split(",") if v.strip()]

    def stacking_top_first(self):
        """Titles of the root's children, top-most first (xwininfo's order)."""
        out = subprocess.run(["xwininfo", "-root", "-children"], env=self.env(), capture_output=True,
                             text=True, timeout=20).stdout
        return [line.split('"')[1] for line in out.splitlines() if line.strip().startswith("0x") and '"' in line]

    def framebuffer(self):
        """(width, height, rgb bytes) of the screen as the server holds it."""
        return read_xwd(os.path.join(self.fbdir.name, "Xvfb_screen0"))

    def close(self):
        stop_process(self.process)
        if self.fbdir:
            self.fbdir.cleanup()


class Compositor:
    """A compositing manager (picom, xcompmgr) on an XServer, once it owns
    the compositing manager selection of screen 0."""

    def __init__(self, server, command):
        self.process = subprocess.Popen(command, env=server.env(), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

        def owning():
            if self.process.poll() is not None:
                raise Failure("%s ended with code %s" % (command[0], self.process.returncode))
            return selection_owner(server.display, "_NET_WM_CM_S0")

        wait_for("%s to own _NET_WM_CM_S0" % command[0], owning, 15.0)

    def close(self):
        stop_process(self.process)


def selection_owner(display, selection):
    """The window owning an X selection, 0 for none (through Xlib, which
    every X client here has; no command-line tool tells it)."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetSelectionOwner.restype = ctypes.c_ulong
    xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        raise Failure("cannot open display %s" % display)
    try:
        return xlib.XGetSelectionOwner(connection, xlib.XInternAtom(connection, selection.encode(), 0))
    finally:
        xlib.XCloseDisplay(connection)


class WindowManager:
    """openbox on an XServer, once it has taken the screen over."""

    def __init__(self, server):
        self.server = server
        self.config = tempfile.TemporaryDirectory()
        self.process = subprocess.Popen(["openbox", "--sm-disable"], env=server.env(
            {"XDG_CONFIG_HOME": self.config.name}), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("openbox to manage the screen",
                 lambda: self.process.poll() is None and server.atoms("", "_NET_SUPPORTING_WM_CHECK"), 15.0)

    def close(self):
        stop_process(self.process)
        self.config.cleanup()


class Program:
    """The real program, started on an XServer with its own configuration folder."""

    def __init__(self, server, binary, config_home, extra_env=None, arguments=()):
        self.server = server
        self.log = tempfile.TemporaryFile()
        self.runtime_dir = tempfile.TemporaryDirectory()
        env = server.env({"XDG_CONFIG_HOME": config_home,
                          "XDG_RUNTIME_DIR": self.runtime_dir.name,
                          "QT_LOGGING_RULES": "qt.qpa.*=false"})
        if extra_env:
            env.update(extra_env)
        self.process = subprocess.Popen([binary, *arguments], env=env, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def output(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def check_running(self):
        code = self.process.poll()
        if code is not None:
            raise Failure("the program ended early with code %d:\n%s" % (code, self.output()))

    def wait_window(self, title, timeout=30.0):
        def found():
            self.check_running()
            return (self.server.windows_named(title) or [None])[0]
        return wait_for("a window titled %r" % title, found, timeout)

    def wait_exit(self, timeout=20.0):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end:\n" + self.output())

    def kill(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait()
        self.runtime_dir.cleanup()


def read_ppm(path):
    """(width, height, rgb bytes) of a binary PPM (P6, maxval 255)."""
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise Failure("unexpected screenshot format")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height * 3]


def write_ppm(path, image):
    width, height, rgb = image
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height) + rgb)


def read_xwd(path):
    """(width, height, rgb bytes) of an XWD file of 32 bits per pixel, as
    Xvfb keeps its framebuffer."""
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, colours = fields[7], fields[11], fields[12], fields[19]
    if bits_per_pixel != 32 or bytes_per_line != width * 4 or byte_order != 0:
        raise Failure("unexpected framebuffer format")
    start = header_size + colours * 12
    pixels = data[start:start + bytes_per_line * height]
    rgb = bytearray(width * height * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = pixels[2::4], pixels[1::4], pixels[0::4]
    return width, height, bytes(rgb)


def count_pixels(image, rect, predicate):
    """How many pixels of rect (x, y, w, h) satisfy predicate((r, g, b))."""
    width, height, rgb = image
    x0, y0, w, h = rect
    count = 0
    for y in range(max(0, y0), min(height, y0 + h)):
        row = y * width * 3
        for x in range(max(0, x0), min(width, x0 + w)):
            i = row + x * 3
            if predicate((rgb[i], rgb[i + 1], rgb[i + 2])):
                count += 1
    return count
