"""What the Python probes share, as tests/checks.sh does for the scripts:
one line per check and the count at the end.

  check(what, condition, detail)  prints "ok: WHAT" or "FAIL: WHAT (DETAIL)"
  finish_checks()                 prints "N passed, M failed"; the exit status
  wait_until(predicate, seconds)  asks until it answers, or the time is out
  end_process(process, seconds)   SIGTERM, then SIGKILL, and waits
  require_tools(tools, installer) a failed check for each tool not on PATH
  work_folder(prefix)             a new folder that unprivileged helpers can read

Time limits are generous, and only say that nothing hung.
"""

import os
import shutil
import subprocess
import tempfile
import time

WAIT = 20.0  # seconds for anything that should come at once

passed = 0
failed = 0


def check(what, condition, detail=""):
    global passed, failed
    if condition:
        passed += 1
        print("ok: " + what, flush=True)
    else:
        failed += 1
        print("FAIL: " + what + (" (" + detail + ")" if detail else ""), flush=True)
    return condition


def finish_checks():
    print("%d passed, %d failed" % (passed, failed), flush=True)
    return 1 if failed else 0


def wait_until(predicate, seconds=WAIT, step=0.05):
    deadline = time.monotonic() + seconds
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(step)


def end_process(process, seconds=10):
    """Ends a process started here and waits for it: SIGTERM, then SIGKILL."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(seconds)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def require_tools(tools, installer):
    """One failed check for each of `tools` missing from PATH, naming the
    script that installs it; a probe runs no case after a failed check."""
    for tool in tools:
        if not shutil.which(tool):
            check("%s is installed (%s installs it)" % (tool, installer), False)


def work_folder(prefix):
    """A new temporary folder, open for reading to the unprivileged users
    that the cases start programs as; the caller removes it."""
    work = tempfile.mkdtemp(prefix=prefix)
    os.chmod(work, 0o755)
    return work
