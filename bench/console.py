#!/usr/bin/env python3
"""The console editor on a terminal of its own (a pseudo-terminal of 80 x 24), in the folder that
holds KR_PROG.PRG: the time to its first full screen against the time -loadprg takes to print
the levels on the same terminal (medians of many runs), the bytes that one painted cell costs,
and the peak memory of an editing session.

    console.py VELLUMIX_BINARY
"""
import fcntl
import os
import pty
import select
import statistics
import struct
import sys
import tempfile
import termios
import time

tool = sys.argv[1]
LAST_LINE = b"h help"  # the key help, the end of the first frame
FRAME_END = b"\x1b[?25h"  # the cursor shown again: the last bytes of every frame


def start(args):
    pid, fd = pty.fork()
    if pid == 0:
        os.environ["TERM"] = "xterm-256color"
        os.environ["LANG"] = "C.UTF-8"  # the overview's half blocks, as most terminals show
        os.execv(args[0], args)
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
    return pid, fd


def read_until(fd, until=None, quiet=5.0):
    """What fd shows until `until` appears, or until it is quiet for `quiet` seconds or ends."""
    out = b""
    while until is None or until not in out:
        ready, _, _ = select.select([fd], [], [], quiet)
        if not ready:
            break
        try:
            chunk = os.read(fd, 65536)
        except OSError:  # the program has ended and closed the terminal
            break
        if not chunk:
            break
        out += chunk
    return out


def finish(pid, fd, keys=b""):
    if keys:
        os.write(fd, keys)
    read_until(fd)
    os.waitpid(pid, 0)
    os.close(fd)


def first_screen():
    began = time.perf_counter()
    pid, fd = start([tool, "-edit"])
    read_until(fd, LAST_LINE)
    seconds = time.perf_counter() - began
    finish(pid, fd, b"q")
    return seconds


def loadprg():
    began = time.perf_counter()
    pid, fd = start([tool, "-loadprg", "-quiet"])
    read_until(fd)
    seconds = time.perf_counter() - began
    finish(pid, fd)
    return seconds


def bytes_for(keys):
    """Bytes the editor writes for keys typed after its first screen; the image is not saved."""
    pid, fd = start([tool, "-edit"])
    read_until(fd, LAST_LINE)
    os.write(fd, keys)
    count = len(read_until(fd, quiet=0.3))
    finish(pid, fd, b"qn")
    return count


def drag(cells):
    """SGR reports of a left press on the first of cells (column, line from 1), moves over the
    others with the button held, and its release."""
    (x, y), rest = cells[0], cells[1:]
    moves = b"".join(b"\x1b[<32;%d;%dM" % c for c in rest)
    return b"\x1b[<0;%d;%dM" % (x, y) + moves + b"\x1b[<0;%d;%dm" % rest[-1]


def overview():
    """Time from the start to the end of the overview's first frame, and its bytes."""
    began = time.perf_counter()
    pid, fd = start([tool, "-edit"])
    read_until(fd, FRAME_END)
    os.write(fd, b"\t")
    shown = read_until(fd, FRAME_END)
    seconds = time.perf_counter() - began
    finish(pid, fd, b"q")
    return seconds, len(shown)


for f in (first_screen, loadprg):  # warm up the caches
    f()
edit = statistics.median(first_screen() for _ in range(200))
load = statistics.median(loadprg() for _ in range(200))
print("-edit, first full screen: %7.3f ms" % (edit * 1000))
print("-loadprg on the terminal: %7.3f ms   ratio %.2f (target 1.5 at most)" %
      (load * 1000, edit / load))
print("bytes to the terminal: a painted cell %d (target 256 at most), the next level %d" %
      (bytes_for(b"8"), bytes_for(b">")))
# ten cells of row 1 and row 3 of level 1, the board's first cells at column 4, line 4
cells = [(4 + 4 * k, 4) for k in range(8)] + [(6, 5), (10, 5)]
print("bytes to the terminal: a drag over 10 cells %d (target 2560 at most)" %
      bytes_for(drag(cells)))
runs = [overview() for _ in range(50)]
print("-edit to the overview's first frame: %7.3f ms, ratio %.2f to -loadprg (target 2 at "
      "most); the frame: %d bytes (target 24576 at most)" %
      (statistics.median(r[0] for r in runs) * 1000, statistics.median(r[0] for r in runs) / load,
       max(r[1] for r in runs)))
rss = os.path.join(tempfile.mkdtemp(), "rss.txt")  # not in the folder the bench runs in
pid, fd = start(["/usr/bin/time", "-f", "%M", "-o", rss, tool, "-edit"])
read_until(fd, LAST_LINE)
os.write(fd, b"8f>m<yp" + b"u" * 10 + b"U" * 10)
read_until(fd, quiet=0.3)
finish(pid, fd, b"qn")
print("peak memory of an editing session: %s KiB (target 4096 at most)" %
      open(rss).read().strip())
