#!/usr/bin/env python3
"""End-to-end cases: the real quorvix-options on a bare X server, driven by
keyboard and mouse events, checked through its store file and the screen.

  run_e2e.py --case NAME --program BIN --helper BIN --data-dir DIR
             --expected JSON --artifacts DIR

Exit code 0 on success, 1 on failure, 77 when Xvfb or xdotool is missing.
"""

import argparse
import json
import os
import struct
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import weston  # noqa: E402
import xsession  # noqa: E402
from xsession import Failure  # noqa: E402

OPTIONS_TITLE = "OPTION"
WARNING_TITLE = "QuorvixLAN"
TWIPS_PER_PIXEL = 15  # 96 DPI, which the X server is started with


class Case:
    def __init__(self, args, server, workdir):
        self.args = args
        self.server = server
        self.config_home = os.path.join(workdir, "config")
        os.makedirs(self.config_home)
        self.store_file = os.path.join(self.config_home, "wispane.ini")
        self.programs = []

    def helper(self, *arguments):
        result = subprocess.run([self.args.helper, *arguments],
                                env=self.server.env({"XDG_CONFIG_HOME": self.config_home}),
                                capture_output=True, timeout=60)
        if result.returncode != 0:
            raise Failure("helper %s failed: %s" % (arguments[0], result.stderr.decode(errors="replace")))
        return result.stdout

    def store(self):
        return json.loads(self.helper("store-dump").decode("utf-8"))

    def prepare_store(self, keys):
        path = os.path.join(self.config_home, "prepared.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(keys, f, ensure_ascii=False)
        self.helper("store-write", path)
        os.remove(path)

    def screenshot(self, name):
        path = os.path.join(self.args.artifacts, name + ".ppm")
        self.helper("grab", path)
        return xsession.read_ppm(path)

    def start(self, extra_env=None):
        program = xsession.Program(self.server, self.args.program, self.config_home, extra_env)
        self.programs.append(program)
        return program

    def kill_programs(self):
        for program in self.programs:
            program.kill()

    def open_options(self, program):
        window = program.wait_window(OPTIONS_TITLE)
        if self.server.windows_named(WARNING_TITLE):
            raise Failure("the missing-agent warning appeared although the agent file exists")
        return window

    def finish(self, program, window, key):
        self.server.key(window, key)
        code = program.wait_exit()
        if code != 0:
            raise Failure("the program ended with code %d:\n%s" % (code, program.output()))


def expected_defaults(args):
    with open(args.expected, encoding="utf-8") as f:
        expected = json.load(f)
    # The agent's default path is the data folder followed by the file's
    # place in it, written with backslashes the way the mail checker stores it.
    expected["Agentnm"] = expected["Agentnm"].replace("@DATA_DIR@", os.path.abspath(args.data_dir))
    return expected


def compare_store(actual, expected):
    problems = []
    for key, value in expected.items():
        if key not in actual:
            problems.append("%s missing (expected %r)" % (key, value))
        elif actual[key] != value:
            problems.append("%s is %r, expected %r" % (key, actual[key], value))
    for key in sorted(set(actual) - set(expected)):
        problems.append("unexpected key %s = %r" % (key, actual[key]))
    if problems:
        raise Failure("store differs:\n  " + "\n  ".join(problems))


def case_first_run_enter(case):
    """Empty store, Enter: OK writes every key with its default."""
    program = case.start()
    window = case.open_options(program)
    case.finish(program, window, "Return")
    compare_store(case.store(), expected_defaults(case.args))
    mode = os.stat(case.store_file).st_mode & 0o777
    if mode & 0o077:
        raise Failure("the store file is readable by others (mode %o)" % mode)


def case_first_run_escape(case):
    """Empty store, Esc: Cancel ends the program and writes nothing."""
    program = case.start()
    window = case.open_options(program)
    case.finish(program, window, "Escape")
    stored = case.store()
    if stored:
        raise Failure("Esc wrote keys: %s" % ", ".join(sorted(stored)))


TWO_ACCOUNTS = {
    "accountno": "2",
    "Aname1": "home", "Hname1": "pop.example.org", "Portno1": "110", "Uname1": "taro",
    "Passw1": "97 98 99 ", "Check1": "1",
    "Scolor11": "0", "Scolor21": str(0x0000FF),        # black on pure red
    "Aname2": "work", "Hname2": "mail.example.com", "Portno2": "995", "Uname2": "hanako",
    "Passw2": "120 121 ", "Check2": "0",
    "Scolor12": str(0xFFFFFF), "Scolor22": str(0x00FF00),  # white on pure green
}


def case_two_accounts(case):
    """Two stored accounts: the account page shows both rows in their colours,
    and OK keeps the count and the records as they were."""
    case.prepare_store(TWO_ACCOUNTS)
    program = case.start()
    window = case.open_options(program)
    x, y, width, height = case.server.geometry(window)
    # Four tabs of equal width share the top row; the third is the account page.
    case.server.click(x + width * 5 // 8, y + 10)

    def rows_shown():
        image = case.screenshot("two-accounts")
        rect = (x, y, width, height)
        red = xsession.count_pixels(image, rect, lambda p: p == (255, 0, 0))
        green = xsession.count_pixels(image, rect, lambda p: p == (0, 255, 0))
        return (red, green) if red > 500 and green > 500 else None

    xsession.wait_for("both account rows drawn in their background colours", rows_shown, 30, 0.3)
    case.finish(program, window, "Return")
    stored = case.store()
    for key, value in TWO_ACCOUNTS.items():
        if stored.get(key) != value:
            raise Failure("%s is %r after OK, expected %r" % (key, stored.get(key), value))


def case_missing_agent(case):
    """A stored agent path that does not exist: one warning, then the window."""
    missing = os.path.join(case.config_home, "no-such-folder", "Missing.acs")
    case.prepare_store({"Agentnm": missing, "Talkcnt": "7"})
    with open(case.store_file, "rb") as f:
        before = f.read()
    program = case.start()
    box = program.wait_window(WARNING_TITLE)
    if len(case.server.windows_named(WARNING_TITLE)) != 1:
        raise Failure("more than one warning box at once")
    case.server.key(box, "Return")
    window = program.wait_window(OPTIONS_TITLE)
    # Loading is over once the window is shown, so a second warning would be up by now.
    xsession.wait_for("no warning box besides the options window (shown twice?)",
                      lambda: not case.server.windows_named(WARNING_TITLE), 5)
    case.finish(program, window, "Escape")
    with open(case.store_file, "rb") as f:
        if f.read() != before:
            raise Failure("Esc changed the store file")


def character_size(path):
    """Width and height of a character file (header: character-info locator;
    the size follows the version, localized-info locator and GUID)."""
    with open(path, "rb") as f:
        data = f.read()
    (info,) = struct.unpack_from("<I", data, 4)
    return struct.unpack_from("<HH", data, info + 28)


def default_agent_rect(case):
    width, height = character_size(os.path.join(case.args.data_dir, "Msagent", "chars", "Pipwren.acs"))
    left = round((case.server.width * TWIPS_PER_PIXEL / 2 - 64) / TWIPS_PER_PIXEL)
    top = round((case.server.height * TWIPS_PER_PIXEL / 2 - 64) / TWIPS_PER_PIXEL)
    return (left, top, width, height)


def case_character_on_screen(case):
    """The default character is drawn at its default place, the screen centre
    less 64 twips. The options window, centred too, is moved aside first."""
    program = case.start()
    window = case.open_options(program)
    case.server.xdotool("windowmove", "--sync", window, "0", "0")
    rect = default_agent_rect(case)
    _, _, w, h = rect
    if rect[0] < case.server.geometry(window)[2] or rect[1] + h > case.server.height:
        raise Failure("the character's place overlaps the moved window; screen too small")

    def drawn():
        image = case.screenshot("character")
        inside = xsession.count_pixels(image, rect, lambda p: p != (0, 0, 0))
        # A corner the character never reaches stays bare: the screen test works.
        corner = (case.server.width - 40, case.server.height - 40, 40, 40)
        if xsession.count_pixels(image, corner, lambda p: p != (0, 0, 0)):
            raise Failure("something drawn in the bare corner of the screen")
        return inside if inside > w * h // 20 else None

    xsession.wait_for("the character drawn at %r" % (rect,), drawn, 30, 0.3)
    case.finish(program, window, "Escape")


CHARACTER_TITLE = "Pipwren"
DESKTOP_STATES = ("_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_ABOVE")


def case_character_with_window_manager(case):
    """Under a window manager the character stands at its stored place, above
    the options window even when that is raised, out of task bars and pagers,
    and the options window keeps the focus."""
    xsession.require_tools("openbox", "xprop")
    manager = xsession.WindowManager(case.server)
    try:
        case.prepare_store({"DefLeft": "12000", "DefTop": "600"})  # 800, 40 pixels
        program = case.start()
        window = case.open_options(program)
        character = program.wait_window(CHARACTER_TITLE)
        states = xsession.wait_for(
            "the character's window states %s" % (DESKTOP_STATES,),
            lambda: (lambda s: s if all(x in s for x in DESKTOP_STATES) else None)(
                case.server.atoms(character, "_NET_WM_STATE")), 10)
        if case.server.geometry(character)[:2] != (800, 40):
            raise Failure("the character is at %r, not at its stored 800,40" % (case.server.geometry(character),))
        case.server.xdotool("windowactivate", "--sync", window)
        case.server.xdotool("windowraise", window)

        def stacked():
            order = case.server.atoms("", "_NET_CLIENT_LIST_STACKING")  # bottom first
            ids = [int(w.split()[-1], 16) for w in order]
            return ids.index(int(character)) > ids.index(int(window)) if int(window) in ids else None

        xsession.wait_for("the character above the raised options window", stacked, 10)
        active = case.server.atoms("", "_NET_ACTIVE_WINDOW")
        if not active or int(active[0].split()[-1], 16) != int(window):
            raise Failure("the options window lost the focus (active: %r, states %r)" % (active, states))
        case.finish(program, window, "Escape")
    finally:
        manager.close()


def case_character_above_bare_x(case):
    """Without a window manager the character, mapped first, still ends above
    the options window that overlaps it."""
    program = case.start()
    window = case.open_options(program)
    program.wait_window(CHARACTER_TITLE)

    def above():
        order = case.server.stacking_top_first()
        return order.index(CHARACTER_TITLE) < order.index(OPTIONS_TITLE) if OPTIONS_TITLE in order else None

    xsession.wait_for("the character above the options window", above, 10)
    case.finish(program, window, "Escape")


def case_blank_frame(case):
    """An animation ending blank ("Hide") leaves no pixel of the character on screen."""
    path = os.path.join(case.args.data_dir, "Msagent", "chars", "Pipwren.acs")
    show = xsession.Program(case.server, case.args.acs_show, case.config_home,
                            arguments=["--log", "--no-idle", path, "100", "100", "30", "Hide"])
    case.programs.append(show)
    rect = (100, 100) + tuple(character_size(path))
    seen = []

    def vanished():
        show.check_running()
        drawn = xsession.count_pixels(case.screenshot("blank"), rect, lambda p: p != (0, 0, 0))
        seen.append(drawn)
        return "Hide" in show.output() and max(seen) > 0 and drawn == 0

    try:
        xsession.wait_for("the character gone after Hide", vanished, 20, 0.2)
    except Failure as failure:
        raise Failure("%s (character pixels in the last screenshots: %s)" % (failure, seen[-5:]))


def non_black(p):
    return p != (0, 0, 0)


def bounding_box(image, rect):
    width, _, rgb = image
    x0, y0, w, h = rect
    xs, ys = [], []
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            i = (y * width + x) * 3
            if rgb[i] or rgb[i + 1] or rgb[i + 2]:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys)) if xs else None


def frame_mismatches(screen, area, frame):
    """Pixels of the character's area that differ from the one frame (over black)."""
    fw, fh, frgb = frame
    sw, _, srgb = screen
    drawn = bounding_box(screen, area)
    expected = bounding_box(frame, (0, 0, fw, fh))
    if not drawn or not expected:
        return fw * fh
    dx, dy = drawn[0] - expected[0], drawn[1] - expected[1]
    ax, ay, aw, ah = area
    wrong = 0
    for y in range(ay, ay + ah):
        for x in range(ax, ax + aw):
            fx, fy = x - dx, y - dy
            want = (0, 0, 0)
            if 0 <= fx < fw and 0 <= fy < fh:
                j = (fy * fw + fx) * 3
                want = tuple(frgb[j:j + 3])
            i = (y * sw + x) * 3
            if max(abs(a - b) for a, b in zip(srgb[i:i + 3], want)) > 8:
                wrong += 1
    return wrong


def wayland_case(case, xwayland):
    """The program on a Wayland session (weston): it takes XWayland when there
    is one and native Wayland otherwise, and in both the character's window,
    after a moving animation, holds exactly its last frame and nothing of the
    frames before."""
    needed = ["weston", "weston-screenshooter", "weston-debug", "convert"] + (["Xwayland"] if xwayland else [])
    xsession.require_tools(*needed)
    session = weston.Weston(xwayland)
    try:
        program = xsession.Program(session, case.args.program, case.config_home)
        case.programs.append(program)
        wanted_role = "(null)" if xwayland else "xdg_toplevel"

        def options_view():
            program.check_running()
            for role, text, _ in weston.views(session.scene_graph()):
                if "top-level window 'OPTION'" in text:
                    return role
            return None

        role = xsession.wait_for("the options window on weston", options_view, 30)
        if role != wanted_role:
            raise Failure("the options window has role %s, expected %s (XWayland: %s)" % (role, wanted_role, xwayland))
        program.kill()

        path = os.path.join(case.args.data_dir, "Msagent", "chars", "Pipwren.acs")
        frame_png = os.path.join(case.args.artifacts, "expected.png")
        frame_ppm = os.path.join(case.args.artifacts, "expected.ppm")
        acs_dump = os.path.join(os.path.dirname(case.args.acs_show), "acs-dump")
        subprocess.run([acs_dump, "render", path, "Greet", "7", frame_png], check=True, timeout=30)
        subprocess.run(["convert", frame_png, "-background", "black", "-alpha", "remove", frame_ppm],
                       check=True, timeout=30)
        frame = xsession.read_ppm(frame_ppm)
        show = xsession.Program(session, case.args.acs_show, case.config_home,
                                {"QT_QPA_PLATFORM": "xcb" if xwayland else "wayland"},
                                ["--log", "--no-idle", path, "100", "100", "60", "Greet"])
        case.programs.append(show)
        counts = []

        def clean():
            show.check_running()
            if "Greet" not in show.output():
                return False
            area = [r for role, text, r in weston.views(session.scene_graph())
                    if "background for output" not in text and (xwayland or "'Pipwren'" in text)]
            if not area:
                return False
            x0, y0, x1, y1 = area[0]
            screen = session.screenshot(os.path.join(case.args.artifacts, "screen.ppm"))
            counts.append(frame_mismatches(screen, (x0, y0, x1 - x0, y1 - y0), frame))
            return counts[-1] == 0

        try:
            xsession.wait_for("the character window to hold one frame", clean, 20, 0.3)
        except Failure as failure:
            raise Failure("%s (differing pixels in the last screenshots: %s)" % (failure, counts[-5:]))
    finally:
        case.kill_programs()
        session.close()


def over_background(rgba, background):
    """An RGBA image (width, height, bytes) drawn over a plain colour, as RGB."""
    width, height, pixels = rgba
    rgb = bytearray(width * height * 3)
    for i in range(width * height):
        alpha = pixels[i * 4 + 3]
        for c in range(3):
            rgb[i * 3 + c] = (pixels[i * 4 + c] * alpha + background[c] * (255 - alpha) + 127) // 255
    return width, height, bytes(rgb)


def composited_mismatches(screen, rect, frame, background):
    """Pixels around and in rect that are not what a clean composited screen
    shows (frame, over the background, in rect; the background around it),
    and pure black pixels there, which the default character never has."""
    width, height, rgb = screen
    x0, y0, w, h = rect
    margin = 40  # picom's shadows reach 27 pixels beyond a window
    wrong = black = 0
    for y in range(max(0, y0 - margin), min(height, y0 + h + margin)):
        for x in range(max(0, x0 - margin), min(width, x0 + w + margin)):
            i = (y * width + x) * 3
            pixel = rgb[i:i + 3]
            want = background
            if frame and x0 <= x < x0 + w and y0 <= y < y0 + h:
                j = ((y - y0) * frame[0] + x - x0) * 3
                want = frame[2][j:j + 3]
            if max(abs(a - b) for a, b in zip(pixel, want)) > 8:
                wrong += 1
            if pixel == b"\0\0\0":
                black += 1
    return wrong, black


def compositing_case(case, command, window_manager):
    """With a compositing manager drawing shadows, the character leaves no
    shadow and no patch: its last frame stands alone on the screen, nothing
    of it is left after Hide, and no captured frame shows black patches.
    The screen is read from the X server's framebuffer, where the
    compositor's picture lands."""
    xsession.require_tools(command[0], "convert", *(["openbox", "xprop"] if window_manager else []))
    manager = xsession.WindowManager(case.server) if window_manager else None
    compositor = None
    try:
        compositor = xsession.Compositor(case.server, command)
        path = os.path.join(case.args.data_dir, "Msagent", "chars", "Pipwren.acs")
        rect = (100, 100) + tuple(character_size(path))
        frame_png = os.path.join(case.args.artifacts, "expected.png")
        acs_dump = os.path.join(os.path.dirname(case.args.acs_show), "acs-dump")
        subprocess.run([acs_dump, "render", path, "Greet", "7", frame_png], check=True, timeout=30)
        raw = subprocess.run(["convert", frame_png, "-depth", "8", "rgba:-"], check=True, timeout=30,
                             capture_output=True).stdout
        rgba = (rect[2], rect[3], raw)
        blacks = []

        def play(animation, with_frame, what, lasting):
            show = xsession.Program(case.server, case.args.acs_show, case.config_home,
                                    arguments=["--log", "--no-idle", path, "100", "100", "60", animation])
            case.programs.append(show)
            wrongs = []

            def clean():
                show.check_running()
                screen = case.server.framebuffer()
                width, height, rgb = screen
                corner = ((height - 1) * width + width - 1) * 3
                background = rgb[corner:corner + 3]
                if background == b"\0\0\0":
                    return False  # the compositor has not painted the screen yet
                frame = over_background(rgba, background) if with_frame else None
                wrong, black = composited_mismatches(screen, rect, frame, background)
                wrongs.append(wrong)
                blacks.append(black)
                if black:
                    xsession.write_ppm(os.path.join(case.args.artifacts, "black-patch.ppm"), screen)
                return animation in show.output() and max(wrongs) > 0 and wrong == 0

            try:
                xsession.wait_for(what, clean, 30, 0.02)
                # And it stays so: a compositor that follows late shows it now.
                for _ in range(10 if lasting else 0):
                    if not clean():
                        raise Failure("the screen changed afterwards")
            except Failure as failure:
                xsession.write_ppm(os.path.join(case.args.artifacts, "last.ppm"), case.server.framebuffer())
                raise Failure("%s (differing pixels in the last captures: %s)" % (failure, wrongs[-5:]))
            finally:
                show.kill()

        play("Greet", True, "frame 7 of Greet alone on the screen", False)
        play("Hide", False, "nothing of the character left after Hide", True)
        patched = [b for b in blacks if b]
        if patched:
            raise Failure("black patches in %d of %d captured frames, up to %d pixels"
                          % (len(patched), len(blacks), max(patched)))
        print("%d captured frames, none with a shadow or a patch" % len(blacks))
    finally:
        if compositor:
            compositor.close()
        if manager:
            manager.close()


def case_compositing_picom(case):
    compositing_case(case, ["picom", "--config", "/dev/null", "-c", "--backend", "xrender"], True)


def case_compositing_xcompmgr(case):
    compositing_case(case, ["xcompmgr"], False)


def case_wayland_xwayland(case):
    wayland_case(case, xwayland=True)


def case_wayland_native(case):
    wayland_case(case, xwayland=False)


FOREIGN_STORE = (b"; written by hand\n"
                 b"[setting]\n"
                 b"Passw1=97 98 99 \n"
                 b"\xe5\x90\x8d\xe5\x89\x8d = x\n"
                 b"DefLeft=1,5\n"
                 b"Memo=\x96\xbc\x91\x4f\n"
                 b"# kept\n"
                 b"\n"
                 b"[mail]\n"
                 b"Agentnm=C:\\WINDOWS\\msagent\\chars\\merlin.acs\n"
                 b"inbox dir=C:\\Mail\\\n"
                 b"next=kept?\n"
                 b"lastrun=2026-12-07 10:00;ok\n")


def case_foreign_store(case):
    """A store written by hand, beside the empty window lock a crash leaves:
    the window opens, a second start only brings it forward, and OK keeps
    every line it does not change byte for byte."""
    with open(case.store_file, "wb") as f:
        f.write(FOREIGN_STORE)
    open(case.store_file + ".window", "wb").close()
    program = case.start()
    window = case.open_options(program)
    # One session: the second start shares the first one's runtime folder.
    second = case.start({"XDG_RUNTIME_DIR": program.runtime_dir.name})
    code = second.wait_exit()
    if code != 0:
        raise Failure("the second start ended with code %d:\n%s" % (code, second.output()))
    if len(case.server.windows_named(OPTIONS_TITLE)) != 1:
        raise Failure("a second options window was opened")
    case.finish(program, window, "Return")
    with open(case.store_file, "rb") as f:
        lines = f.read().split(b"\n")
    position = 0
    for line in FOREIGN_STORE.split(b"\n"):
        if line not in lines[position:]:
            raise Failure("line %r was lost or moved by OK" % line)
        position = lines.index(line, position) + 1
    if case.store().get("Talkstr5") != "@6" or b"Talkstr5=@6" not in lines:
        raise Failure("OK did not write Talkstr5 plainly")


def case_twenty_starts(case):
    """Twenty starts at once on one store, in one session: exactly one options
    window opens, every other start brings it forward and ends with code 0,
    and no start shows the "open in another window" box."""
    shared = tempfile.TemporaryDirectory()
    try:
        starts = [case.start({"XDG_RUNTIME_DIR": shared.name}) for _ in range(20)]

        def settled():
            ended = [p for p in starts if p.process.poll() is not None]
            if case.server.windows_named(WARNING_TITLE):
                raise Failure("a start showed a box:\n" + "\n".join(p.output() for p in ended))
            return len(ended) == 19 and case.server.windows_named(OPTIONS_TITLE)

        xsession.wait_for("one window and nineteen starts ended", settled, 60, 0.1)
        failed = [p.process.returncode for p in starts if p.process.poll() not in (None, 0)]
        if failed:
            raise Failure("starts ended with codes %s" % failed)
        if len(case.server.windows_named(OPTIONS_TITLE)) != 1:
            raise Failure("%d options windows are open" % len(case.server.windows_named(OPTIONS_TITLE)))
    finally:
        case.kill_programs()
        shared.cleanup()


def case_no_display(case):
    """No usable display: a dead X server and no Wayland, then an X server and
    a Wayland compositor that take the connection and never answer. Each
    start ends with code 1 and one line that names the displays and says how
    to choose one, rather than Qt's abort or a hang."""
    import socket
    free = []
    for number in range(900, 1000):
        listener = socket.socket(socket.AF_UNIX)
        try:
            listener.bind("\0/tmp/.X11-unix/X%d" % number)  # where libxcb looks first, no file
        except OSError:
            listener.close()
            continue
        free.append((number, listener))
        if len(free) == 2:
            break
    (number, listener), (dead, unused) = free
    unused.close()  # no server there
    listener.listen(8)
    silent = [listener]
    wayland_path = os.path.join(case.config_home, "wayland-silent")
    compositor = socket.socket(socket.AF_UNIX)
    compositor.bind(wayland_path)
    compositor.listen(8)
    silent.append(compositor)
    dead_x = {"DISPLAY": ":%d" % dead, "WAYLAND_DISPLAY": ""}
    both_silent = {"DISPLAY": ":%d" % number, "WAYLAND_DISPLAY": wayland_path}
    try:
        for extra, names in ((dead_x, [dead_x["DISPLAY"]]), (both_silent, [both_silent["DISPLAY"], wayland_path])):
            env = case.server.env({"XDG_CONFIG_HOME": case.config_home, **extra})
            env.pop("QT_QPA_PLATFORM")
            if not extra["WAYLAND_DISPLAY"]:
                env.pop("WAYLAND_DISPLAY")
            started = time.monotonic()
            result = subprocess.run([case.args.program], env=env, capture_output=True, text=True, timeout=30)
            took = time.monotonic() - started
            lines = result.stderr.splitlines()
            if result.returncode != 1 or len(lines) != 1:
                raise Failure("with %s: code %d, standard error:\n%s" % (extra, result.returncode, result.stderr))
            for part in names + ["DISPLAY", "WAYLAND_DISPLAY", "-platform"]:
                if part not in lines[0]:
                    raise Failure("the line does not name %s: %s" % (part, lines[0]))
            if "einstall" in lines[0]:
                raise Failure("Qt's advice to reinstall: " + lines[0])
            print("%s: code 1 after %.1f s: %s" % (extra["DISPLAY"], took, lines[0]))
    finally:
        for listener in silent:
            listener.close()


CASES = {
    "first_run_enter": case_first_run_enter,
    "first_run_escape": case_first_run_escape,
    "two_accounts": case_two_accounts,
    "missing_agent": case_missing_agent,
    "character_on_screen": case_character_on_screen,
    "foreign_store": case_foreign_store,
    "twenty_starts": case_twenty_starts,
    "no_display": case_no_display,
    "character_with_window_manager": case_character_with_window_manager,
    "character_above_bare_x": case_character_above_bare_x,
    "blank_frame": case_blank_frame,
    "compositing_picom": case_compositing_picom,
    "compositing_xcompmgr": case_compositing_xcompmgr,
    "wayland_xwayland": case_wayland_xwayland,
    "wayland_native": case_wayland_native,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--case", required=True, choices=sorted(CASES))
    parser.add_argument("--program", required=True)
    parser.add_argument("--helper", required=True)
    parser.add_argument("--data-dir", required=True)
    parser.add_argument("--expected", required=True)
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--acs-show", required=True)
    args = parser.parse_args()
    os.makedirs(args.artifacts, exist_ok=True)
    on_wayland = args.case.startswith("wayland_")
    if on_wayland:
        xsession.require_tools("weston", "unshare")
        if not os.environ.get("QUORVIX_E2E_PRIVATE"):
            return weston.enter_private_namespace([sys.executable, *sys.argv])
        weston.make_private_x11_sockets()
        server = None
    else:
        xsession.require_tools("Xvfb", "xdotool", "xdpyinfo")
        server = xsession.XServer(framebuffer=args.case.startswith("compositing_"))
    started = time.monotonic()
    try:
        with tempfile.TemporaryDirectory() as workdir:
            case = Case(args, server, workdir)
            try:
                CASES[args.case](case)
            finally:
                case.kill_programs()
    except Failure as failure:
        print("FAIL %s: %s" % (args.case, failure))
        return 1
    finally:
        if server:
            server.close()
    print("PASS %s (%.1f s)" % (args.case, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
