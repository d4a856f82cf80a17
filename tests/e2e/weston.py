"""weston's headless backend as a Wayland session for the end-to-end cases,
with or without its XWayland, and its screenshooter and scene graph.

weston's XWayland takes the first free X display number and its socket
names are shared by the whole machine, so the cases run in a private mount
and network namespace (unshare) with a private /tmp/.X11-unix: nothing they
start can meet another X server or client. Only the socket folder is hidden,
not /tmp, since the checkout and its build may live there. The display lock
files stay shared, which keeps the number free of every other X server.
Everything waits by polling.
"""

import os
import shutil
import subprocess
import tempfile

import xsession
from xsession import Failure, stop_process, wait_for

SOCKET = "wayland-e2e"


X11_SOCKETS = "/tmp/.X11-unix"


def enter_private_namespace(argv):
    """Runs this script again inside a private mount and network namespace;
    returns its exit code. Without root, a user namespace in which the user
    is root gives the same, where the kernel allows one."""
    env = dict(os.environ, QUORVIX_E2E_PRIVATE="1")
    for unshare in (["unshare", "-mn"], ["unshare", "-rmn"]):
        if subprocess.run([*unshare, "true"], capture_output=True).returncode == 0:
            return subprocess.run([*unshare, *argv], env=env).returncode
    print("SKIP: cannot enter a private mount and network namespace: unshare -mn needs root, "
          "and this kernel refuses this user a user namespace (unshare -rmn)")
    return xsession.SKIP


def make_private_x11_sockets():
    # X servers make the folder as the machine's, so it may be missing only
    # where none has run yet; it is made the way they make it.
    if not os.path.isdir(X11_SOCKETS):
        os.mkdir(X11_SOCKETS)
        os.chmod(X11_SOCKETS, 0o1777)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "e2e-x11", X11_SOCKETS], check=True)


class Weston:
    def __init__(self, xwayland, width=1024, height=768):
        self.x11_display = None
        self.dir = tempfile.mkdtemp()
        self.runtime_dir = os.path.join(self.dir, "runtime")
        os.mkdir(self.runtime_dir, 0o700)
        # A black background without a panel, so anything drawn stands out.
        config = os.path.join(self.dir, "weston.ini")
        with open(config, "w") as f:
            f.write("[core]\nshell=desktop-shell.so\n[shell]\nbackground-color=0xff000000\npanel-position=none\n")
        self.log_path = os.path.join(self.dir, "weston.log")
        command = ["weston", "--backend=headless-backend.so", "--use-pixman", "--debug",
                   "--socket=" + SOCKET, "--width=%d" % width, "--height=%d" % height,
                   "--config=" + config, "--log=" + self.log_path]
        if xwayland:
            command.append("--xwayland")
        self.process = subprocess.Popen(command, env=self.env(), cwd=self.dir,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            if xwayland:
                self.x11_display = wait_for("weston's XWayland to listen", self._xwayland_display, 20)
            wait_for("weston to draw its desktop", lambda: "background for output" in self.scene_graph(), 20)
        except BaseException:
            self.close()  # its folder is in the shared /tmp, its display lock too
            raise

    def _log(self):
        if self.process.poll() is not None:
            raise Failure("weston ended with code %s" % self.process.returncode)
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def _xwayland_display(self):
        for line in self._log().splitlines():
            if "xserver listening on display" in line:
                return line.split()[-1]
        return None

    def env(self, extra=None):
        env = dict(os.environ)
        for name in ("DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"):
            env.pop(name, None)
        env.update({"XDG_RUNTIME_DIR": self.runtime_dir, "WAYLAND_DISPLAY": os.path.join(self.runtime_dir, SOCKET),
                    "XDG_SESSION_TYPE": "wayland"})
        if self.x11_display:
            env["DISPLAY"] = self.x11_display
        if extra:
            env.update(extra)
        return env

    def scene_graph(self):
        result = subprocess.run(["weston-debug", "-o", "/dev/stdout", "scene-graph"], env=self.env(),
                                capture_output=True, text=True, timeout=20)
        return result.stdout

    def screenshot(self, path):
        """The whole output as an RGB PPM."""
        shots = os.path.join(self.dir, "shots")
        os.makedirs(shots, exist_ok=True)
        for name in os.listdir(shots):
            os.remove(os.path.join(shots, name))
        subprocess.run(["weston-screenshooter"], env=self.env(), cwd=shots, check=True,
                       capture_output=True, timeout=20)
        (png,) = os.listdir(shots)
        subprocess.run(["convert", os.path.join(shots, png), "-alpha", "off", path], check=True, timeout=20)
        return xsession.read_ppm(path)

    def close(self):
        stop_process(self.process)
        shutil.rmtree(self.dir, ignore_errors=True)


def views(scene):
    """(role, description, (x0, y0, x1, y1)) of every view in a scene graph."""
    found = []
    lines = scene.splitlines()
    for i, line in enumerate(lines):
        text = line.strip()
        if not text.startswith("View ") or i + 1 >= len(lines) or "position:" not in lines[i + 1]:
            continue
        role = text.split("role ", 1)[1].split(",", 1)[0]
        numbers = lines[i + 1].replace("(", " ").replace(")", " ").replace(",", " ").split()
        x0, y0, x1, y1 = (int(n) for n in numbers if n.lstrip("-").isdigit())
        found.append((role, text, (x0, y0, x1, y1)))
    return found
