#!/usr/bin/env python3
"""End-to-end cases of ondulite-x11 under Xvfb.

usage: x11_probe.py --hack PATH --render PATH --window PATH [--installed] CASE

Each case starts the Xvfb servers it needs (-displayfd, so on free
displays) and judges the hack by what a user sees: screenshots of its
window against ondulite-render's pictures, exit statuses and the lines on
stderr. With --installed the hack and the render tool are the Debian
packages' (tests/packages/), and the XScreenSaver case checks their files
where they are instead of installing its own. A case prints "ok: ..." or
"FAIL: ..." per check and "N passed, M failed" last, and exits non-zero
when a check failed (77, which CTest counts as skipped, when it cannot run
here). Time limits are generous, and only say that nothing hung.
"""

import argparse
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

SKIPPED = 77


class Skipped(Exception):
    """The case cannot run here; the reason is its message."""


def say(text):
    print("  " + text, flush=True)


class Run:
    """What a case starts, ended when the case ends."""

    def __init__(self, args, work):
        self.args = args
        self.work = work
        self.processes = []
        self.strays = []  # processes that others started for the case (a daemon's hacks)
        self.pictures = set()

    def start(self, argv, env=None, **kw):
        process = subprocess.Popen(argv, env=env, **kw)
        self.processes.append(process)
        return process

    def close(self):
        for pid in self.strays:
            if not gone(pid):
                os.kill(pid, signal.SIGKILL)
        for process in reversed(self.processes):
            end_process(process)

    def path(self, name):
        return os.path.join(self.work, name)

    def xvfb(self, *options):
        """A new Xvfb with `options`; its display name. -noreset: a server
        that resets when its last client goes refuses the next one for a
        moment, and the cases start and end clients one after another."""
        read_end, write_end = os.pipe()
        server = self.start(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-noreset"] + list(options),
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb %s did not start" % " ".join(options))
        display = Display(self, ":" + number, server)
        return display

    def reference(self, seed, size, number):
        """ondulite-render's picture `number` of `seed` at `size`, as a PNG."""
        path = self.path("ref-%d-%s-%d.png" % (seed, size, number))
        if path not in self.pictures:
            subprocess.run([self.args.render, "--seed", str(seed), "--size", size, "--picture", str(number),
                            "-o", path], check=True, stdout=subprocess.DEVNULL)
            self.pictures.add(path)
        return path


class Display:
    def __init__(self, run, name, server):
        self.run = run
        self.name = name
        self.server = server
        self.env = dict(os.environ, DISPLAY=name)

    def window(self, size, argb=False):
        """A test window of `size` (WxH); (process, id)."""
        argv = [self.run.args.window] + (["--argb"] if argb else []) + [size]
        process = self.run.start(argv, env=self.env, stdout=subprocess.PIPE, text=True)
        window_id = process.stdout.readline().strip()
        if not window_id:
            raise RuntimeError("the test window did not open")
        return process, window_id

    def hack(self, *args, env=None):
        return Hack(self.run, dict(self.env, **(env or {})), list(args))

    def shot(self, window, name):
        path = self.run.path(name)
        result = subprocess.run(["import", "-window", window, path], env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        return path if result.returncode == 0 else None

    def shows(self, window, seed, size, number, fuzz=None, quiet=False):
        """Whether `window` shows picture `number` of `seed` at `size`: at
        least 99.99% of the pixels equal (or no further apart than `fuzz`)."""
        shot = self.shot(window, "shot-%s-%s.png" % (self.name[1:], size))
        if not shot:
            return False
        width, height = (int(side) for side in size.split("x"))
        reference = self.run.reference(seed, size, number)
        argv = ["compare", "-metric", "AE"] + (["-fuzz", fuzz] if fuzz else []) + [shot, reference, "null:"]
        differ = subprocess.run(argv, capture_output=True, text=True).stderr.strip()
        try:
            same = float(differ) <= width * height / 10000
        except ValueError:
            same = False
        if not same and not quiet:
            say("%s of %d pixels differ from picture %d of seed %d" % (differ, width * height, number, seed))
        return same

    def comes_to_show(self, window, seed, size, number):
        """shows(), tried again for a while: what is shown follows the --fps line."""
        return wait_until(lambda: self.shows(window, seed, size, number, quiet=True)) or \
            self.shows(window, seed, size, number)

    def xdotool(self, *words):
        return subprocess.run(["xdotool"] + list(words), env=self.env, capture_output=True, text=True)


class Hack:
    """ondulite-x11 with its stderr kept."""

    def __init__(self, run, env, args):
        self.log = run.path("hack-%d.log" % time.monotonic_ns())
        with open(self.log, "w") as stderr:
            self.process = run.start([run.args.hack] + args, env=env, stdout=subprocess.DEVNULL, stderr=stderr)

    def lines(self):
        with open(self.log) as f:
            return f.read().splitlines()

    def picture_line(self, number, size):
        """The --fps line of picture `number` at `size`, or None."""
        for line in self.lines():
            if line.startswith("ondulite-x11: picture %d %s," % (number, size)):
                return line
        return None

    def wait_picture(self, number, size, seconds=WAIT):
        return wait_until(lambda: self.picture_line(number, size), seconds)

    def ends(self, seconds=WAIT):
        """The exit status, or None when it still runs after `seconds`."""
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def signal_ends(self, which=signal.SIGTERM):
        """Signals it; the exit status, with the time it took said."""
        sent = time.monotonic()
        self.process.send_signal(which)
        status = self.ends()
        say("%s to exit: %.0f ms, status %s" % (which.name, (time.monotonic() - sent) * 1000, status))
        return status

    def show_log(self):
        for line in self.lines()[-20:]:
            say(line)


def case_window(run):
    display = run.xvfb("-screen", "0", "640x480x24")
    window, window_id = display.window("401x301")
    hack = display.hack("--window-id", window_id, "--seed", "7", "--delay", "1.5", "--fps")
    if not check("--window-id %s shows a picture" % window_id, hack.wait_picture(1, "401x301")):
        hack.show_log()
        return
    check("it is picture 1 of the seed, clipped to the odd size", display.shows(window_id, 7, "401x301", 1))
    check("MIT-SHM is used where the server offers it", "MIT-SHM" in hack.picture_line(1, "401x301"))
    second = hack.wait_picture(2, "401x301")
    if check("picture 2 follows", second):
        # The hack's own measure of the time from one picture to the next:
        # at most 1/1.5 pictures a second, however slow the machine.
        rate = second.split(" pictures/s")[0].rsplit(" ", 1)[-1]
        check("... after the delay of 1.5 s (%s pictures/s)" % rate, float(rate) <= 0.67)
        check("the window then shows picture 2", display.comes_to_show(window_id, 7, "401x301", 2))
    display.xdotool("windowsize", window_id, "320", "240")
    resized = wait_until(lambda: next((line for line in hack.lines() if " 320x240," in line), None))
    if check("a resized window gets a picture at its new size 320x240", resized):
        number = int(resized.split()[2])
        check("... picture %d of the sequence" % number, display.shows(window_id, 7, "320x240", number))
    end_process(window)
    check("the hack ends with status 0 when its window is destroyed", hack.ends() == 0)


def case_plain(run):
    display = run.xvfb("-screen", "0", "320x240x24", "-extension", "MIT-SHM")
    window, window_id = display.window("256x192")
    decimal = str(int(window_id, 16))
    # DISPLAY names no server: the option alone must find this one.
    hack = display.hack("--display", display.name, "--window-id", decimal, "--seed", "2026", "--delay", "5", "--fps",
                        env={"DISPLAY": ":4093"})
    if check("the decimal window id %s gets a picture" % decimal, hack.wait_picture(1, "256x192")):
        check("XPutImage serves when the server has no MIT-SHM", "XPutImage" in hack.picture_line(1, "256x192"))
        check("it shows picture 1 of the seed", display.shows(window_id, 2026, "256x192", 1))
    else:
        hack.show_log()


def case_depth16(run):
    display = run.xvfb("-screen", "0", "320x240x16")
    window, window_id = display.window("201x151")
    hack = display.hack("--window-id", window_id, "--seed", "9", "--delay", "5", "--fps")
    if check("a 16-bit TrueColor window gets a picture", hack.wait_picture(1, "201x151")):
        # 5-6-5 bits per channel are within 3% of the 8-bit colours.
        check("it shows picture 1 of the seed in its colours", display.shows(window_id, 9, "201x151", 1, fuzz="3%"))
    else:
        hack.show_log()


def case_argb(run):
    display = run.xvfb("-screen", "0", "640x480x24")
    window, window_id = display.window("201x151", argb=True)
    hack = display.hack("--window-id", window_id, "--seed", "13", "--delay", "5", "--fps")
    if not check("an ARGB window gets a picture", hack.wait_picture(1, "201x151")):
        hack.show_log()
        return
    check("it shows picture 1 of the seed", display.shows(window_id, 13, "201x151", 1))
    alphas = []
    for x, y in ((0, 0), (100, 75), (200, 150)):
        value = subprocess.run([run.args.window, "--pixel", window_id, str(x), str(y)], env=display.env,
                               capture_output=True, text=True).stdout.strip()
        alphas.append(value[2:4])
    check("its pixels are opaque: alpha ff (read: %s)" % " ".join(alphas), alphas == ["ff"] * 3)


def case_closed_descriptors(run):
    display = run.xvfb("-screen", "0", "640x480x24")
    window, window_id = display.window("160x120")
    # Started with descriptors 0, 1 and 2 closed.
    hack = run.start([run.args.hack, "--window-id", window_id, "--seed", "1", "--fps", "--delay", "0.5"],
                     env=display.env, preexec_fn=lambda: [os.close(fd) for fd in (0, 1, 2)])
    check("started with the standard descriptors closed, it draws picture 1 of the seed",
          wait_until(lambda: display.shows(window_id, 1, "160x120", 1, quiet=True)))
    descriptors = [os.readlink("/proc/%d/fd/%d" % (hack.pid, fd)) if os.path.exists("/proc/%d/fd/%d" % (hack.pid, fd))
                   else "closed" for fd in (0, 1, 2)]
    check("descriptors 0 to 2 are /dev/null, not the X connection (they are: %s)" % " ".join(descriptors),
          descriptors == ["/dev/null"] * 3)
    time.sleep(1.2)  # pictures 2 and 3 with their --fps lines
    hack.send_signal(signal.SIGTERM)
    try:
        status = hack.wait(WAIT)
    except subprocess.TimeoutExpired:
        status = None
    check("after some pictures SIGTERM ends it with status 0", status == 0, "status %s" % status)


def case_root(run):
    display = run.xvfb("-screen", "0", "640x480x24")
    hack = display.hack("--root", "--seed", "11", "--delay", "5", "--fps")
    if not check("--root draws a picture on the root window", hack.wait_picture(1, "640x480")):
        hack.show_log()
        return
    check("it is picture 1 of the seed", display.shows("root", 11, "640x480", 1))
    check("SIGTERM between pictures ends it with status 0", hack.signal_ends() == 0)


def case_signal_in_picture(run):
    display = run.xvfb("-screen", "0", "640x480x24")
    window, window_id = display.window("2400x1800")
    hack = display.hack("--window-id", window_id, "--seed", "5", "--delay", "0", "--fps")
    line = hack.wait_picture(1, "2400x1800", 60)
    if not check("a 2400x1800 window gets a picture", line):
        hack.show_log()
        return
    # With no delay the next picture starts as this one is shown: signal it
    # a third of a generation time later.
    ms = float(line.split("generated in ")[1].split()[0])
    time.sleep(ms / 3000)
    say("a picture takes %.0f ms; signalled %.0f ms into the next" % (ms, ms / 3))
    check("SIGTERM in the middle of a picture ends it with status 0", hack.signal_ends() == 0)


def case_stalled_server(run):
    # A server that reads a picture slowly, in the limit not at all, holds
    # the hack in the middle of sending it; the signal must still end it.
    # A shared-memory server and one without MIT-SHM, where the picture
    # goes through the socket.
    for name, options in (("MIT-SHM", []), ("XPutImage", ["-extension", "MIT-SHM"])):
        display = run.xvfb("-screen", "0", "320x240x24", *options)
        window, window_id = display.window("2048x2048")
        hack = display.hack("--window-id", window_id, "--seed", "21", "--delay", "0", "--fps")
        if not check("a 2048x2048 window gets a picture (%s)" % name, hack.wait_picture(1, "2048x2048", 60)):
            hack.show_log()
            continue
        display.server.send_signal(signal.SIGSTOP)
        time.sleep(1)  # the next picture is made meanwhile and waits to be sent
        status = hack.signal_ends()
        display.server.send_signal(signal.SIGCONT)
        check("SIGTERM while the server (%s) is stopped ends it with status 0" % name, status == 0)


def case_own_window(run):
    display = run.xvfb("-screen", "0", "640x480x24")
    hack = display.hack("--seed", "3", "--delay", "5", "--fps")
    if not check("without a window it opens one of its own, 800x600", hack.wait_picture(1, "800x600")):
        hack.show_log()
        return
    own = display.xdotool("search", "--name", "^ondulite$").stdout.split()
    if not check("its own window is titled ondulite", own):
        return
    display.xdotool("windowsize", own[0], "400", "300")
    if check("resized, it gets picture 2 at 400x300", hack.wait_picture(2, "400x300")):
        check("... and shows it", display.shows(own[0], 3, "400x300", 2))
    display.xdotool("key", "--window", own[0], "q")
    check("a key press in its own window ends it with status 0", hack.ends() == 0)

    hack = display.hack("--seed", "3")
    own = wait_until(lambda: display.xdotool("search", "--name", "^ondulite$").stdout.split())
    if check("its own window appears again", own):
        subprocess.run([run.args.window, "--close", own[0]], env=display.env)
        check("closing its own window (WM_DELETE_WINDOW) ends it with status 0", hack.ends() == 0)


def case_bad_input(run):
    display = run.xvfb("-screen", "0", "320x240x24")

    def refuses(what, args, env=None):
        result = subprocess.run([run.args.hack] + args, env=dict(display.env, **(env or {})), capture_output=True,
                                text=True, timeout=WAIT)
        lines = result.stderr.splitlines()
        check("%s: status 1 and one line on stderr%s" % (what, ": " + lines[0] if len(lines) == 1 else ""),
              result.returncode == 1 and len(lines) == 1 and result.stdout == "",
              "status %d, %d lines" % (result.returncode, len(lines)))
        return result.stderr

    refuses("unknown option", ["--bogus"])
    refuses("malformed window id", ["--window-id", "0x12zz"])
    window, window_id = display.window("16x16")
    end_process(window)
    wait_until(lambda: display.xdotool("getwindowname", window_id).returncode != 0)
    refuses("window id that names no window", ["--window-id", window_id])
    refuses("display that cannot be opened", ["--root"], {"DISPLAY": ":4095"})
    refuses("display option that cannot be opened", ["--display", ":4094", "--root"])
    refuses("malformed XSCREENSAVER_WINDOW", ["--root"], {"XSCREENSAVER_WINDOW": "screen"})
    message = refuses("XSCREENSAVER_WINDOW with a line break and an escape sequence",
                      ["--root"], {"XSCREENSAVER_WINDOW": "0x1\n\x1b[2Jforged"})
    check("the message shows them escaped", "0x1\\n\\x1b[2Jforged" in message)
    with open("/dev/full", "w") as full:
        result = subprocess.run([run.args.hack, "--help"], stdout=full, stderr=subprocess.PIPE, text=True)
    check("--help to a full standard output ends with status 1 and one line",
          result.returncode == 1 and len(result.stderr.splitlines()) == 1, "status %d" % result.returncode)


def case_libraries(run):
    dynamic = subprocess.run(["readelf", "-d", run.args.hack], capture_output=True, text=True).stdout
    needed = [line.split("[")[1].split("]")[0] for line in dynamic.splitlines() if "Shared library:" in line]
    known = ("libX11.so", "libXext.so", "libstdc++.so", "libm.so", "libgcc_s.so", "libc.so", "libasan.so",
             "libubsan.so")
    others = [name for name in needed if not name.startswith(known)]
    check("needs only libX11 and libXext beside the C and C++ (and sanitizer) runtimes" +
          (" (also: %s)" % " ".join(others) if others else ""), needed and not others)


def xml_value(path, xpath):
    return subprocess.run(["xmllint", "--xpath", xpath, path], capture_output=True, text=True).stdout.rstrip("\n")


def case_xscreensaver(run):
    for tool in ("xscreensaver", "xscreensaver-settings", "xscreensaver-command", "xmllint"):
        if not shutil.which(tool):
            if run.args.installed:
                check("%s is installed" % tool, False)
                return
            raise Skipped("%s is not installed" % tool)
    if os.getuid() != 0:
        if run.args.installed:
            check("run as root, to run the daemon as nobody", False)
            return
        raise Skipped("not root, so no install into the system and no user to run the daemon as")

    hacks, config, desktop = ("/usr/libexec/xscreensaver/ondulite", "/usr/share/xscreensaver/config/ondulite.xml",
                              "/usr/share/applications/screensavers/ondulite.desktop")
    installed = []
    if not run.args.installed:
        # The build's install, staged first to learn its files; files that
        # were there before come back at the end.
        stage = run.path("stage")
        install = ["cmake", "--install", run.args.build, "--component", "Unspecified"]  # the hack's files
        subprocess.run(install, env=dict(os.environ, DESTDIR=stage), check=True, stdout=subprocess.DEVNULL)
        check("the install puts the hack, its XML and its desktop file where Debian looks",
              os.access(stage + hacks, os.X_OK) and os.path.isfile(stage + config) and
              os.path.isfile(stage + desktop))
        for folder, _, files in os.walk(stage):
            for name in files:
                path = os.path.join(folder, name)[len(stage):]
                if os.path.exists(path):
                    saved = run.path("before" + path)
                    os.makedirs(os.path.dirname(saved), exist_ok=True)
                    shutil.copy2(path, saved)
                installed.append(path)
        subprocess.run(install, check=True, stdout=subprocess.DEVNULL)
    else:
        check("the packages put the hack, its XML and its desktop file where Debian looks",
              os.access(hacks, os.X_OK) and os.path.isfile(config) and os.path.isfile(desktop))
    try:
        with open(desktop) as f:
            check("the desktop file runs the installed hack",
                  "Exec=/usr/libexec/xscreensaver/ondulite --root" in f.read().splitlines())
        check("the XML names the hack as its program is called, with a label and a description",
              xml_value(config, "string(/screensaver/@name)") == "ondulite" and
              xml_value(config, "string(/screensaver/@_label)") != "" and
              xml_value(config, "normalize-space(/screensaver/_description)") != "")
        check("the XML's command draws on the root, and the delay is a slider of --delay",
              xml_value(config, "string(/screensaver/command/@arg)") == "--root" and
              xml_value(config, 'string(/screensaver/number[@id="delay"]/@type)') == "slider" and
              xml_value(config, 'string(/screensaver/number[@id="delay"]/@arg)') == "--delay %")
        check_xml_vocabulary(config)
        run_daemon(run, config)
    finally:
        for path in installed:
            os.unlink(path)
            saved = run.path("before" + path)
            if os.path.exists(saved):
                shutil.copy2(saved, path)
    if installed:
        def as_before(path):
            saved = run.path("before" + path)
            if os.path.exists(saved):
                with open(saved, "rb") as a, open(path, "rb") as b:
                    return a.read() == b.read()
            return not os.path.exists(path)
        check("the system paths are as before the install again (%d files)" % len(installed),
              all(as_before(path) for path in installed))


def check_xml_vocabulary(config):
    # Every element and attribute used must be one XScreenSaver's own hacks use.
    import re
    pattern = re.compile(r'<[a-z_-]+|[a-z_-]+="')
    folder = os.path.dirname(config)
    known = set()
    for name in os.listdir(folder):
        if name.endswith(".xml") and name != "ondulite.xml":
            with open(os.path.join(folder, name), errors="replace") as f:
                known.update(pattern.findall(f.read()))
    with open(config) as f:
        unknown = sorted(set(pattern.findall(f.read())) - known)
    check("the XML uses only elements and attributes of XScreenSaver's own hacks" +
          (" (not: %s)" % " ".join(unknown) if unknown else ""), not unknown)


def processes_of_nobody(pattern):
    result = subprocess.run(["pgrep", "-u", "nobody", "-f", pattern], capture_output=True, text=True)
    return [int(pid) for pid in result.stdout.split()]


def gone(pid):
    return not os.path.exists("/proc/%d" % pid)


def run_daemon(run, config):
    # The daemon runs no hacks as root: it and the settings run as nobody.
    display = run.xvfb("-screen", "0", "640x480x24")
    nobody = pwd.getpwnam("nobody")
    home = run.path("home")
    os.mkdir(home)
    with open(os.path.join(home, ".xscreensaver"), "w") as f:
        f.write("timeout: 0:01:00\ncycle: 0:00:00\nlock: False\nfade: False\nunfade: False\nsplash: False\n"
                "mode: one\nselected: 0\nprograms: ondulite --root --seed 7 --delay 60\n")
    for path in (home, os.path.join(home, ".xscreensaver")):
        os.chown(path, nobody.pw_uid, nobody.pw_gid)
    env = dict(display.env, HOME=home)
    as_nobody = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--init-groups"]

    with open(run.path("settings.log"), "w") as log:
        settings = run.start(as_nobody + ["xscreensaver-settings"], env=env, stdout=log, stderr=subprocess.STDOUT)
    preview = wait_until(lambda: processes_of_nobody("ondulite .*--window-id"))
    run.strays.extend(preview or [])
    check("xscreensaver-settings finds ondulite and runs it in its preview", preview)
    with open(run.path("settings.log")) as f:
        complaints = [line for line in f if "ondulite" in line.lower()]
    check("xscreensaver-settings reads ondulite.xml without complaint", not complaints, "".join(complaints))
    end_process(settings)
    if preview:
        check("the preview ends once the settings' window is gone", wait_until(lambda: gone(preview[0])))

    with open(run.path("daemon.log"), "w") as log:
        daemon = run.start(as_nobody + ["xscreensaver", "-no-splash"], env=env, stdout=log, stderr=subprocess.STDOUT)
    activated = wait_until(lambda: subprocess.run(as_nobody + ["xscreensaver-command", "-activate"], env=env,
                                                  capture_output=True).returncode == 0, step=0.5)
    check("xscreensaver-command -activate reaches the daemon", activated)
    check("the daemon runs ondulite into its window: the screen shows picture 1 of the seed",
          wait_until(lambda: display.shows("root", 7, "640x480", 1, quiet=True)))
    hack = processes_of_nobody("ondulite --root --seed 7")
    run.strays.extend(hack)
    subprocess.run(as_nobody + ["xscreensaver-command", "-exit"], env=env, capture_output=True)
    if hack:
        check("the hack ends when the daemon exits", wait_until(lambda: gone(hack[0])))
    end_process(daemon)


CASES = {
    "window": case_window,
    "plain": case_plain,
    "depth16": case_depth16,
    "argb": case_argb,
    "closed-descriptors": case_closed_descriptors,
    "root": case_root,
    "signal-in-picture": case_signal_in_picture,
    "stalled-server": case_stalled_server,
    "own-window": case_own_window,
    "bad-input": case_bad_input,
    "libraries": case_libraries,
    "xscreensaver": case_xscreensaver,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hack", required=True)
    parser.add_argument("--render", required=True)
    parser.add_argument("--window", required=True, help="ondulite-test-window")
    parser.add_argument("--build", help="the build tree, for the XScreenSaver case's install")
    parser.add_argument("--installed", action="store_true", help="the packages' hack and files, as installed")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    require_tools(("Xvfb", "xdotool", "import", "compare", "readelf", "pgrep"), "tests/x11/run-x11-tests.sh")
    work = work_folder("ondulite-x11-")
    run = Run(args, work)
    skipped = False
    try:
        if checks.failed == 0:
            CASES[args.case](run)
    except Skipped as reason:
        print("skipped: %s" % reason)
        skipped = True
    except Exception as error:  # a broken step is a failed case, said in one line
        check("the case ran to its end", False, "%s: %s" % (type(error).__name__, error))
    finally:
        run.close()
        shutil.rmtree(work, ignore_errors=True)
    status = finish_checks()
    sys.exit(status or (SKIPPED if skipped else 0))


if __name__ == "__main__":
    main()
