"""A program on a pseudo-terminal, its screen read through a terminal emulator
(Debian's pyte) as a person sees it; and the Wine set-up of the rate tools.
Shared by tests/paneltest/terminal_screen.py, tools/paneltest-screen-rate and
tools/paneltest-chatter-rate.
"""
import fcntl
import os
import pty
import select
import struct
import subprocess
import sys
import termios
import time

import pyte

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE64 = os.path.join(ROOT, "tools", "wine64")


class Terminal:
    """command + arguments on a terminal of rows x columns; emulate=False only drains it.
    Waits give up after wait_s: a wine start on a loaded machine takes seconds."""

    def __init__(self, command, arguments, rows=30, columns=80, emulate=True, wait_s=20):
        self.screen = pyte.Screen(columns, rows) if emulate else None
        self.stream = pyte.ByteStream(self.screen) if emulate else None
        self.wait_s = wait_s
        self.signal = None
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            # The size is set before the program starts, as a terminal window has it.
            fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))
            os.execvp(command[0], command + arguments)

    def read(self, timeout):
        """Feeds what arrives within timeout to the emulator; False once the program is gone."""
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return True
        try:
            data = os.read(self.fd, 65536)
        except OSError:  # EIO: the program and its terminal are gone
            return False
        if self.stream:
            self.stream.feed(data)
        return bool(data)

    def lines(self):
        return [line.rstrip() for line in self.screen.display]

    def unwrapped_lines(self):
        """The lines as printed: a full row goes on in the next."""
        text = "".join(line + ("" if len(line) == self.screen.columns else "\n")
                       for line in self.lines())
        return text.split("\n")

    def wait_for(self, text):
        return self.wait_until(lambda lines: any(text in line for line in lines))

    def wait_until(self, shown):
        deadline = time.monotonic() + self.wait_s
        while not shown(self.lines()):
            if time.monotonic() > deadline or not self.read(0.05):
                return False
        return True

    def type(self, keys):
        os.write(self.fd, keys)

    def finish(self, bounded=True):
        """Reads to the end, killing the program after wait_s when bounded; the exit status
        as main returned it, None when it ended by a signal (then in self.signal)."""
        deadline = time.monotonic() + self.wait_s
        while self.read(max(0.0, deadline - time.monotonic()) if bounded else None):
            if bounded and time.monotonic() > deadline:
                os.kill(self.pid, 9)
                break
        _, status = os.waitpid(self.pid, 0)
        os.close(self.fd)
        self.signal = os.WTERMSIG(status) if os.WIFSIGNALED(status) else None
        code = os.WEXITSTATUS(status)
        return (code - 256 if code > 127 else code) if os.WIFEXITED(status) else None


def build(preset, targets, tool):
    """Configures and builds preset's targets; its bin folder."""
    for command in (["cmake", "--preset", preset],
                    ["cmake", "--build", "--preset", preset, "--target"] + targets):
        if subprocess.run(command, cwd=ROOT, stdout=subprocess.DEVNULL).returncode != 0:
            sys.exit(f"{tool}: '{' '.join(command)}' failed")
    return os.path.join(ROOT, "build", preset, "bin")


def wine_platform(targets, tool):
    """Builds the Windows preset this machine runs and boots a prefix of its own with one
    wineserver for every run: (loader, bin folder, what the figures are of)."""
    mode = subprocess.run([os.path.join(ROOT, "tools", "x86-32-mode"), "--word"],
                          capture_output=True, text=True).stdout.strip()
    if mode == "native":
        preset, loader, note = "win32", "wine", "the win32 build (PE32) under wine"
    else:
        preset, loader = "win64", WINE64
        note = (f"the win64 build under wine64: this machine cannot run 32-bit x86 natively "
                f"(32-bit x86: {mode}), so PE32 under Wine is not measured")
    bin_dir = build(preset, targets, tool)
    os.environ.update(WINEPREFIX=os.path.join(ROOT, "build", preset, "bench-wineprefix"),
                      WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    subprocess.run([loader, "wineboot"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-p"])
    return [loader], bin_dir, note
