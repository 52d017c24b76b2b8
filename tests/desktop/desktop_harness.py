#!/usr/bin/env python3
"""The live-video page as an operator meets it on a real desktop.

Starts a private Xvfb server with the openbox window manager, the device
simulator (one device of six cameras) and the real Corvane program in a
temporary application folder, drives the program with real X clicks and keys
(xdotool) and judges it from the server's frame buffer, which shows how the X
server stacks the native video windows and the pop-ups, as the operator sees
them. The cases run in Chinese, then again in English.

  desktop_harness.py --bin-dir DIR --out DIR [--case NAME ...] [--chinese-only] [--keep]

Every case waits for what it needs (a window mapped, a region changed) with
generous time limits; the captures are saved as PNGs in --out, named by case
and language.
"""

import argparse
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib

PANE_BACKGROUND = (47, 50, 55)
# Offsets from the grid measured on the main window at 1920 x 1080: the layout
# button and the full-screen button under the grid at its left, the tree's
# first camera row and the rows' spacing.
LAYOUT_BUTTON = (26, 32)
EXPAND_BUTTON = (81, 32)
CAMERA_ROWS = (-119, 149, 26)
# From the grid's top-left: the tree's "delete", "play all" and "stop all" buttons, the two page tabs and
# the title bar's language button.
DELETE_DEVICE = (-147, 55)
PLAY_ALL = (-96, 55)
STOP_ALL = (-45, 55)
LIVE_TAB = (177, -24)
SEARCH_TAB = (460, -24)
LANGUAGE_BUTTON = (805, -24)
# From the grid's bottom-left: the paging bar's previous and next page.
PREVIOUS_PAGE = (541, 28)
NEXT_PAGE = (694, 28)
# The layout chooser's place over the grid's bottom-left corner, its size and
# the height of one entry; the entries from the top and what each leaves on
# the screen: the idle panes met along the bottom row, the right column and the
# top row of the grid, with the camera playing in the first pane.
CHOOSER = (120, 160, 32)
# The toast's window: its picture with the see-through margin round it.
TOAST_SIZE = (320, 60)
LAYOUTS = (("1", (0, 0, 0)), ("4", (2, 2, 1)), ("6", (3, 3, 1)), ("9", (3, 3, 2)), ("16", (4, 4, 3)))
# On the search page, from the grid's top-left: the search button, the first
# result row and the clip's picture.
SEARCH_BUTTON = (1051, 78)
FIRST_RESULT = (11, 249)
CLIP_PICTURE = (927, 641)


# ---- screen captures ---------------------------------------------------------


class Capture:
    """One capture of the root window, as RGB pixels."""

    def __init__(self, width, height, rgb):
        self.width = width
        self.height = height
        self.rgb = rgb

    @staticmethod
    def from_xwd(data):
        fields = struct.unpack(">25I", data[:100])
        header_size, _, _, _, width, height = fields[:6]
        byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
        red_mask, green_mask, blue_mask = fields[14:17]
        ncolors = fields[19]
        if bits_per_pixel not in (24, 32):
            raise RuntimeError("xwd capture of %d bits per pixel" % bits_per_pixel)
        size = bits_per_pixel // 8
        raw = data[header_size + ncolors * 12:]
        order = "<" if byte_order == 0 else ">"
        shifts = [(mask, (mask & -mask).bit_length() - 1) for mask in (red_mask, green_mask, blue_mask)]
        rgb = bytearray(width * height * 3)
        if (red_mask, green_mask, blue_mask) == (0xFF0000, 0xFF00, 0xFF) and order == "<":
            for y in range(height):
                row = raw[y * bytes_per_line:y * bytes_per_line + width * size]
                out = y * width * 3
                rgb[out:out + width * 3:3] = row[2::size]
                rgb[out + 1:out + width * 3:3] = row[1::size]
                rgb[out + 2:out + width * 3:3] = row[0::size]
        else:
            for y in range(height):
                for x in range(width):
                    at = y * bytes_per_line + x * size
                    value = int.from_bytes(raw[at:at + size], "little" if order == "<" else "big")
                    i = (y * width + x) * 3
                    rgb[i:i + 3] = bytes((value & mask) >> shift for mask, shift in shifts)
        return Capture(width, height, bytes(rgb))

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def colours(self, left, top, right, bottom, step=1):
        """The set of colours in [left, right) x [top, bottom)."""
        found = set()
        for y in range(max(top, 0), min(bottom, self.height), step):
            for x in range(max(left, 0), min(right, self.width), step):
                found.add(self.pixel(x, y))
        return found

    def share_of(self, colour, left, top, right, bottom, step=4, tolerance=3):
        hits = total = 0
        for y in range(max(top, 0), min(bottom, self.height), step):
            for x in range(max(left, 0), min(right, self.width), step):
                total += 1
                p = self.pixel(x, y)
                if all(abs(p[k] - colour[k]) <= tolerance for k in range(3)):
                    hits += 1
        return hits / total if total else 0.0

    def differs(self, other, left, top, right, bottom, step=4):
        """Share of sampled pixels of the region that differ from `other`."""
        changed = total = 0
        for y in range(max(top, 0), min(bottom, self.height), step):
            for x in range(max(left, 0), min(right, self.width), step):
                total += 1
                if self.pixel(x, y) != other.pixel(x, y):
                    changed += 1
        return changed / total if total else 0.0

    def save_png(self, path):
        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

        stride = self.width * 3
        rows = b"".join(b"\x00" + self.rgb[y * stride:(y + 1) * stride] for y in range(self.height))
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            out.write(chunk(b"IDAT", zlib.compress(rows, 6)))
            out.write(chunk(b"IEND", b""))


# ---- the desktop ---------------------------------------------------------------


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition, timeout, what, interval=0.2):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %ds waiting for %s" % (timeout, what))
        time.sleep(interval)


class Desktop:
    """Xvfb on a display it picks itself, with openbox managing its windows."""

    def __init__(self, workdir):
        self.workdir = workdir
        self.processes = []
        # The screen is read from the server's frame buffer, which is what the
        # display shows: a GetImage of the root window (xwd -root) on Xvfb
        # returns black where one client's top-level window lies wholly over
        # another of its own (a pop-up or a dialog over the main window),
        # although the frame buffer holds its picture. No cursor is drawn into it.
        framebuffer_dir = os.path.join(workdir, "framebuffer")
        os.makedirs(framebuffer_dir)
        self.framebuffer = os.path.join(framebuffer_dir, "Xvfb_screen0")
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1920x1080x24",
                                 "-nolisten", "tcp", "-fbdir", framebuffer_dir, "-nocursor"],
                                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.processes.append(xvfb)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number, QT_QPA_PLATFORM="xcb")
        self.env.pop("WAYLAND_DISPLAY", None)
        self.start(["openbox", "--sm-disable"], "openbox.log")
        wait_for(lambda: b"_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(["xprop", "-root"]), 120,
                 "openbox to manage the screen")

    def start(self, command, log_name, env=None):
        log = open(os.path.join(self.workdir, log_name), "wb")
        process = subprocess.Popen(command, env=env or self.env, stdout=log, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        self.processes.append(process)
        return process

    def run(self, command, check=False):
        done = subprocess.run(command, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=60)
        if check and done.returncode != 0:
            raise RuntimeError("%s failed" % " ".join(command))
        return done.stdout

    def capture(self):
        # The server keeps its frame buffer in this file in the xwd format.
        with open(self.framebuffer, "rb") as screen:
            return Capture.from_xwd(screen.read())

    def window_rect(self, window):
        """A window's (left, top, right, bottom) on the screen; None once it is gone."""
        out = self.run(["xdotool", "getwindowgeometry", "--shell", str(window)]).decode()
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        if not all(k in values for k in ("X", "Y", "WIDTH", "HEIGHT")):
            return None  # closed between the question that found it and this one
        x, y, w, h = (int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        return (x, y, x + w, y + h)

    def pointer(self):
        out = self.run(["xdotool", "getmouselocation", "--shell"], check=True).decode()
        place = dict(line.split("=", 1) for line in out.split())
        return int(place["X"]), int(place["Y"])

    def click(self, x, y, button=1, double=False):
        # A synchronous move to where the pointer already is waits for a motion
        # that never comes, and xdotool gives up only after 15 s.
        if self.pointer() != (x, y):
            self.run(["xdotool", "mousemove", "--sync", str(x), str(y)], check=True)
        self.run(["xdotool", "click"] + (["--repeat", "2", "--delay", "80"] if double else []) + [str(button)],
                 check=True)

    def key(self, name):
        self.run(["xdotool", "key", name], check=True)

    def visible_windows(self, name):
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", name])
        return [int(w) for w in out.split()]

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


# ---- the program ---------------------------------------------------------------


class Session:
    """The simulator with one device of four cameras, and Corvane logged into it."""

    def __init__(self, desktop, bin_dir, workdir):
        self.desktop = desktop
        self.app_dir = os.path.join(workdir, "app")
        os.makedirs(self.app_dir)
        for name in ("Corvane.db", "corvane_zh.qm", "corvane_en.qm"):
            shutil.copy(os.path.join(bin_dir, name), self.app_dir)
        # Sub-streams, which the layouts of more than four panes ask for; clips
        # long enough to go full screen and back a few times while they play.
        with open(os.path.join(self.app_dir, "config.ini"), "w") as config:
            config.write("[Param]\nVideoTime=40\nStreamType=1\n")
        alarm_port = free_port()
        self.control_port = free_port()
        self.devsim_log = os.path.join(workdir, "devsim.log")
        desktop.start([os.path.join(bin_dir, "corvane-devsim"), "--devices", "1", "--cameras", "6",
                       "--port", str(free_port()), "--first-subnet", str(20 + os.getpid() % 200),
                       "--alarm-port", str(alarm_port), "--alarm-rate", "0",
                       "--control-port", str(self.control_port), "--client-db",
                       os.path.join(self.app_dir, "Corvane.db")], "devsim.log")
        wait_for(lambda: b"control port" in open(self.devsim_log, "rb").read(), 120, "the simulator")
        runtime = os.path.join(workdir, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(desktop.env, CORVANE_APP_DIR=self.app_dir, XDG_RUNTIME_DIR=runtime,
                   XDG_CONFIG_HOME=os.path.join(workdir, "xdg-config"))
        self.client = desktop.start([os.path.join(bin_dir, "Corvane"), "--alarm-port", str(alarm_port)],
                                    "corvane.log", env)
        wait_for(lambda: desktop.visible_windows("^Corvane"), 120, "the main window")
        self.grid = wait_for(self.find_grid, 60, "the video grid")
        # The incident whose clip the playback dialog plays is ready by then.
        assert self.control("fire all incident 1").startswith("ok")

    def find_grid(self):
        """The bounding box of the idle panes' background: the video grid."""
        shot = self.desktop.capture()
        xs, ys = [], []
        for y in range(0, shot.height, 8):
            for x in range(0, shot.width, 8):
                if shot.pixel(x, y) == PANE_BACKGROUND:
                    xs.append(x)
                    ys.append(y)
        if len(xs) < 2000:
            return None
        # The exact edges, along a line through the upper and the left panes.
        left, top, right, bottom = min(xs), min(ys), max(xs) + 8, max(ys) + 8
        row = top + (bottom - top) // 4
        column = left + (right - left) // 4
        on_row = [x for x in range(left - 8, right + 8) if shot.pixel(x, row) == PANE_BACKGROUND]
        on_column = [y for y in range(top - 8, bottom + 8) if shot.pixel(column, y) == PANE_BACKGROUND]
        grid = (on_row[0], on_column[0], on_row[-1] + 1, on_column[-1] + 1)
        # Not while a toast of the log-in lies over it.
        return grid if shot.share_of(PANE_BACKGROUND, *grid) > 0.97 else None

    def control(self, command):
        """One command to the simulator; its answer."""
        with socket.create_connection(("127.0.0.1", self.control_port), timeout=30) as link:
            link.sendall(command.encode() + b"\n")
            return link.makefile().readline()

    def alive(self):
        return self.client.poll() is None

    # Where the operator clicks, found from the grid's place on the screen
    # (the window's form puts them there; see the captures).
    def layout_button(self):
        left, top, right, bottom = self.grid
        return (left + LAYOUT_BUTTON[0], bottom + LAYOUT_BUTTON[1])

    def expand_button(self):
        left, top, right, bottom = self.grid
        return (left + EXPAND_BUTTON[0], bottom + EXPAND_BUTTON[1])

    def camera_row(self, index):
        left, top, right, bottom = self.grid
        return (left + CAMERA_ROWS[0], top + CAMERA_ROWS[1] + index * CAMERA_ROWS[2])

    def pane(self, index, columns=2, rows=2):
        left, top, right, bottom = self.grid
        w, h = (right - left) // columns, (bottom - top) // rows
        x, y = left + (index % columns) * w, top + (index // columns) * h
        return (x, y, x + w, y + h)


def inner(rect, margin=0.15):
    left, top, right, bottom = rect
    dx, dy = int((right - left) * margin), int((bottom - top) * margin)
    return (left + dx, top + dy, right - dx, bottom - dy)


def video_runs(desktop, rect, timeout=30):
    """The region shows video, and the video moves on."""
    area = inner(rect)

    def showing():
        shot = desktop.capture()
        return shot if shot.share_of(PANE_BACKGROUND, *area) < 0.5 else None

    first = wait_for(showing, timeout, "video in %s" % (rect,), interval=0.3)
    wait_for(lambda: desktop.capture().differs(first, *area) > 0.01, timeout,
             "the video in %s to move on" % (rect,), interval=0.3)


def picture_shown(desktop, rect, timeout=30):
    """The region shows a picture: neither black nor the idle background."""
    area = inner(rect)

    def showing():
        shot = desktop.capture()
        if (shot.share_of((0, 0, 0), *area) < 0.5 and shot.share_of(PANE_BACKGROUND, *area) < 0.5
                and len(shot.colours(*area, step=8)) > 4):
            return shot
        return None
    return wait_for(showing, timeout, "a picture in %s" % (rect,), interval=0.3)


def background_runs(shot, points, shortest=16):
    """How many stretches of idle-pane background lie along `points`."""
    runs = length = 0
    for x, y in points:
        if shot.pixel(x, y) == PANE_BACKGROUND:
            length += 1
            if length == shortest:
                runs += 1
        else:
            length = 0
    return runs


def layout_seen(shot, grid):
    """The idle panes met along the grid's bottom row, right column and top row."""
    left, top, right, bottom = grid
    return (background_runs(shot, [(x, bottom - 12) for x in range(left, right)]),
            background_runs(shot, [(right - 12, y) for y in range(top, bottom)]),
            background_runs(shot, [(x, top + 12) for x in range(left, right)]))


def entries_drawn(shot, rect):
    """How many of the chooser's entries show their picture and a text that stands out from its ground."""
    left, top, right, bottom = rect
    band = CHOOSER[2]
    drawn = 0
    for row in range((bottom - top) // band):
        y0 = top + row * band
        text = [shot.pixel(x, y) for y in range(y0 + 6, y0 + band - 6) for x in range(left + 40, right - 4)]
        ground = max(set(text), key=text.count)
        ink = sum(1 for p in text if sum(abs(p[k] - ground[k]) for k in range(3)) > 240) / len(text)
        icon = shot.colours(left + 6, y0 + 6, left + 34, y0 + band - 6)
        if text.count(ground) / len(text) > 0.4 and 0.01 < ink < 0.5 and len(icon) > 1:
            drawn += 1
    return drawn


class Cases:
    def __init__(self, desktop, session, out):
        self.desktop = desktop
        self.session = session
        self.out = out
        self.language = "zh"

    def save(self, shot, name):
        shot.save_png(os.path.join(self.out, "%s-%s.png" % (name, self.language)))

    def at(self, offset):
        left, top = self.session.grid[:2]
        return (left + offset[0], top + offset[1])

    def below(self, offset):
        left, bottom = self.session.grid[0], self.session.grid[3]
        return (left + offset[0], bottom + offset[1])

    def play_first_camera(self):
        """Double-clicks the first camera of the device tree; it plays in pane 0.

        On a loaded machine xdotool itself can be held up between the two
        clicks longer than a double-click may take, so an unanswered
        double-click is given once more (and said), as an operator would."""
        x, y = self.session.camera_row(0)
        for attempt in (1, 2):
            self.desktop.click(x, y, double=True)
            try:
                video_runs(self.desktop, self.session.pane(0), timeout=30)
                return
            except AssertionError:
                self.save(self.desktop.capture(), "failed-play-first-camera-%d" % attempt)
                if attempt == 2:
                    raise
                print("NOTE the first double-click started no video; double-clicking again", flush=True)

    def switch_language(self):
        """The title bar's language button: Chinese to English."""
        before = self.desktop.capture()
        self.desktop.click(*self.at(LANGUAGE_BUTTON))
        title = (self.session.grid[0], 0, 1920, self.session.grid[1])
        wait_for(lambda: self.desktop.capture().differs(before, *title, step=2) > 0.01, 20,
                 "the window's texts to change language")
        self.language = "en"

    # An idle pane used to show a strip across its middle: the empty logo frame.
    def idle_panes(self):
        def uniform():
            shot = self.desktop.capture()
            return shot if all(shot.colours(*inner(self.session.pane(index), 0.1)) == {PANE_BACKGROUND}
                               for index in range(4)) else None
        try:
            # A toast of the log-in may still cover the grid for a moment.
            shot = wait_for(uniform, 20, "idle panes of one colour")
        except AssertionError:
            shot = self.desktop.capture()
            for index in range(4):
                colours = shot.colours(*inner(self.session.pane(index), 0.1))
                assert colours == {PANE_BACKGROUND}, "idle pane %d shows %d colours: %s" % (
                    index, len(colours), sorted(colours)[:6])
        self.save(shot, "idle-grid")

    def chooser_rect(self):
        left, bottom = self.session.grid[0], self.session.grid[3]
        return (left, bottom - CHOOSER[1], left + CHOOSER[0], bottom)

    def open_chooser(self):
        """Clicks the layout button; the chooser shows its five entries over the panes."""
        rect = self.chooser_rect()
        self.desktop.click(*self.session.layout_button())
        return wait_for(lambda: (lambda s: s if entries_drawn(s, rect) == len(LAYOUTS) else None)(
            self.desktop.capture()), 20, "the layout chooser's five entries to show")

    def wait_chooser_closed(self, before, why):
        wait_for(lambda: self.desktop.capture().differs(before, *self.chooser_rect(), step=2) < 0.05, 20, why)

    def pick_layout(self, row):
        name, seen = LAYOUTS[row]
        self.open_chooser()
        rect = self.chooser_rect()
        self.desktop.click(rect[0] + CHOOSER[0] // 2, rect[1] + row * CHOOSER[2] + CHOOSER[2] // 2)

        def shown():
            shot = self.desktop.capture()
            if layout_seen(shot, self.session.grid) != seen:
                return None
            # One pane: the playing camera fills the whole grid.
            return row != 0 or shot.share_of(PANE_BACKGROUND, *inner(self.session.grid)) < 0.05
        wait_for(shown, 30, "the layout of %s panes" % name)

    # The chooser used to show as a black box: its entries were not drawn.
    def chooser(self):
        before = self.desktop.capture()
        assert layout_seen(before, self.session.grid) == LAYOUTS[1][1], "not four panes: %s" % (
            layout_seen(before, self.session.grid),)
        opened = self.open_chooser()
        self.save(opened, "chooser-open")
        # Escape closes it and leaves the layout alone.
        self.desktop.key("Escape")
        self.wait_chooser_closed(before, "Escape to close the chooser")
        # So does a press on the search page's tab (the press itself only closes
        # it, as a press anywhere outside), and it is still closed on the way back.
        self.open_chooser()
        self.desktop.click(*self.at(SEARCH_TAB))
        self.wait_chooser_closed(before, "a press outside to close the chooser")
        self.desktop.click(*self.at(SEARCH_TAB))
        wait_for(lambda: self.desktop.capture().share_of(PANE_BACKGROUND, *self.session.grid) < 0.1, 20,
                 "the search page")
        self.desktop.click(*self.at(LIVE_TAB))
        self.wait_chooser_closed(before, "the grid without the chooser after a page switch")
        if self.language == "zh":
            for row in (0, 4, 2, 3):
                self.pick_layout(row)
        self.pick_layout(1)

    # Leaving full screen used to leave the grid unmapped with a frozen picture,
    # or as a window of its own at the screen's top-left.
    def full_screen(self):
        cycles = 4 if self.language == "zh" else 1
        left, top, right, bottom = self.session.grid
        home = self.desktop.capture()
        beside = (0, 0, left, 1080)  # the device tree and the window's frame
        for cycle in range(cycles):
            self.desktop.click(*self.session.expand_button())
            wait_for(lambda: self.desktop.capture().share_of(PANE_BACKGROUND, 0, 0, 1920, 1080) > 0.5, 30,
                     "the grid to cover the screen (cycle %d)" % cycle)
            # The video plays on, now over the screen's top-left quarter.
            video_runs(self.desktop, (0, 0, 960, 540))
            self.desktop.key("Escape")
            back = wait_for(lambda: (lambda s: s if s.differs(home, *beside) < 0.05 else None)(
                self.desktop.capture()), 30, "the main window to show again (cycle %d)" % cycle)
            for index in (1, 2, 3):
                share = back.share_of(PANE_BACKGROUND, *inner(self.session.pane(index)))
                assert share > 0.9, "cycle %d: pane %d is not back in place (%.2f)" % (cycle, index, share)
            video_runs(self.desktop, self.session.pane(0))
            if cycle == 0:
                self.save(back, "grid-after-full-screen")
        assert self.session.alive(), "the program ended"

    def panes_show(self, playing, timeout=60):
        """Waits until exactly the panes in `playing` show a picture and the others are idle."""
        def state():
            shot = self.desktop.capture()
            for index in range(4):
                idle = shot.share_of(PANE_BACKGROUND, *inner(self.session.pane(index)))
                if (idle < 0.5) != (index in playing):
                    return None
            return shot
        return wait_for(state, timeout, "video in panes %s only" % (playing,), interval=0.5)

    # The paging bar used to stay hidden, and cameras past the first page could
    # only be played one by one.
    def paging(self):
        self.desktop.click(*self.at(PLAY_ALL))
        self.panes_show((0, 1, 2, 3))
        self.desktop.click(*self.below(NEXT_PAGE))
        self.save(self.panes_show((0, 1)), "paging-second-page")
        self.desktop.click(*self.below(PREVIOUS_PAGE))
        self.panes_show((0, 1, 2, 3))
        # Back to the first camera alone, as the other cases expect.
        self.desktop.click(*self.at(STOP_ALL))
        self.panes_show(())
        # A camera plays in the selected pane.
        left, top, right, bottom = self.session.pane(0)
        self.desktop.click((left + right) // 2, (top + bottom) // 2)
        self.play_first_camera()
        self.panes_show((0,))

    def dialog_geometry(self):
        ids = self.desktop.visible_windows("^VideoDetailInfoDialog$")
        return self.desktop.window_rect(ids[0]) if ids else None

    # The playback dialog used to open black, and leaving its full screen left
    # the video as a frameless window at the screen's top-left that outlived
    # the dialog, after which later dialogs stayed black.
    def playback_dialog(self):
        session = self.session
        rounds, cycles = (2, 3) if self.language == "zh" else (1, 1)
        clips = os.path.join(session.app_dir, "data", "video")
        wait_for(lambda: any(f.endswith(".mp4") for _, _, files in os.walk(clips) for f in files), 120,
                 "the incident's clip")
        self.desktop.click(*self.at(SEARCH_TAB))
        wait_for(lambda: self.desktop.capture().share_of(PANE_BACKGROUND, *session.grid) < 0.1, 20,
                 "the search page")
        clip_area = self.at(CLIP_PICTURE) + self.at(CLIP_PICTURE)
        clip_area = (clip_area[0] - 100, clip_area[1] - 60, clip_area[2] + 100, clip_area[3] + 60)

        def clip_plays():
            self.desktop.click(*self.at(SEARCH_BUTTON))
            time.sleep(1)
            self.desktop.click(*self.at(FIRST_RESULT))
            try:
                return picture_shown(self.desktop, clip_area, timeout=10)
            except AssertionError:
                return False
        wait_for(clip_plays, 90, "the clip of the first result to play", interval=1)
        page = self.desktop.capture()
        for round_ in range(rounds):
            self.desktop.click(*self.at(CLIP_PICTURE), double=True)
            dialog = wait_for(self.dialog_geometry, 30, "the playback dialog")
            picture_shown(self.desktop, dialog)
            for cycle in range(cycles):
                centre = ((dialog[0] + dialog[2]) // 2, (dialog[1] + dialog[3]) // 2)
                self.desktop.click(*centre, double=True)
                wait_for(lambda: self.desktop.capture().share_of((0, 0, 0), 0, 0, 1920, 1080) < 0.25, 30,
                         "the clip to cover the screen (cycle %d)" % cycle)
                self.desktop.click(960, 540, double=True)
                # Back in the dialog: around it, the page shows as before.
                back = wait_for(lambda: (lambda s: s if s.differs(page, 0, 0, 1920, dialog[1]) < 0.05 else None)(
                    self.desktop.capture()), 30, "the dialog to take the clip back (cycle %d)" % cycle)
                back = picture_shown(self.desktop, dialog)
            if round_ == 0:
                self.save(back, "playback-dialog-after-full-screen")
            self.desktop.key("Escape")
            wait_for(lambda: not self.dialog_geometry(), 30, "the dialog to close")
            # Nothing of it is left on the screen.
            # (Below the clock, left of the clip that plays on.)
            wait_for(lambda: self.desktop.capture().differs(page, 0, 160, clip_area[0] - 10, 1080) < 0.05, 30,
                     "the page to show alone again")
        self.desktop.click(*self.at(LIVE_TAB))
        wait_for(lambda: self.desktop.capture().share_of(PANE_BACKGROUND, *session.grid) > 0.3, 20,
                 "the live-video page again")

    def toast_geometry(self):
        """The toast's place on the screen: the program's one visible window of its size."""
        for window in self.desktop.run(["xdotool", "search", "--onlyvisible", "--pid",
                                        str(self.session.client.pid)]).split():
            rect = self.desktop.window_rect(window.decode())
            if rect and (rect[2] - rect[0], rect[3] - rect[1]) == TOAST_SIZE:
                return rect
        return None

    # Without a compositing manager the toast's see-through margin and rounded
    # corners used to show black round it.
    def toast(self):
        # A camera's row selected: deleting it is refused with a toast.
        self.desktop.click(*self.session.camera_row(0))
        self.desktop.click(*self.at(DELETE_DEVICE))
        left, top, right, bottom = wait_for(self.toast_geometry, 20, "the toast")
        corners = ((left, top), (right - 1, top), (left, bottom - 1), (right - 1, bottom - 1))

        def drawn():
            shot = self.desktop.capture()
            # Drawn once its middle shows more than the grid's idle background.
            if len(shot.colours(left + 40, top + 20, right - 40, bottom - 20)) < 4:
                return None
            return shot
        shot = wait_for(drawn, 20, "the toast to be drawn")
        self.save(shot, "toast")
        dark = [(x, y, shot.pixel(x, y)) for x, y in corners if sum(shot.pixel(x, y)) < 3 * 160]
        assert not dark, "the toast's corners show dark: %s" % (dark,)
        wait_for(lambda: not self.toast_geometry(), 20, "the toast to close")


# Each runs in Chinese, then all but the first again in English, for the
# screenshots in both languages.
CASES = ("idle_panes", "chooser", "full_screen", "paging", "playback_dialog", "toast")
NEEDS_PLAY = ("chooser", "full_screen", "paging")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bin-dir", required=True)
    parser.add_argument("--out", required=True, help="folder for the captures")
    parser.add_argument("--case", action="append", choices=CASES, help="run only these cases")
    parser.add_argument("--chinese-only", action="store_true", help="leave out the English round")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    workdir = tempfile.mkdtemp(prefix="corvane-desktop.")
    failures = []
    desktop = None
    try:
        desktop = Desktop(workdir)
        session = Session(desktop, args.bin_dir, workdir)
        cases = Cases(desktop, session, args.out)
        selected = args.case or list(CASES)
        playing = False
        for language in ("zh",) if args.chinese_only else ("zh", "en"):
            if language == "en":
                cases.switch_language()
            for name in CASES:
                if name not in selected or (language == "en" and name == "idle_panes"):
                    continue
                if name in NEEDS_PLAY and not playing:
                    cases.play_first_camera()
                    playing = True
                started = time.monotonic()
                label = "%s (%s)" % (name, language)
                try:
                    getattr(cases, name)()
                    print("PASS %s (%.1f s)" % (label, time.monotonic() - started), flush=True)
                except AssertionError as error:
                    failures.append(label)
                    cases.save(desktop.capture(), "failed-" + name)
                    print("FAIL %s: %s" % (label, error), flush=True)
    finally:
        if desktop:
            desktop.close()
        if failures or args.keep:
            for log in ("corvane.log", "devsim.log"):
                path = os.path.join(workdir, log)
                if failures and os.path.exists(path):
                    print("---- %s (last lines)" % log)
                    print(b"\n".join(open(path, "rb").read().splitlines()[-30:]).decode("utf-8", "replace"))
        if not args.keep:
            shutil.rmtree(workdir, ignore_errors=True)
        else:
            print("kept", workdir)
    print("%d case(s) failed" % len(failures) if failures else "all cases passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
