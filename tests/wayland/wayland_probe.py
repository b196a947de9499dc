#!/usr/bin/env python3
"""End-to-end cases of ondulite-wayland on Debian's sway, headless.

usage: wayland_probe.py --client PATH --render PATH --pointer PATH CASE

Each case starts a sway of its own (WLR_BACKENDS=headless, the pixman
renderer, no input devices) as the user nobody when run as root, with a
runtime folder of that user's own, and judges the client by what a user
sees: grim's screenshots of each output against ondulite-render's pictures,
byte for byte, exit statuses and the lines on stderr. Input comes from
wtype (keys) and `swaymsg seat - cursor move|press` (the pointer, once
ondulite-test-pointer has given the seat a pointer device). A case prints
"ok: ..." or "FAIL: ..." per check and "N passed, M failed" last, and exits
non-zero when a check failed. Time limits are generous, and only say that
nothing hung.
"""

import argparse
import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import checks  # noqa: E402 (tests/checks.py)
from checks import (WAIT, check, end_process, finish_checks, require_tools,  # noqa: E402
                    wait_until, work_folder)

SEED = 1796746887
# ONDULITE_PROBE_KEEP=1 keeps the case's folder, the last screenshot of each
# output and the logs, and names it at the end.
KEEP = bool(os.environ.get("ONDULITE_PROBE_KEEP"))
DEBUG_FPS = ["--fps"] if KEEP else []


def read_ppm(path):
    """(width, height, RGB bytes) of a binary PPM."""
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    assert fields[0] == b"P6" and fields[3] == b"255", path
    return int(fields[1]), int(fields[2]), data[at + 1:]


class Tools:
    def __init__(self, args, work):
        self.work = work
        # Copies that the unprivileged user can run whatever the checkout's
        # permissions.
        bin_dir = os.path.join(work, "bin")
        os.mkdir(bin_dir)
        self.client = shutil.copy(args.client, bin_dir)
        self.pointer = shutil.copy(args.pointer, bin_dir)
        os.chmod(bin_dir, 0o755)
        self.render_path = args.render
        self.pictures = {}

    def picture(self, number, width, height):
        """RGB bytes of picture `number` of SEED at width x height."""
        key = (number, width, height)
        if key not in self.pictures:
            # A run of them at once: identifying a screenshot looks at many.
            first = max(1, number)
            out = os.path.join(self.work, "render-%dx%d.ppm" % (width, height))
            subprocess.run([self.render_path, "--seed", str(SEED), "--picture", str(first), "--count", "8",
                            "--size", "%dx%d" % (width, height), "-o", out], check=True,
                           stdout=subprocess.DEVNULL)
            for k in range(first, first + 8):
                path = os.path.join(self.work, "render-%dx%d-%d.ppm" % (width, height, k))
                self.pictures[(k, width, height)] = read_ppm(path)[2]
                os.unlink(path)
        return self.pictures[key]


class Sway:
    """A headless sway of its own, as an unprivileged user; or, with a
    parent, a sway nested in the parent's as windows, whose outputs come
    and go with them."""

    def __init__(self, tools, config, name="sway", parent=None):
        self.tools = tools
        self.dir = os.path.join(tools.work, name)
        os.mkdir(self.dir)
        self.runtime = os.path.join(self.dir, "runtime")
        os.mkdir(self.runtime, 0o700)
        self.user = None
        if os.getuid() == 0:
            self.user = pwd.getpwnam("nobody")
            for path in (self.dir, self.runtime):
                os.chown(path, self.user.pw_uid, self.user.pw_gid)
        os.chmod(self.dir, 0o755)
        self.config = os.path.join(self.dir, "config")
        with open(self.config, "w") as f:
            f.write(config)
        os.chmod(self.config, 0o644)
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.dir, "XDG_RUNTIME_DIR": self.runtime,
                    "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"}
        if parent:
            self.env.update({"WLR_BACKENDS": "wayland", "WLR_WL_OUTPUTS": "1",
                             "WAYLAND_DISPLAY": os.path.join(parent.runtime, parent.env["WAYLAND_DISPLAY"])})
        self.log = open(os.path.join(self.dir, "sway.log"), "w")
        self.process = self.popen(["sway", "-c", self.config], stdout=self.log, stderr=subprocess.STDOUT)
        found = wait_until(self.sockets)
        if not found:
            raise RuntimeError("sway did not start: " + open(self.log.name).read()[-2000:])
        self.env["WAYLAND_DISPLAY"], self.env["SWAYSOCK"] = found

    def sockets(self):
        if self.process.poll() is not None:
            raise RuntimeError("sway ended: " + open(self.log.name).read()[-2000:])
        names = os.listdir(self.runtime)
        displays = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
        ipc = [n for n in names if n.startswith("sway-ipc.")]
        if displays and ipc:
            return displays[0], os.path.join(self.runtime, ipc[0])
        return None

    def command(self, argv):
        if self.user:
            return ["setpriv", "--reuid=%d" % self.user.pw_uid, "--regid=%d" % self.user.pw_gid,
                    "--clear-groups"] + argv
        return argv

    def popen(self, argv, **kw):
        return subprocess.Popen(self.command(argv), env=getattr(self, "env", None), **kw)

    def run(self, argv, **kw):
        return subprocess.run(self.command(argv), env=self.env, **kw)

    def msg(self, *words):
        # "--" keeps a command's negative numbers from swaymsg's options.
        flags = ["--"] if words[0] != "-t" else []
        result = self.run(["swaymsg"] + flags + list(words), capture_output=True, text=True)
        if result.returncode != 0:
            raise RuntimeError("swaymsg %s: %s" % (" ".join(words), result.stdout + result.stderr))
        return result.stdout

    def outputs(self):
        return {o["name"]: o for o in json.loads(self.msg("-t", "get_outputs", "-r")) if o.get("active", True)}

    def shot(self, output):
        """(width, height, RGB bytes) of the output as grim sees it, or None."""
        path = os.path.join(self.dir, "shot-%s.ppm" % output)
        result = self.run(["grim", "-t", "ppm", "-o", output, path], capture_output=True)
        if result.returncode != 0:
            return None
        shot = read_ppm(path)
        if not KEEP:
            os.unlink(path)
        return shot

    def close(self):
        end_process(self.process)
        self.log.close()


class Client:
    """ondulite-wayland on a sway, its stderr kept."""

    def __init__(self, sway, *args):
        self.stderr_path = os.path.join(sway.dir, "client-%d.log" % time.monotonic_ns())
        self.stderr = open(self.stderr_path, "w")
        self.started = time.monotonic()
        self.process = sway.popen([sway.tools.client] + list(args), stdout=subprocess.DEVNULL, stderr=self.stderr)

    def running(self):
        return self.process.poll() is None

    def wait(self, seconds=WAIT):
        """The exit status, or None when it is still running after `seconds`."""
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def lines(self):
        self.stderr.flush()
        with open(self.stderr_path) as f:
            return f.read().splitlines()

    def stop(self):
        if self.running():
            self.process.kill()
            self.process.wait()
        self.stderr.close()


def identify(tools, shot, limit=200):
    """The number of the seed's picture that a screenshot shows, or 0."""
    if not shot:
        return 0
    width, height, pixels = shot
    for number in range(1, limit + 1):
        if tools.picture(number, width, height) == pixels:
            return number
    return 0


def shows(sway, tools, output, number):
    shot = sway.shot(output)
    return bool(shot) and tools.picture(number, shot[0], shot[1]) == shot[2]


def shown_numbers(sway, tools, outputs, limit=200):
    """The picture numbers on `outputs`, from screenshots taken together."""
    return [identify(tools, sway.shot(name), limit) for name in outputs]


SWAY_BASE = "default_border none\ndefault_floating_border none\nfocus_follows_mouse no\nmouse_warping none\n"


def case_pictures(tools):
    # Three outputs of three sizes and scales, listed in an order that is
    # not their picture order: HEADLESS-2 (scale 2) at the top left,
    # HEADLESS-1 (odd size) to its right, HEADLESS-3 (scale 1.5) below.
    sway = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 801x601 position 320 0\n")
    try:
        sway.msg("create_output")
        sway.msg("create_output")
        sway.msg("output", "HEADLESS-2", "mode", "640x480", "scale", "2", "position", "0", "0")
        sway.msg("output", "HEADLESS-3", "mode", "480x360", "scale", "1.5", "position", "0", "240")
        outputs = sway.outputs()
        check("sway lays out three outputs", sorted(outputs) == ["HEADLESS-1", "HEADLESS-2", "HEADLESS-3"],
              str(sorted(outputs)))
        order = ["HEADLESS-2", "HEADLESS-1", "HEADLESS-3"]
        sizes = {"HEADLESS-1": (801, 601), "HEADLESS-2": (640, 480), "HEADLESS-3": (480, 360)}

        client = Client(sway, "--seed", str(SEED), "--delay", "1.5")
        def cycle_shown(cycle):
            return all(shows(sway, tools, name, (cycle - 1) * 3 + m + 1) for m, name in enumerate(order))
        check("cycle 1: every output shows its own picture at its device pixels, in the monitor order "
              "(pictures 1, 2, 3 at 640x480, 801x601 and 480x360)", wait_until(lambda: cycle_shown(1)),
              "shown: %s" % shown_numbers(sway, tools, order))
        check("cycle 2 follows the pause: pictures 4, 5, 6", wait_until(lambda: cycle_shown(2)),
              "shown: %s" % shown_numbers(sway, tools, order))
        for name in order:
            width, height = sizes[name]
            shot = sway.shot(name)
            check("%s's screenshot is %dx%d" % (name, width, height), shot and shot[:2] == (width, height),
                  str(shot[:2] if shot else None))
        client.process.send_signal(signal.SIGTERM)
        check("SIGTERM ends it with 0", client.wait() == 0)
        check("nothing on stderr without --fps", client.lines() == [], str(client.lines()))
        client.stop()

        # One output only: it alone takes pictures, so it shows 1, 2, 3 ...
        client = Client(sway, "--seed", str(SEED), "--output", "HEADLESS-3", "--delay", "0.5", "--fps")
        check("--output HEADLESS-3 shows the single-monitor sequence there",
              wait_until(lambda: shows(sway, tools, "HEADLESS-3", 1)) and
              wait_until(lambda: shows(sway, tools, "HEADLESS-3", 2)))
        check("... and covers no other output", identify(tools, sway.shot("HEADLESS-1")) == 0)
        client.process.send_signal(signal.SIGINT)
        check("SIGINT ends it with 0", client.wait() == 0)
        lines = client.lines()
        check("--fps prints each picture with its output and size",
              len(lines) >= 2 and lines[0].startswith("ondulite-wayland: picture 1 on HEADLESS-3 480x360,") and
              lines[1].startswith("ondulite-wayland: picture 2 on HEADLESS-3 480x360,"), str(lines[:2]))
        client.stop()

        client = Client(sway, "--output", "DP-9")
        status = client.wait()
        lines = client.lines()
        check("--output naming no output: status 1 and one line naming the outputs",
              status == 1 and len(lines) == 1 and "DP-9" in lines[0] and "HEADLESS-2" in lines[0],
              "%s %s" % (status, lines))
        client.stop()
        client = Client(sway, "--delay", "soon")
        status = client.wait()
        check("a bad option: status 1 and one line", status == 1 and len(client.lines()) == 1,
              "%s %s" % (status, client.lines()))
        client.stop()
    finally:
        sway.close()


def start_pointer(sway):
    pointer = sway.popen([sway.tools.pointer], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    ready = pointer.stdout.readline().strip() == "ready"
    if not ready:
        raise RuntimeError("ondulite-test-pointer did not start")
    return pointer


def stop_pointer(pointer):
    pointer.stdin.close()  # its end, as it waits for its input to close
    end_process(pointer, 5)


def case_dismissal(tools):
    sway = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 640x480 position 0 0\n")
    pointer = start_pointer(sway)
    window = None
    try:
        sway.msg("create_output")
        sway.msg("output", "HEADLESS-2", "mode", "320x240", "scale", "2", "position", "640", "0")
        # The pointer on the first output, away from its edges.
        sway.msg("seat", "-", "cursor", "set", "300", "200")

        def saver(what):
            client = Client(sway, "--seed", str(SEED), "--delay", "0.3")
            up = wait_until(lambda: shows(sway, tools, "HEADLESS-1", 1) or shows(sway, tools, "HEADLESS-1", 3))
            if not check("the saver covers the outputs before " + what, up):
                client.stop()
                return None
            return client

        # A normal window has the focus; the saver takes the keyboard all the same.
        window = sway.popen(["weston-eventdemo"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: window_rect(sway, "org.freedesktop.weston.eventdemo"))
        client = saver("a key")
        if client:
            # The pointer is over the saver, and hidden: the screenshot is the
            # bare picture (checked above), cursor and all.
            sway.run(["wtype", "-s", "300", "x"])
            check("a key ends it with 0, though a window had the focus", client.wait() == 0)
            client.stop()

        client = saver("a button")
        if client:
            sway.msg("seat", "-", "cursor", "press", "button1")
            check("a button ends it with 0", client.wait() == 0)
            sway.msg("seat", "-", "cursor", "release", "button1")
            client.stop()

        client = saver("a 5-pixel move")
        if client:
            sway.msg("seat", "-", "cursor", "move", "2", "-3")
            check("a move of 2 + 3 = 5 pixels ends it with 0", client.wait() == 0)
            client.stop()

        client = saver("4-pixel moves")
        if client:
            sway.msg("seat", "-", "cursor", "move", "4", "0")
            sway.msg("seat", "-", "cursor", "move", "-4", "0")
            sway.msg("seat", "-", "cursor", "move", "0", "-4")
            sway.msg("seat", "-", "cursor", "move", "0", "4")
            time.sleep(1.0)
            check("moves of 4 pixels from where it began end nothing", client.running())
            sway.msg("seat", "-", "cursor", "move", "4", "0")
            sway.msg("seat", "-", "cursor", "move", "1", "0")
            check("the fifth pixel from there ends it with 0", client.wait() == 0)
            client.stop()
    finally:
        if window:
            window.kill()
            window.wait()
        stop_pointer(pointer)
        sway.close()


def window_rect(sway, app_id):
    """The layout rectangle of the window of `app_id`, or None."""
    def find(node):
        if node.get("app_id") == app_id:
            return node["rect"]
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            found = find(child)
            if found:
                return found
        return None
    return find(json.loads(sway.msg("-t", "get_tree")))


def case_idle_daemon(tools):
    # The README's line for sway, with a timeout of 2 seconds: swayidle
    # starts the saver once the seat has been idle, and a key ends it.
    sway = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 480x320 position 0 0\n")
    idle = None
    try:
        idle = sway.popen(["swayidle", "-w", "timeout", "2", "%s --seed %d &" % (sway.tools.client, SEED)],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        check("swayidle starts it after the timeout: picture 1 covers the output",
              wait_until(lambda: shows(sway, tools, "HEADLESS-1", 1)))
        sway.run(["wtype", "-s", "300", "q"])
        check("a key ends it: the desktop shows again",
              wait_until(lambda: identify(tools, sway.shot("HEADLESS-1"), 10) == 0, 1.5))
    finally:
        if idle:
            end_process(idle, 5)
        # A saver it started meanwhile ends with the compositor.
        sway.close()


def case_background(tools):
    sway = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 640x480 position 0 0\n"
                "for_window [app_id=\"org.freedesktop.weston.eventdemo\"] floating enable, move position 40 40\n")
    pointer = start_pointer(sway)
    windows = []
    try:
        sway.msg("create_output")
        sway.msg("output", "HEADLESS-2", "mode", "400x300", "position", "640", "0")
        sway.msg("focus", "output", "HEADLESS-1")
        windows.append(sway.popen(["weston-eventdemo"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        rect = wait_until(lambda: window_rect(sway, "org.freedesktop.weston.eventdemo"))
        top, bottom = rect["y"], rect["y"] + rect["height"]
        inside = (rect["x"] + rect["width"] // 2, (top + bottom) // 2)
        # The cursor in the window, which shows it, away from the background.
        sway.msg("seat", "-", "cursor", "set", str(inside[0]), str(inside[1]))
        client = Client(sway, "--background", "--seed", str(SEED), "--delay", "0.5", *DEBUG_FPS)

        def under_window():
            """The picture number around the window on HEADLESS-1, 0 when none."""
            shot = sway.shot("HEADLESS-1")
            if not shot:
                return 0
            width, height, pixels = shot
            line = width * 3
            # Above and below the window's rows (with room for its shadow)
            # the picture; in the window, the window.
            outside = [y for y in range(height) if y < top - 32 or y >= bottom + 32]
            middle = (inside[1] * width + inside[0] - 20) * 3
            for number in range(1, 201):
                picture = tools.picture(number, width, height)
                if all(picture[y * line:(y + 1) * line] == pixels[y * line:(y + 1) * line] for y in outside):
                    return number if picture[middle:middle + 3 * 40] != pixels[middle:middle + 3 * 40] else -number
            return 0
        first = wait_until(under_window)
        check("the background shows its picture around a normal window, which stays on top", first > 0,
              "found %d" % first)
        # Input goes to the window and the desktop, not to it.
        sway.msg("seat", "-", "cursor", "move", "300", "200")
        sway.msg("seat", "-", "cursor", "press", "button1")
        sway.msg("seat", "-", "cursor", "release", "button1")
        sway.run(["wtype", "-s", "200", "abc"])
        sway.msg("seat", "-", "cursor", "set", str(inside[0]), str(inside[1]))
        time.sleep(0.5)
        check("keys, a button and pointer travel leave it running", client.running())
        later = wait_until(lambda: under_window() > abs(first) + 2)
        check("... and its pictures go on", later, "first %d" % first)

        # An output whose surface gets no frame callbacks takes no picture and
        # no draw: a fullscreen window on HEADLESS-2 hides its background.
        def parity_seen(wanted):
            number = under_window()
            return number > 0 and number % 2 == wanted
        seen = [under_window() for _ in range(4)]
        check("both outputs visible: HEADLESS-1 comes first in every cycle, so its numbers are odd",
              all(number > 0 and number % 2 == 1 for number in seen), str(seen))
        sway.msg("focus", "output", "HEADLESS-2")
        windows.append(sway.popen(["weston-flower"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_until(lambda: window_rect(sway, "org.freedesktop.weston.flower"))
        sway.msg("[app_id=\"org.freedesktop.weston.flower\"]", "fullscreen", "enable")
        check("with HEADLESS-2 hidden, HEADLESS-1 takes every picture: even numbers too",
              wait_until(lambda: parity_seen(0)))
        sway.msg("[app_id=\"org.freedesktop.weston.flower\"]", "fullscreen", "disable")
        sway.msg("[app_id=\"org.freedesktop.weston.flower\"]", "move", "scratchpad")

        def together():
            a = under_window()
            return a > 0 and identify(tools, sway.shot("HEADLESS-2")) == a + 1
        check("shown again, HEADLESS-2 takes its place: the numbering goes on where it stopped",
              wait_until(together))
        client.process.send_signal(signal.SIGHUP)
        check("SIGHUP ends it with 0", client.wait() == 0)
        check("nothing on stderr", client.lines() == [], str(client.lines()))
        client.stop()
    finally:
        for window in windows:
            window.kill()
            window.wait()
        stop_pointer(pointer)
        sway.close()


def case_hotplug(tools):
    # Outputs that really come and go: those of a sway nested in the
    # headless one, each a window there (a headless sway of this release
    # cannot take an output away).
    outer = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 1200x800\n"
                 "for_window [app_id=\"wlroots\"] floating enable, resize set 480 320\n"
                 "for_window [title=\"WL-1\"] move position 0 0\n"
                 "for_window [title=\"WL-2\"] move position 600 0\n"
                 "for_window [title=\"WL-3\"] move position 600 400\n")
    sway = None
    try:
        sway = Sway(tools, SWAY_BASE, name="nested", parent=outer)
        # Its output takes the window's size once the outer sway has set it.
        wait_until(lambda: sway.outputs().get("WL-1", {}).get("rect", {}).get("width") == 480)
        client = Client(sway, "--seed", str(SEED), "--delay", "0.5", *DEBUG_FPS)
        first = wait_until(lambda: identify(tools, sway.shot("WL-1")))
        check("one output: the seed's pictures one after the other",
              first > 0 and wait_until(lambda: identify(tools, sway.shot("WL-1")) == first + 1),
              "first %d" % first)
        sway.msg("create_output")

        def pair():
            a, b = shown_numbers(sway, tools, ["WL-1", "WL-2"])
            return a > 0 and b == a + 1
        check("an output added while it runs gets its picture, after WL-1 in the order", wait_until(pair),
              str(shown_numbers(sway, tools, ["WL-1", "WL-2"])))
        last_pair = identify(tools, sway.shot("WL-2"))
        outer.msg("[title=\"wlroots - WL-2\"]", "kill")
        wait_until(lambda: "WL-2" not in sway.outputs())
        time.sleep(0.3)
        check("an output taken away is let go without a fault", client.running() and client.lines() == [],
              str(client.lines()))
        # WL-1's first picture of its own after the last pair, then the next.
        first = wait_until(lambda: identify(tools, sway.shot("WL-1")) > last_pair and
                           identify(tools, sway.shot("WL-1")))
        check("the other goes on alone, with every picture",
              first and wait_until(lambda: identify(tools, sway.shot("WL-1")) == first + 1),
              "after %d: %s" % (last_pair, first))
        sway.msg("create_output")
        check("another one added gets pictures again", wait_until(lambda: identify(tools, sway.shot("WL-3")) > 0))
        client.process.send_signal(signal.SIGTERM)
        check("it ends with 0", client.wait() == 0)
        check("nothing on stderr", client.lines() == [], str(client.lines()))
        client.stop()
    finally:
        if sway:
            sway.close()
        outer.close()


def case_signals(tools):
    # A large output and no pause: the client is nearly always making a
    # picture when the signal comes.
    sway = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 3840x2160 position 0 0\n")
    try:
        for number, (name, which) in enumerate((("SIGTERM", signal.SIGTERM), ("SIGINT", signal.SIGINT),
                                                  ("SIGHUP", signal.SIGHUP), ("SIGTERM", signal.SIGTERM))):
            client = Client(sway, "--delay", "0", "--fps")
            wait_until(lambda: len(client.lines()) >= 2)
            time.sleep(0.037 * number)
            pictures = len(client.lines())
            sent = time.monotonic()
            client.process.send_signal(which)
            status = client.wait(10)
            took = time.monotonic() - sent
            check("%s while picture %d is being made ends it with 0 (in %.0f ms)" % (name, pictures + 1, took * 1000),
                  status == 0, "status %s" % status)
            client.stop()
    finally:
        sway.close()


def case_compositor_lost(tools):
    sway = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 640x480 position 0 0\n")
    try:
        client = Client(sway, "--seed", str(SEED))
        check("the saver runs", wait_until(lambda: shows(sway, tools, "HEADLESS-1", 1)))
        sway.process.kill()
        sway.process.wait()
        status = client.wait(10)
        lines = client.lines()
        check("the compositor killed under it: status 1, no hang", status == 1, "status %s" % status)
        check("... and one line saying so", len(lines) == 1 and "lost the connection" in lines[0], str(lines))
        client.stop()
    finally:
        sway.close()


def case_no_layer_shell(tools):
    # Debian's weston, headless: a compositor without the layer shell.
    sway = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 320x240\n")
    weston_dir = os.path.join(sway.dir, "weston")
    os.mkdir(weston_dir, 0o700)
    if sway.user:
        os.chown(weston_dir, sway.user.pw_uid, sway.user.pw_gid)
    env = dict(sway.env, XDG_RUNTIME_DIR=weston_dir, WAYLAND_DISPLAY="wayland-weston")
    env.pop("SWAYSOCK")
    weston = subprocess.Popen(sway.command(["weston", "--backend=headless-backend.so", "--use-pixman",
                                            "--no-config", "--socket=wayland-weston"]),
                              env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        up = wait_until(lambda: os.path.exists(os.path.join(weston_dir, "wayland-weston")))
        if check("weston runs headless", up):
            result = subprocess.run(sway.command([tools.client]), env=env, capture_output=True, text=True,
                                    timeout=WAIT)
            lines = result.stderr.splitlines()
            check("a compositor without the layer shell: status 1", result.returncode == 1,
                  str(result.returncode))
            check("... and one clear line", len(lines) == 1 and "no layer shell" in lines[0], str(lines))
        result = subprocess.run(sway.command([tools.client]), env=dict(env, WAYLAND_DISPLAY="wayland-none"),
                                capture_output=True, text=True, timeout=WAIT)
        check("no compositor at all: status 1 and one line",
              result.returncode == 1 and len(result.stderr.splitlines()) == 1, result.stderr)
    finally:
        end_process(weston)
        sway.close()


def process_times(pid):
    """(processor seconds, resident KiB, peak resident KiB) of a process."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    cpu = (int(fields[11]) + int(fields[12])) / ticks
    status = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, value = line.partition(":")
            status[key] = value.strip()
    return cpu, int(status["VmRSS"].split()[0]), int(status["VmHWM"].split()[0])


def measure(tools):
    """Not a test: the figures of docs/performance.md, printed. The time to
    the first picture, the processor time per picture and the memory at
    1920x1080, on a headless sway."""
    sway = Sway(tools, SWAY_BASE + "output HEADLESS-1 mode 1920x1080 position 0 0\n")
    try:
        firsts = []
        for _ in range(5):
            client = Client(sway, "--seed", str(SEED), "--fps")
            wait_until(lambda: client.lines(), step=0.001)
            firsts.append(time.monotonic() - client.started)
            client.stop()
        print("first picture shown after the start: %s ms" % ", ".join("%.0f" % (t * 1000) for t in firsts))
        client = Client(sway, "--seed", str(SEED), "--delay", "0", "--fps")
        wait_until(lambda: len(client.lines()) >= 5)
        cpu0, _, _ = process_times(client.process.pid)
        n0 = len(client.lines())
        time.sleep(10)
        cpu1, rss, peak = process_times(client.process.pid)
        n1 = len(client.lines())
        print("pictures with no pause: %d in 10 s, %.1f ms of processor time each (all threads)" %
              (n1 - n0, (cpu1 - cpu0) * 1000 / (n1 - n0)))
        print("memory with no pause: %d KiB resident, %d KiB at most" % (rss, peak))
        client.stop()
        client = Client(sway, "--seed", str(SEED))
        time.sleep(5)
        cpu, rss, peak = process_times(client.process.pid)
        print("with the 1 s pause, after 5 s: %.2f s of processor time, %d KiB resident, %d KiB at most" %
              (cpu, rss, peak))
        client.stop()
    finally:
        sway.close()


CASES = {
    "pictures": case_pictures,
    "dismissal": case_dismissal,
    "idle-daemon": case_idle_daemon,
    "background": case_background,
    "hotplug": case_hotplug,
    "signals": case_signals,
    "compositor-lost": case_compositor_lost,
    "no-layer-shell": case_no_layer_shell,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--client", required=True)
    parser.add_argument("--render", required=True)
    parser.add_argument("--pointer", required=True)
    parser.add_argument("case", choices=sorted(CASES) + ["measure"])
    args = parser.parse_args()
    require_tools(("sway", "swaymsg", "swayidle", "grim", "wtype", "weston"), "tests/wayland/run-wayland-tests.sh")
    work = work_folder("ondulite-wayland-")
    try:
        if args.case == "measure":
            measure(Tools(args, work))
            return
        if checks.failed == 0:
            CASES[args.case](Tools(args, work))
    except Exception as error:  # a broken step is a failed case, said in one line
        check("the case ran to its end", False, "%s: %s" % (type(error).__name__, error))
    finally:
        if KEEP:
            print("kept " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    sys.exit(finish_checks())


if __name__ == "__main__":
    main()
