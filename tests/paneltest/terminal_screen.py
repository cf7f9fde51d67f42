"""paneltest in a terminal, judged by what a person sees on it.

    terminal_screen.py [--mode-probe PROBE] COMMAND...
        (paneltest, or wine and paneltest.exe; the probe is console_mode_probe.exe)

Runs the command on a pseudo-terminal of 80 columns and 30 rows, its standard
input, output and error all on it, against a scripted CH341 stand-in; types
keys as an operator does and reads the screen through a terminal emulator.
Prints each failure and exits 1 when there is any.
"""
import os
import re
import select
import signal
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from pty_screen import Terminal  # noqa: E402

WAIT_S = 20  # a wine start on a loaded machine takes seconds


failures = []


def check(condition, what, terminal):
    if not condition:
        failures.append(what + "; the screen:\n  " + "\n  ".join(terminal.lines()))


def use_board(frames):
    with open("paneltest_terminal.frames", "w") as script:
        script.write(frames)
    os.environ["CH341_SIM_BOARD"] = "paneltest_terminal.frames"
    os.environ.pop("CH341_SIM_TRACE", None)


def recorded_whole(path, scans):
    """Whether the recording at path holds all of scans, in its counts line and in its frames."""
    text = open(path).read()
    frames = [line for line in text.splitlines() if line.startswith("panel=")]
    repeats = sum(int(re.search(r"repeat=(\d+)|$", line).group(1) or 1) for line in frames)
    return f"# scans: {scans}, failed: 0 " in text and repeats == scans


def check_interrupted(lines, interruption, what, terminal):
    """The interrupted line, then the view's summary, each whole, and the recording whole.
    A terminal's echo of a typed Ctrl-C may come first on the line, as the key and the
    program's output reach it in either order."""
    found = [at for at, line in enumerate(lines) if line in (interruption, "^C" + interruption)]
    after = lines[found[0] + 1:] if found else [""]
    summary = re.fullmatch(r"events: (\d+) scans, 0 failed, \d+ edges|Ended after (\d+) scans, 0 failed",
                           after[0])
    check(summary and recorded_whole("paneltest_terminal.recording",
                                     int(summary.group(1) or summary.group(2))),
          f"{what}: no '{interruption}' above the summary, or the recording is not whole", terminal)


def main():
    deferred_signals = sys.argv[1] == "--deferred-signals"
    if deferred_signals:
        del sys.argv[1]
    probe = sys.argv[2] if sys.argv[1] == "--mode-probe" else None
    command = sys.argv[3:] if probe else sys.argv[1:]
    # Panel button 0 held through a failed scan, then the panel released: the
    # failed scan's last line is longer than the good ones' after it.
    use_board("FF FE FF\nFF FE FF read-fail=2\nFF FF FF repeat=4\n")

    # After --scans the last screen stands whole, with nothing of the longer
    # lines before it, and the program's last words below it.
    terminal = Terminal(command, ["--scans", "6"])
    status = terminal.finish()
    check(status == -2, f"--scans 6 with a failed scan ended with status {status}", terminal)
    lines = terminal.lines()
    scans = lines.index("scans:       6") if "scans:       6" in lines else -9
    # The drop-out's length depends on the machine.
    check(lines[scans + 5:scans + 7] == ["last scan:   ok", "Ended after 6 scans, 1 failed"]
          and all(line.startswith("link drop-outs: 1, longest ") for line in [lines[scans + 4], lines[scans + 7]]),
          "the last screen does not end with its 'scans: 6' screen and the ending below", terminal)
    check(not any("held" in line or "0x0001" in line or "| 0: 1" in line for line in lines),
          "something of an earlier screen is left", terminal)
    check(sum(line.startswith("paneltest ") for line in lines) == 1,
          "more than one screen on the terminal", terminal)

    # A window smaller than the screen: lines cut at its edge, its last row kept
    # free, so nothing wraps or scrolls, and the row above it says the window is
    # too small (cut too, at this width).
    use_board("FF FF FF\n")
    terminal = Terminal(command, [], rows=12, columns=20)
    expected = ["Press escape to qui", "Panel buttons", "-" * 19, "| 0: 0| 1: 0| 2: 0|",
                "| 4: 0| 5: 0| 6: 0|", "| 8: 0| 9: 0|10: 0|", "|12: 0|13: 0|14: 0|", "-" * 19,
                "System inputs", "... window too smal", ""]
    check(terminal.wait_until(lambda lines: lines[1:] == expected), "a small window", terminal)
    terminal.type(b"\x1b")
    terminal.finish()

    # The live view goes on past the Up arrow and a space, two scans past the
    # screen drawn when they were typed, and Escape ends it with status 0; in
    # the check a space skips the asked-for input and Escape ends it.
    def scans_shown(lines):
        return next((int(line.split()[1]) for line in lines if re.fullmatch(r"scans: +\d+", line)), 0)
    cases = [
        ([], "scans:       7", ["last scan:   ok"], None, 0, "Ended after "),
        (["--check", "--settle-ms", "0"],
         "Press panel button 0 (row 1, column 1), or space to skip it",
         ["| 0: 0| 1: 0| 2: 0| 3: 0|", "ok so far:   0 of 19", "last result: --", "scans:  "],
         "Press panel button 1 (row 1, column 2), or space to skip it", -4, "panel 1: not reached"),
    ]
    for arguments, asked, with_it, then, expected_status, ended in cases:
        name = " ".join(arguments) or "live view"
        terminal = Terminal(command, arguments)
        check(terminal.wait_for(asked), f"{name}: '{asked}' never shown", terminal)
        check(all(any(line.startswith(start) for line in terminal.lines()) for start in with_it),
              f"{name}: {with_it} not shown", terminal)
        # All it has drawn so far, so that the count is the one the keys come after.
        while select.select([terminal.fd], [], [], 0)[0] and terminal.read(0):
            pass
        shown = scans_shown(terminal.lines())
        terminal.type(b"\x1b[A")
        terminal.type(b" ")
        check(terminal.wait_until(lambda lines: scans_shown(lines) >= shown + 2) if then is None
              else terminal.wait_for(then), f"{name}: '{then}' never shown after a space", terminal)
        terminal.type(b"\x1b")
        status = terminal.finish()
        check(status == expected_status, f"{name}: status {status} after Escape", terminal)
        check(any(line.startswith(ended) for line in terminal.lines()),
              f"{name}: '{ended}' not shown at the end", terminal)

    # The chatter view: panel 0 bounces once every 0.7 s. A space starts its next
    # round at its next press (one that the bounce can be, 2 ms out of 700); Escape
    # then gives that round, with the chatter of the one before it at the end.
    use_board("pace-us 1000\nFF FE FF\nFF FF FF\nFF FE FF\nFF FF FF repeat=700\n")
    terminal = Terminal(command, ["--chatter"])
    check(terminal.wait_for("| 0:     4/2   |"), "--chatter: panel 0's bounces not shown", terminal)
    terminal.type(b" ")
    # Wine's console draws a screen row by row: wait for both rows of the new one.
    check(terminal.wait_until(lambda lines: re.search(r"\| 0:     [23]/1   \|", lines[4]) and
                              any(line.startswith("round:       2, ") for line in lines)),
          "--chatter: a space did not start panel 0's next round", terminal)
    terminal.type(b"\x1b")
    status = terminal.finish()
    ended = [re.fullmatch(r"panel 0: (\d+) presses, (\d+) chatter, shortest gap \d+\.\d ms, "
                          r"shortest hold \d+\.\d ms, earlier rounds (\d+) chatter", line)
             for line in terminal.unwrapped_lines()]
    rounds = [tuple(map(int, line.groups())) for line in ended if line]
    check(status == -5 and len(rounds) == 1 and rounds[0][1] >= 1 and rounds[0][2] >= 2 and
          any(line.startswith("chatter: 1 of 1 pressed inputs chatter") for line in terminal.lines()),
          f"--chatter: status {status}, panel 0's rounds {rounds} after a space and Escape", terminal)

    # Into a pipe, with standard input a pipe held open and empty: nothing waits
    # for a key, and every read but the last ends on a whole screen.
    program = subprocess.Popen(command + ["--scans", "40"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE)
    reads = [read.replace(b"\r\n", b"\n") for read in
             iter(lambda: os.read(program.stdout.fileno(), 65536), b"")]
    program.stdin.close()
    check(program.wait(WAIT_S) == 0 and reads and reads[-1].endswith(b"Ended after 40 scans, 0 failed\n")
          and all(read.endswith(b"last scan:   ok\n") for read in reads[:-1]),
          f"into a pipe: {len(reads)} reads, the last {reads[-1:]}", terminal)
    # Standard input a file: its ESC ends the view before the first scan.
    with open("paneltest_terminal.keys", "wb") as keys:
        keys.write(b"\x1b")
    with open("paneltest_terminal.keys", "rb") as keys:
        ended = subprocess.run(command + ["--scans", "1000000000"], stdin=keys,
                               stdout=subprocess.PIPE, timeout=WAIT_S)
    check(ended.returncode == 0 and ended.stdout.replace(b"\r\n", b"\n") ==
          b"Ended after 0 scans, 0 failed\n", f"keys from a file: {ended}", terminal)

    # Ctrl-C ends the run as Escape would, says so above the usual last line, and
    # ends as a program Ctrl-C ended: on Windows with 0xC000013A (Wine gives its
    # low byte), on POSIX by SIGINT. Wine turns only a typed Ctrl-C into a console event.
    os.environ["CH341_SIM_BOARD"] = "demo"
    recording = ["--events", "--record", "paneltest_terminal.recording"]
    terminal = Terminal(command, recording)
    check(terminal.wait_for(" pressed"), "Ctrl-C: no event before it", terminal)
    terminal.type(b"\x03")
    status = terminal.finish()
    line, ending = ("Ctrl-C", (0x3A, None)) if probe else ("SIGINT", (None, signal.SIGINT))
    check((status, terminal.signal) == ending, f"Ctrl-C: status {status}, {terminal.signal}", terminal)
    check_interrupted(terminal.lines(), "Interrupted by " + line, "Ctrl-C", terminal)

    if probe:
        # QuickEdit and insert mode go off while paneltest runs; afterwards the
        # console has the user's modes again, with the flag that lets them count.
        for mode, during, after in [(0x1B7, 0x197, 0x1B7), (0x77, 0x97, 0xF7)]:
            terminal = Terminal(command[:-1] + [probe, f"{mode:x}", command[-1]], ["--scans", "300"])
            terminal.finish()
            shown = f"mode {during:#x} during, {after:#x} after"
            check(shown in terminal.lines(), f"console mode {mode:#x}: not '{shown}'", terminal)
    else:
        # SIGTERM and SIGHUP from a program end it the same way, with the output
        # into a pipe and no terminal: it dies of the signal. A SIGINT its parent
        # ignores stays ignored.
        # The chatter view reads its keys and the interruption on its own clock.
        chatter = ["--chatter", "--record", "paneltest_terminal.recording"]
        for view, *ignored, sent in [[recording, signal.SIGTERM], [recording, signal.SIGHUP],
                                     [recording, signal.SIGINT, signal.SIGTERM],
                                     [chatter, signal.SIGTERM]]:
            program = subprocess.Popen(command + view, stdin=subprocess.DEVNULL, text=True,
                                       stdout=subprocess.PIPE, preexec_fn=lambda: signal.signal(
                                           signal.SIGINT, signal.SIG_IGN))
            first = program.stdout.readline()
            for each in ignored + [sent]:
                program.send_signal(each)
            lines = (first + program.communicate(timeout=WAIT_S)[0]).splitlines()
            check(program.returncode == -sent, f"{sent.name}: status {program.returncode}", terminal)
            check_interrupted(lines, f"Interrupted by {sent.name}", sent.name, terminal)
        # A second signal while it ends ends it at once: both wait while it is stopped.
        if deferred_signals:
            print("skipped: a second signal while it ends: ThreadSanitizer runs the first "
                  "handler late and drops the second")
        else:
            program = subprocess.Popen(command + recording, stdin=subprocess.DEVNULL, text=True,
                                       stdout=subprocess.PIPE)
            program.stdout.readline()
            for each in [signal.SIGSTOP, signal.SIGHUP, signal.SIGTERM, signal.SIGCONT]:
                program.send_signal(each)
            rest = program.communicate(timeout=WAIT_S)[0]
            check(program.returncode == -signal.SIGTERM and "Interrupted" not in rest,
                  f"a second signal: status {program.returncode}, then {rest}", terminal)

    for failure in failures:
        print("FAILED:", failure)
    print(f"{'FAILED' if failures else 'passed'}: paneltest in a terminal, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
