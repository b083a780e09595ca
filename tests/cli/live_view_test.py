#!/usr/bin/env python3
"""The live table of "update --all", replayed through a terminal emulator of
80 columns in English and Japanese: the last screen holds each unit's row
once, the table's header once, and nothing of an earlier frame."""

import fcntl
import os
import pty
import struct
import subprocess
import sys
import tempfile
import termios

try:
    import pyte
except ImportError:
    print("python3-pyte is not installed")
    sys.exit(77)

COLUMNS, LINES = 80, 40


def run_on_terminal(cli, env):
    main, side = pty.openpty()
    fcntl.ioctl(side, termios.TIOCSWINSZ, struct.pack("HHHH", LINES, COLUMNS, 0, 0))
    process = subprocess.Popen(cli, stdin=side, stdout=side, stderr=side, env=env)
    os.close(side)
    output = b""
    while True:
        try:
            chunk = os.read(main, 65536)
        except OSError:
            break
        if not chunk:
            break
        output += chunk
    process.wait(timeout=120)
    os.close(main)
    return output.decode("utf-8")


def check(program, language, drive_title):
    with tempfile.TemporaryDirectory() as directory:
        env = {k: v for k, v in os.environ.items() if k not in ("COLUMNS", "LANGUAGE", "LC_ALL")}
        env["LANG"] = language
        emulate = "--emulate=" + os.path.join(directory, "units")
        subprocess.run([program, "emulator", "reset", "--units", "3", emulate], env=env,
                       check=True, stdout=subprocess.DEVNULL)
        output = run_on_terminal([program, "update", "--all", emulate], env)
    screen = pyte.Screen(COLUMNS, LINES)
    stream = pyte.Stream(screen)
    stream.feed(output.replace("\n", "\r\n"))
    lines = [line.rstrip() for line in screen.display if line.strip()]
    # The live table comes first; the summary, after an empty line, has a
    # header of its own.
    headers = [line for line in lines if line.startswith(drive_title)]
    failures = []
    if len(headers) != 2:
        failures.append(f"{len(headers)} header lines, not the live table's and the summary's")
    for unit in ("emulated-enclosure ", "emulated-enclosure-2 ", "emulated-enclosure-3 "):
        rows = [line for line in lines if line.startswith(unit)]
        if len(rows) != 2:
            failures.append(f"{unit.strip()}: {len(rows)} rows, not one live and one summary")
    for failure in failures:
        print(f"{language}: {failure}")
    if failures:
        print("\n".join(screen.display))
    return not failures


def main():
    program = sys.argv[1]
    ok = check(program, "C.UTF-8", "Drive")
    ok = check(program, "ja_JP.UTF-8", "ドライブ") and ok
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
