#!/usr/bin/env python3
"""Runs a program on a fresh pseudo-terminal that nobody types into and exits with its status.

wine gives a Windows program a real console only when it runs on a terminal. `script`
would do, but it passes its own standard input on and turns its end into a ^D key event;
here nothing is ever written to the terminal, so the program's console input holds only
what the program puts there itself. Its output is copied to standard output.

  run_on_pty.py SECONDS PROGRAM [ARGUMENT ...]
"""

import os
import pty
import select
import signal
import sys
import time


def main():
    seconds = float(sys.argv[1])
    pid, terminal = pty.fork()
    if pid == 0:
        os.execvp(sys.argv[2], sys.argv[2:])
    deadline = time.monotonic() + seconds
    while True:
        ready, _, _ = select.select([terminal], [], [], 0.2)
        if ready:
            try:
                sys.stdout.buffer.write(os.read(terminal, 4096))
            except OSError:  # the terminal closes as the program ends
                pass
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return os.waitstatus_to_exitcode(status)
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
            print(f"run_on_pty: {sys.argv[2]} still ran after {seconds:g} s", file=sys.stderr)
            return 124


if __name__ == "__main__":
    sys.exit(main())
