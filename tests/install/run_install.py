#!/usr/bin/env python3
"""Install tests: what `cmake --install` and the Debian package put where, and
that the installed program runs from wherever it was put.

  run_install.py --check layout    --build-dir DIR
  run_install.py --check relocated --build-dir DIR
  run_install.py --check deb       --build-dir DIR

Exit code 0 on success, 1 on failure, 77 when a tool it needs is missing.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import xsession  # noqa: E402
from xsession import Failure  # noqa: E402

APP_ID = "io.github.quorvix.QuorvixOptions"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# Relative to the prefix: everything a user's system needs to list and start
# the program, and the default character in the data folder.
EXPECTED_FILES = [
    "bin/quorvix-options",
    "share/quorvix-options/Msagent/chars/Pipwren.acs",
    "share/applications/%s.desktop" % APP_ID,
    "share/metainfo/%s.metainfo.xml" % APP_ID,
    "share/icons/hicolor/scalable/apps/quorvix-options.svg",
] + ["share/icons/hicolor/%dx%d/apps/quorvix-options.png" % (s, s) for s in ICON_SIZES]

# Developer tools are built alongside but never shipped.
TOOLS = ("acs-dump", "pipwren-gen", "quorvix-screenshots", "quorvix-render-icon", "quorvix-e2e-helper")

# Runtime packages the .deb must name besides what dpkg-shlibdeps finds.
REQUIRED_DEPENDS = ("libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6multimedia6",
                    "fonts-ipafont-gothic", "qt6-translations-l10n", "gstreamer1.0-plugins-base")


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, timeout=300, **kwargs)
    if result.returncode != 0:
        raise Failure("%s failed (%d):\n%s%s" % (" ".join(command), result.returncode,
                                                 result.stdout, result.stderr))
    return result.stdout


def install(build_dir, prefix):
    run(["cmake", "--install", build_dir, "--prefix", prefix])


def installed_files(prefix):
    found = []
    for folder, _, files in os.walk(prefix):
        for name in files:
            found.append(os.path.relpath(os.path.join(folder, name), prefix))
    return found


def check_layout(prefix, build_dir):
    files = installed_files(prefix)
    missing = [f for f in EXPECTED_FILES if f not in files]
    if missing:
        raise Failure("not installed: " + ", ".join(missing))
    # The sound module lies in the program's own folder under the library folder.
    if not any(re.fullmatch(r"lib(/[^/]+)?/quorvix-options/quorvix-sound\.so", f) for f in files):
        raise Failure("the sound module is not installed")
    # The Wine store's Windows program, when this build could make it.
    helper = os.path.join("lib", "quorvix-options", "quorvix-registry.exe")
    if os.path.exists(os.path.join(build_dir, helper)) and helper not in files:
        raise Failure("quorvix-registry.exe is not installed")
    shipped_tools = [f for f in files if os.path.basename(f) in TOOLS]
    if shipped_tools:
        raise Failure("developer tools installed: " + ", ".join(shipped_tools))
    if not os.access(os.path.join(prefix, "bin", "quorvix-options"), os.X_OK):
        raise Failure("the program is not executable")


def validate(root):
    """The desktop entry and the metainfo on their own, then the metainfo
    together with what it refers to in the installed tree under root/usr."""
    prefix = os.path.join(root, "usr")
    run(["desktop-file-validate", os.path.join(prefix, "share", "applications", APP_ID + ".desktop")])
    run(["appstreamcli", "validate", "--no-net",
         os.path.join(prefix, "share", "metainfo", APP_ID + ".metainfo.xml")])
    run(["appstreamcli", "validate-tree", "--no-net", root])


def run_to_window_and_back(program, key):
    """Starts the installed program on a bare X server, waits for the options
    window (with no missing-agent warning: the data folder was found), and
    ends it with key. Returns the store the run left behind."""
    server = xsession.XServer()
    try:
        with tempfile.TemporaryDirectory() as config_home:
            app = xsession.Program(server, program, config_home)
            try:
                window = app.wait_window("OPTION")
                if server.windows_named("QuorvixLAN"):
                    raise Failure("the installed program did not find its default character")
                server.key(window, key)
                code = app.wait_exit()
                if code != 0:
                    raise Failure("the program ended with code %d:\n%s" % (code, app.output()))
            finally:
                app.kill()
            store = os.path.join(config_home, "wispane.ini")
            if not os.path.exists(store):
                return ""
            with open(store, encoding="utf-8") as f:
                return f.read()
    finally:
        server.close()


def check_relocated(build_dir, workdir):
    first = os.path.join(workdir, "first")
    install(build_dir, first)
    moved = os.path.join(workdir, "moved-elsewhere")
    shutil.move(first, moved)
    store = run_to_window_and_back(os.path.join(moved, "bin", "quorvix-options"), "Return")
    # OK stores the default agent path, which is built from the data folder the
    # program found: it must be the moved one, not the build tree's.
    data_dir = os.path.join(moved, "share", "quorvix-options")
    if data_dir not in store:
        raise Failure("the saved agent path does not lie in the moved data folder %s:\n%s"
                      % (data_dir, store))


def check_deb(build_dir, workdir):
    # The package's own configuration, fed with files staged by the install
    # rules: plain `cpack` would first build every target of the tree
    # (its preinstall step), tests included, which is the build's job, not this test's.
    stage = os.path.join(workdir, "stage")
    install(build_dir, stage)
    config = os.path.join(workdir, "CPackConfig.cmake")
    with open(config, "w", encoding="utf-8") as f:
        f.write('include("%s")\n' % os.path.join(build_dir, "CPackConfig.cmake"))
        f.write('set(CPACK_INSTALL_CMAKE_PROJECTS "")\n')
        f.write('set(CPACK_INSTALLED_DIRECTORIES "%s;${CPACK_PACKAGING_INSTALL_PREFIX}")\n' % stage)
    out = os.path.join(workdir, "package")
    run(["cpack", "-G", "DEB", "--config", config, "-B", out])
    debs = [f for f in os.listdir(out) if f.endswith(".deb")]
    if len(debs) != 1:
        raise Failure("expected one .deb, found %r" % debs)
    deb = os.path.join(out, debs[0])
    depends = run(["dpkg-deb", "--field", deb, "Depends"])
    names = {d.strip().split()[0] for d in depends.replace("|", ",").split(",") if d.strip()}
    missing = [p for p in REQUIRED_DEPENDS if p not in names]
    if missing:
        raise Failure("Depends lacks %s: %s" % (", ".join(missing), depends))
    if run(["dpkg-deb", "--field", deb, "Section"]).strip() != "mail":
        raise Failure("unexpected section")
    root = os.path.join(workdir, "root")
    run(["dpkg-deb", "-x", deb, root])
    prefix = os.path.join(root, "usr")
    check_layout(prefix, build_dir)
    validate(root)
    run_to_window_and_back(os.path.join(prefix, "bin", "quorvix-options"), "Escape")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--check", required=True, choices=("layout", "relocated", "deb"))
    parser.add_argument("--build-dir", required=True)
    args = parser.parse_args()
    tools = {"layout": ("desktop-file-validate", "appstreamcli"),
             "relocated": ("Xvfb", "xdotool", "xdpyinfo"),
             "deb": ("cpack", "dpkg-deb", "dpkg-shlibdeps", "desktop-file-validate", "appstreamcli",
                     "Xvfb", "xdotool", "xdpyinfo")}[args.check]
    xsession.require_tools(*tools)
    try:
        with tempfile.TemporaryDirectory() as workdir:
            if args.check == "layout":
                root = os.path.join(workdir, "root")
                install(args.build_dir, os.path.join(root, "usr"))
                check_layout(os.path.join(root, "usr"), args.build_dir)
                validate(root)
            elif args.check == "relocated":
                check_relocated(args.build_dir, workdir)
            else:
                check_deb(args.build_dir, workdir)
    except Failure as failure:
        print("FAIL %s: %s" % (args.check, failure))
        return 1
    print("PASS %s" % args.check)
    return 0


if __name__ == "__main__":
    sys.exit(main())
