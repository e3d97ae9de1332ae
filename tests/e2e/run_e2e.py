#!/usr/bin/python3
"""End-to-end tests of the real program: each test starts its own Xvfb, runs zentrolux in it,
drives it with xdotool and reads the screen back cell by cell (zl_screen_cells) and the sound
through OpenAL Soft's wave writer. The full run also copies the screen through Xlib while the
routines run and looks for each screen mode's picture; `--keep` keeps those screenshots.

The Xvfb screen is 1280 x 800, twice the text screen: the full-screen window then shows each
frame pixel as a 2 x 2 block (no smoothing), and every second pixel of a screenshot is the frame.

Usage: run_e2e.py TEST --program zentrolux --cells zl_screen_cells --close zl_send_close
"""

import argparse
import ctypes
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

import numpy as np

SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 800
TEXT_WIDTH, TEXT_HEIGHT = 640, 400
BEEP_HZ = 783.99
SAMPLE_RATE = 44100
# The wave writer mixes in steps of this many frames, each once its time has passed: a tone
# queued within a step is recorded from that step's start, up to one step early.
MIX_PERIOD = 256

# Banner rows: (row, colour, length, leading blanks, allowed characters).
BLOCKS = {0x20, 0xDB, 0xDC, 0xDF}
SINGLE_BOX = {0x20, 0xB3, 0xB4, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xD9, 0xDA}
DOUBLE_VERTICAL = {0xB6, 0xB7, 0xBA, 0xBD, 0xC7, 0xD0, 0xD2, 0xD3, 0xD6, 0xD7}
PRINTABLE = set(range(0x20, 0x7F))
BANNER = (
    [(2, 2, 52, 23, PRINTABLE)]
    + [(4 + i, 3, n, 6, BLOCKS) for i, n in enumerate((73, 73, 72, 71))]
    + [(9 + i, 4, n, 3, BLOCKS) for i, n in enumerate((75, 74, 74, 75))]
    + [(14 + i, 5, 63, 14, SINGLE_BOX | DOUBLE_VERTICAL) for i in range(3)]
    + [(17 + i, 6, 63, 14, SINGLE_BOX) for i in range(3)]
    + [(20, 7, 48, 26, PRINTABLE), (22, 9, 50, 22, PRINTABLE), (23, 8, 46, 27, PRINTABLE)]
)
BLANK_ROWS = (1, 3, 8, 13, 21, 24, 25)


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


class Xvfb:
    """A private X server on a display number it picks itself. It never resets: a server resets
    when its last client leaves, and a tool that looks at it before the program connects would
    leave the program a server in mid-reset, which refuses it."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        expect(number, "Xvfb did not start")
        self.display = ":" + number
        return self

    def __exit__(self, *exc):
        # A terminated server removes its socket and lock; a killed one leaves them behind.
        self.process.terminate()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class Program:
    """zentrolux under test, with its output kept in files."""

    def __init__(self, args, env, workdir, arguments=()):
        self.out = open(os.path.join(workdir, "stdout.txt"), "w+")
        self.err = open(os.path.join(workdir, "stderr.txt"), "w+")
        self.process = subprocess.Popen([args.program, *arguments], env=env, stdout=self.out,
                                        stderr=self.err)

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stderr_text(self):
        self.err.flush()
        self.err.seek(0)
        return self.err.read()

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class Session:
    """One Xvfb with one program run in it, and the tools that look at it."""

    def __init__(self, args, xvfb, workdir, audio_env):
        self.args = args
        self.display = xvfb.display
        self.workdir = workdir
        self.env = dict(os.environ, DISPLAY=xvfb.display, **audio_env)
        self.program = Program(args, self.env, workdir)
        self.window = None

    def run(self, command, **kwargs):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=30,
                              **kwargs)

    def wait_window(self, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            expect(self.program.process.poll() is None,
                   f"program ended early: {self.program.stderr_text()}")
            found = self.run(["xdotool", "search", "--name", "^Zentrolux$"]).stdout.split()
            if found:
                self.window = found[0]
                return self.window
            time.sleep(0.1)
        raise Failure("no window titled Zentrolux")

    def geometry(self):
        placement = self.placement()
        return placement[2:] if placement else None

    def placement(self):
        """(left, top, width, height) of the window on the screen, or None."""
        text = self.run(["xdotool", "getwindowgeometry", self.window]).stdout
        position = re.search(r"Position: (-?\d+),(-?\d+)", text)
        size = re.search(r"Geometry: (\d+)x(\d+)", text)
        if not position or not size:
            return None
        return tuple(int(v) for v in position.groups() + size.groups())

    def key(self, *names):
        self.run(["xdotool", "windowfocus", self.window])
        self.run(["xdotool", "key", "--delay", "30", *names])

    def type_text(self, text):
        self.run(["xdotool", "windowfocus", self.window])
        self.run(["xdotool", "type", "--delay", "5", text])

    def close_window(self):
        self.run([self.args.close, self.window])

    def screenshot(self):
        """The whole screen as a (height, width, 3) array."""
        shot = subprocess.run(["import", "-display", self.display, "-window", "root", "-depth", "8", "ppm:-"],
                              capture_output=True, timeout=30).stdout
        header, pixels = split_ppm(shot)
        width, height = header
        return np.frombuffer(pixels, dtype=np.uint8).reshape(height, width, 3)

    def text_cells(self):
        """25 rows of 80 (character, colour) cells, or None for a cell that is no glyph."""
        frame = self.screenshot()[::2, ::2]
        expect(frame.shape[:2] == (TEXT_HEIGHT, TEXT_WIDTH), f"screen is {frame.shape}")
        return frame_cells(self.args.cells, frame)

    def wait_for(self, condition, timeout, step=0.25, what="screen"):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            expect(self.program.process.poll() is None,
                   f"program ended while waiting for {what}: {self.program.stderr_text()}")
            cells = self.text_cells()
            if condition(cells):
                return cells
            time.sleep(step)
        raise Failure(f"timed out waiting for {what}")

    def finish(self):
        self.program.kill()


def split_ppm(data):
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    return (int(fields[1]), int(fields[2])), data[position + 1:]


def row_text(cells, row):
    """Row (1-based) as a str of code page 437 bytes read as Latin-1; '?' for unknown cells."""
    return "".join("?" if cell is None else chr(cell[0]) for cell in cells[row - 1])


def is_banner(cells):
    return row_text(cells, 20).rstrip() == " " * 26 + "Version 11.0 (Windows)"


def check_banner(cells):
    for row, colour, length, leading, allowed in BANNER:
        line = cells[row - 1]
        expect(all(cell is not None for cell in line), f"row {row} has unreadable cells")
        codes = [cell[0] for cell in line]
        expect(all(code == 0x20 for code in codes[:leading]), f"row {row}: leading blanks")
        expect(codes[leading] != 0x20, f"row {row}: text starts at column {leading + 1}")
        expect(all(code == 0x20 for code in codes[length:]), f"row {row}: text past {length}")
        expect(set(codes[:length]) <= allowed, f"row {row}: characters outside its repertoire")
        inked = {cell[1] for cell in line if cell[0] != 0x20}
        expect(inked == {colour}, f"row {row}: colours {inked}, wanted {colour}")
    for row in BLANK_ROWS:
        expect(all(cell == (0x20, 0) for cell in cells[row - 1]), f"row {row} is not blank")
    art = "".join(row_text(cells, row) for row in range(4, 20))
    expect(chr(0xDB) in art and chr(0xBA) in art and chr(0xC4) in art, "art lacks its characters")


def null_audio():
    return {"ALSOFT_DRIVERS": "null"}


def wave_audio(workdir):
    path = os.path.join(workdir, "sound.wav")
    conf = os.path.join(workdir, "alsoft.conf")
    with open(conf, "w") as f:
        f.write(f"[general]\nsample-type=int16\nchannels=stereo\nfrequency={SAMPLE_RATE}\n"
                f"period_size={MIX_PERIOD}\n"
                f"[wave]\nfile={path}\n")
    return path, {"ALSOFT_DRIVERS": "wave", "ALSOFT_CONF": conf}


class SoundClock:
    """Relates the recording to the wall clock. The wave writer renders in real time and never
    runs ahead of it, so for every size seen, start <= seen_at - recorded seconds; the smallest
    such difference over many looks is the wall-clock time of the recording's first sample."""

    BYTES_PER_SECOND = SAMPLE_RATE * 4
    HEADER = 44

    def __init__(self, path):
        self.path = path
        self.start = None
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._watch, daemon=True)
        self._thread.start()

    def _watch(self):
        while not self._stop.is_set():
            try:
                size = os.path.getsize(self.path)
            except OSError:
                size = 0
            seen_at = time.time()
            if size > self.HEADER:
                start = seen_at - (size - self.HEADER) / self.BYTES_PER_SECOND
                self.start = start if self.start is None else min(self.start, start)
            time.sleep(0.0005)

    def stop(self):
        self._stop.set()
        self._thread.join()
        return self.start


def read_samples(path):
    """Left channel of the wave file, read past a header whose sizes may not be final yet."""
    with open(path, "rb") as f:
        data = f.read()
    start = data.find(b"data") + 8
    expect(start >= 8, "no data chunk in the recording")
    usable = (len(data) - start) // 4 * 4
    samples = np.frombuffer(data[start:start + usable], dtype="<i2").reshape(-1, 2)
    return samples[:, 0].astype(np.float64)


def tones(samples):
    """(onset s, duration s, frequency Hz) of every stretch of sound, gaps under 20 ms joined."""
    loud = np.flatnonzero(np.abs(samples) > 64)
    if loud.size == 0:
        return []
    breaks = np.flatnonzero(np.diff(loud) > SAMPLE_RATE // 50)
    starts = np.concatenate(([loud[0]], loud[breaks + 1]))
    ends = np.concatenate((loud[breaks], [loud[-1]]))
    found = []
    for first, last in zip(starts, ends):
        segment = samples[first:last + 1]
        window = segment * np.hanning(segment.size)
        size = 1 << 21
        spectrum = np.abs(np.fft.rfft(window, size))
        peak = int(np.argmax(spectrum[1:])) + 1
        a, b, c = spectrum[peak - 1], spectrum[peak], spectrum[peak + 1]
        offset = 0.5 * (a - c) / (a - 2 * b + c)
        frequency = (peak + offset) * SAMPLE_RATE / size
        found.append((first / SAMPLE_RATE, (last + 1 - first) / SAMPLE_RATE, frequency))
    return found


def check_tone(tone, what):
    onset, duration, frequency = tone
    expect(abs(frequency - BEEP_HZ) <= 2.0, f"{what}: {frequency:.2f} Hz")
    expect(0.19 <= duration <= 0.205, f"{what}: lasts {duration:.4f} s")


# ---------------------------------------------------------------------------------------------
# The pictures of the series, seen in screenshots taken while it runs

# The 16 default colours as 0xRRGGBB.
DEFAULT_PALETTE = (0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
                   0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF)
BLACK = DEFAULT_PALETTE[0]
# Mode 1 starts with default colours 0, 3, 5 and 7: black, cyan, magenta, light grey.
MODE_1_COLOURS = {DEFAULT_PALETTE[i] for i in (0, 3, 5, 7)}
# Red 60 of 255: what the palette cycling before the last routine leaves in entries 0 to 3.
DARK_RED = 0x3C0000
# Entries 4 to 15 keep their default colours in the last routine.
MODE_12_OWN_COLOURS = set(DEFAULT_PALETTE[4:])


class RootGrabber:
    """Copies the X screen through Xlib. A copy takes a few milliseconds where `import` takes a
    few tenths of a second, and the text routine's picture stands for less than half a second."""

    class _Image(ctypes.Structure):
        _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                    ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                    ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                    ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                    ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]

    Z_PIXMAP = 2
    ALL_PLANES = 0xFFFFFFFF

    def __init__(self, display):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XGetImage.restype = ctypes.POINTER(self._Image)
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XFree.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11
        self.connection = x11.XOpenDisplay(display.encode())
        expect(self.connection, f"cannot open display {display}")
        self.root = x11.XDefaultRootWindow(self.connection)

    def grab(self):
        """The whole screen as a (height, width) array of 0xRRGGBB."""
        pointer = self.x11.XGetImage(self.connection, self.root, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT,
                                     self.ALL_PLANES, self.Z_PIXMAP)
        expect(bool(pointer), "XGetImage failed")
        image = pointer.contents
        try:
            expect(image.bits_per_pixel == 32 and image.byte_order == 0,
                   f"screen of {image.bits_per_pixel} bits, byte order {image.byte_order}")
            data = ctypes.string_at(image.data, image.bytes_per_line * image.height)
        finally:
            self.x11.XFree(image.data)
            self.x11.XFree(pointer)
        words = np.frombuffer(data, dtype="<u4").reshape(SCREEN_HEIGHT, -1)[:, :SCREEN_WIDTH]
        return words & 0xFFFFFF

    def close(self):
        self.x11.XCloseDisplay(self.connection)


def rgb_of(packed):
    return np.stack([(packed >> 16) & 0xFF, (packed >> 8) & 0xFF, packed & 0xFF], axis=-1).astype(np.uint8)


def ppm_of(rgb):
    height, width = rgb.shape[:2]
    return b"P6\n%d %d\n255\n" % (width, height) + np.ascontiguousarray(rgb).tobytes()


# Frame sizes in the order they are tried: a picture that a smaller frame explains is taken as
# that frame (a 320 x 200 frame is also a 640 x 400 one with every pixel doubled).
FRAME_SIZES = ((320, 200), (640, 400), (640, 480))


def stretch_map(width, height):
    """Which frame column and row the full-screen window shows at each screen column and row:
    ((2x + 1) w / 2W, (2y + 1) h / 2H), no smoothing."""
    columns = (2 * np.arange(SCREEN_WIDTH) + 1) * width // (2 * SCREEN_WIDTH)
    rows = (2 * np.arange(SCREEN_HEIGHT) + 1) * height // (2 * SCREEN_HEIGHT)
    return columns, rows


STRETCH_MAPS = {size: stretch_map(*size) for size in FRAME_SIZES}


def shown_frame(shot):
    """The frame that the window stretched into this screenshot, or None."""
    for width, height in FRAME_SIZES:
        columns, rows = STRETCH_MAPS[(width, height)]
        frame = shot[np.searchsorted(rows, np.arange(height))][:, np.searchsorted(columns, np.arange(width))]
        if np.array_equal(stretched(frame), shot):
            return frame
    return None


def stretched(frame):
    columns, rows = STRETCH_MAPS[frame.shape[::-1]]
    return frame[rows][:, columns]


def frame_cells(cells_tool, rgb):
    """25 rows of 80 (character, colour) cells of a 640 x 400 text frame given as (height, width, 3)
    bytes, None for a cell that is no glyph."""
    out = subprocess.run([cells_tool], input=ppm_of(rgb), capture_output=True, timeout=30)
    expect(out.returncode == 0, out.stderr.decode())
    rows = []
    for line in out.stdout.decode().splitlines():
        cells = []
        for token in line.split():
            code, colour = token.split(":")
            cells.append(None if code == "--" else (int(code, 16), int(colour, 16)))
        rows.append(cells)
    return rows


def colour_shares(frame):
    colours, counts = np.unique(frame, return_counts=True)
    return {int(colour): count / frame.size for colour, count in zip(colours, counts)}


def text_picture(frame, shares):
    """At least 12 colours besides black, all default ones: more than the banner's 8."""
    if len(shares) < 13 or not set(shares) <= set(DEFAULT_PALETTE):
        return None
    return f"{len(shares)} default colours"


def text_cells_picture(frame, cells_tool):
    """Characters 33 to 255 in colours 1 to 15 scattered over rows 1 to 23 and columns 1 to 79;
    rows 24 and 25 and column 80 stay as the clear left them. A frame made while a cell was
    being written may show that cell torn, so a few unreadable cells among the printed ones pass."""
    cells = frame_cells(cells_tool, rgb_of(frame))
    blank = (0x20, 0)
    if any(cell != blank for row in cells[23:] for cell in row) or any(row[79] != blank for row in cells):
        return None
    printed = [cell for row in cells[:23] for cell in row[:79] if cell != blank]
    readable = [cell for cell in printed if cell is not None]
    if len(printed) - len(readable) > len(printed) // 20:
        return None
    if not all(0x21 <= code <= 0xFF and 1 <= colour <= 15 for code, colour in readable):
        return None
    colours = {colour for _, colour in readable}
    if len(readable) < 200 or len(colours) < 12:
        return None
    return f"{len(readable)} characters in {len(colours)} colours, {len(printed) - len(readable)} torn"


def mode_1_picture(frame, shares):
    """Dots, boxes, circles, tiles and lines in the three colours of mode 1's own palette on
    black, before the palette cycling changes it."""
    drawn = 1.0 - shares.get(BLACK, 0.0)
    if set(shares) != MODE_1_COLOURS or not 0.05 <= drawn <= 0.95:
        return None
    return f"the 4 colours of mode 1, {drawn:.0%} drawn"


def mode_7_picture(frame, shares):
    """Dots, boxes, circles, fills and triangles in at least five of the 16 default colours:
    more than mode 1 can show."""
    drawn = 1.0 - shares.get(BLACK, 0.0)
    if len(shares) < 5 or not set(shares) <= set(DEFAULT_PALETTE) or drawn < 0.10:
        return None
    return f"{len(shares)} default colours, {drawn:.0%} drawn"


def mode_12_picture(frame, shares):
    """Triangles and fills on the dark red page that the palette cycling leaves: entries 0 to 3
    are all red 60, so colours 1 to 3 of the default palette never show, 4 to 15 do. Black is no
    palette entry here: a frame that shows it was made from a page while a fill was under way. Such
    frames are let pass here, counted apart, and fail the test."""
    own = set(shares) & MODE_12_OWN_COLOURS
    if DARK_RED not in shares or len(own) < 2 or not set(shares) <= MODE_12_OWN_COLOURS | {DARK_RED, BLACK}:
        return None
    return (f"red 60 on {shares[DARK_RED]:.1%}, {len(own)} colours of entries 4 to 15,"
            f" black on {shares.get(BLACK, 0.0):.0%}")


# (name, frame size, check of the colours, check of the text cells or None): the series shows
# them in this order. Reading cells takes too long to do while the text routine runs, so the
# frames whose colours pass are read once the run is over.
PICTURES = (
    ("text", (640, 400), text_picture, text_cells_picture),
    ("mode 1", (320, 200), mode_1_picture, None),
    ("mode 7", (320, 200), mode_7_picture, None),
    ("mode 12", (640, 480), mode_12_picture, None),
)
# Text frames kept for the cell check: the routine's half second gives a few dozen at most.
MAX_CANDIDATES = 50


# ---------------------------------------------------------------------------------------------
# The tests


def test_banner(args, workdir):
    """Title, full screen, the banner's rows and colours; Shift alone keeps the wait; Alt+Enter
    cycles the ways of showing; Alt+F4 ends the run with exit code 0."""
    with Xvfb() as xvfb:
        session = Session(args, xvfb, workdir, null_audio())
        try:
            session.wait_window()
            deadline = time.monotonic() + 10
            while session.geometry() != (SCREEN_WIDTH, SCREEN_HEIGHT):
                expect(time.monotonic() < deadline, f"not full screen: {session.geometry()}")
                time.sleep(0.1)
            cells = session.wait_for(is_banner, 10, what="the banner")
            check_banner(cells)
            session.key("shift")
            time.sleep(1.5)
            expect(session.text_cells() == cells, "Shift alone ended the first key wait")
            step_to_windowed(session)
            expect(session.program.process.poll() is None, "Alt+Enter ended the program")
            session.key("alt+F4")
            code = session.program.wait_exit(5)
            expect(code == 0, f"Alt+F4 gave exit code {code}")
        finally:
            session.finish()


def step_to_windowed(session):
    """Alt+Enter steps stretched -> smoothed -> square pixels -> smoothed -> windowed, and a
    window takes the frame's own size."""
    session.key("alt+Return", "alt+Return", "alt+Return", "alt+Return")
    deadline = time.monotonic() + 5
    while session.geometry() != (TEXT_WIDTH, TEXT_HEIGHT):
        expect(time.monotonic() < deadline, f"Alt+Enter left {session.geometry()}")
        time.sleep(0.1)


def test_windowed_sizes(args, workdir):
    """Windowed from the banner on, the client area follows the frame through the series: 320 x
    200 while mode 1's and mode 7's pictures show, 640 x 480 for mode 12's, each shown pixel for
    pixel. Mode 12 begins about 20 s into the run; the test closes the window there."""
    with Xvfb() as xvfb:
        session = Session(args, xvfb, workdir, null_audio())
        grabber = None
        try:
            session.wait_window()
            session.wait_for(is_banner, 10, what="the banner")
            step_to_windowed(session)
            grabber = RootGrabber(session.display)
            session.key("space")
            pressed = time.monotonic()
            wanted = [picture for picture in PICTURES if picture[0] != "text"]
            seen = {}
            # Just after a resize the window may still hold part of the previous picture, so a
            # picture counts once three looks in a row show it.
            streaks = {name: 0 for name, _, _, _ in wanted}
            sizes = []   # each client size in the order they came
            while len(seen) < len(wanted):
                expect(time.monotonic() - pressed < 90,
                       f"saw only {sorted(seen)}; client sizes in turn: {sizes}")
                expect(session.program.process.poll() is None,
                       f"program ended early: {session.program.stderr_text()}")
                before = session.placement()
                shot = grabber.grab()
                if before is None or session.placement() != before:
                    continue   # resized while the screen was copied
                left, top, width, height = before
                if not sizes or sizes[-1] != (width, height):
                    sizes.append((width, height))
                client = shot[top:top + height, left:left + width]
                shares = colour_shares(client)
                for name, size, check, _ in wanted:
                    shown = (width, height) == size and check(client, shares) is not None
                    streaks[name] = streaks[name] + 1 if shown else 0
                    if name not in seen and streaks[name] == 3:
                        seen[name] = time.monotonic() - pressed
                        print(f"{name} picture in a {width} x {height} window after {seen[name]:.1f} s")
                # Mode 12 comes last: once it shows, the others have had their time.
                expect("mode 12" not in seen or len(seen) == len(wanted),
                       f"mode 12 came with only {sorted(seen)} seen; client sizes in turn: {sizes}")
                time.sleep(0.1)
            order = [name for name, _, _, _ in wanted]
            expect(sorted(order, key=seen.get) == order, f"pictures out of order: {seen}")
            print(f"client sizes in turn: {sizes}")
            session.close_window()
            code = session.program.wait_exit(5)
            expect(code == 0, f"closing gave exit code {code}")
        finally:
            if grabber is not None:
                grabber.close()
            session.finish()


def pause_and_release(session, banner):
    """Pause at the banner, then a key: the run is held, and the key that releases it is
    consumed, so the banner's key wait goes on."""
    session.key("Pause")
    time.sleep(0.3)
    session.key("a")
    time.sleep(1.0)
    expect(session.text_cells() == banner, "the key that ended the pause reached the key wait")


def test_close_mid_run(args, workdir):
    """Pause and its consumed release key; a key ends the first wait; closing the window
    afterwards ends the run quickly with exit code 0."""
    with Xvfb() as xvfb:
        session = Session(args, xvfb, workdir, null_audio())
        try:
            session.wait_window()
            banner = session.wait_for(is_banner, 10, what="the banner")
            pause_and_release(session, banner)
            session.key("space")
            session.wait_for(lambda cells: cells != banner, 30, what="the run to start")
            time.sleep(1.0)
            started = time.monotonic()
            session.close_window()
            code = session.program.wait_exit(5)
            took = time.monotonic() - started
            expect(code == 0, f"closing gave exit code {code}")
            print(f"closed after {took:.3f} s")
            expect(took < 2.0, f"closing took {took:.2f} s")
        finally:
            session.finish()


def test_key_flood(args, workdir):
    """Forty keys at once at the banner: the run goes on and still ends normally."""
    with Xvfb() as xvfb:
        session = Session(args, xvfb, workdir, null_audio())
        try:
            session.wait_window()
            banner = session.wait_for(is_banner, 10, what="the banner")
            session.type_text("abcdefghijklmnopqrstuvwxyzabcdefghijklmn")
            session.wait_for(lambda cells: cells != banner, 30, what="the run to start")
            time.sleep(1.0)
            expect(session.program.process.poll() is None, "the flood ended the program")
            session.close_window()
            code = session.program.wait_exit(5)
            expect(code == 0, f"exit code {code}")
        finally:
            session.finish()


def test_no_display(args, workdir):
    """Without a display the program says so and ends with exit code 1."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env["ALSOFT_DRIVERS"] = "null"
    program = Program(args, env, workdir)
    try:
        code = program.wait_exit(10)
        expect(code == 1, f"exit code {code}")
        expect("display" in program.stderr_text().lower(), "no message about the display")
    finally:
        program.kill()


def test_no_audio(args, workdir):
    """No usable audio backend: exit code 111 before any window, with a message that names the
    audio library's null output."""
    with Xvfb() as xvfb:
        env = dict(os.environ, DISPLAY=xvfb.display, ALSOFT_DRIVERS="no-such-backend")
        program = Program(args, env, workdir)
        try:
            code = program.wait_exit(10)
            expect(code == 111, f"exit code {code}")
            expect("ALSOFT_DRIVERS=null" in program.stderr_text(), "no way past the missing device")
        finally:
            program.kill()


def closed_recording(path):
    """The recording once the program has ended: the device was closed, so the writer has put
    the final sizes into the header."""
    with open(path, "rb") as f:
        data = f.read()
    expect(data[:4] == b"RIFF" and data[8:12] == b"WAVE", "not a wave file")
    riff_size = int.from_bytes(data[4:8], "little")
    data_at = data.find(b"data")
    data_size = int.from_bytes(data[data_at + 4:data_at + 8], "little")
    expect(riff_size == len(data) - 8, f"RIFF size {riff_size} of {len(data) - 8}: header not completed")
    expect(data_size == len(data) - data_at - 8, "data size not completed")
    return read_samples(path)


def test_banner_beep(args, workdir):
    """The banner beep: one 0.2 s tone at 783.99 Hz within 50 ms of the banner; ending the run
    closes the sound device, so the recording is a complete wave file."""
    sound_path, audio_env = wave_audio(workdir)
    with Xvfb() as xvfb:
        sound_clock = SoundClock(sound_path)
        session = Session(args, xvfb, workdir, audio_env)
        try:
            session.wait_window()
            session.wait_for(is_banner, 10, what="the banner")
            time.sleep(1.5)
            recording_start = sound_clock.stop()
            expect(recording_start is not None, "nothing was recorded")
            first = tones(read_samples(sound_path))
            expect(len(first) == 1, f"banner: {len(first)} tones")
            check_tone(first[0], "banner beep")
            # Start-up waits for the wall-clock second to change and draws the banner at once, so
            # the banner stands at the first whole second after the recording began.
            onset = recording_start + first[0][0]
            banner_at = float(int(recording_start) + 1)
            lag = onset - banner_at
            print(f"banner beep {lag * 1000:.1f} ms after the banner")
            earliest = -(MIX_PERIOD / SAMPLE_RATE) - 0.003
            expect(earliest <= lag <= 0.050, f"banner beep {lag * 1000:.1f} ms from the banner")
            session.key("alt+F4")
            code = session.program.wait_exit(5)
            expect(code == 0, f"exit code {code}")
            expect(len(tones(closed_recording(sound_path))) == 1, "tones after the end")
        finally:
            session.finish()


def watch_series(session, pressed, timeout):
    """Screenshots from the first key to the result line. Returns the frames whose colours pass
    each picture's check as name -> [(seconds after the key, what they show, frame)], counts, and
    the last frame of each size."""
    grabber = RootGrabber(session.display)
    candidates = {name: [] for name, _, _, _ in PICTURES}
    counts = {"shots": 0, "unknown": 0, "mode 12": 0, "mode 12 with black": 0}
    last_frame_of = {}
    left_text = False   # once graphics have been shown, the next text screen is the result's
    last_look = 0.0
    try:
        while True:
            # The text routine's picture stands for under half a second: look often until the
            # graphics begin; the later pictures stand for seconds.
            time.sleep(0.1 if left_text else 0.01)
            now = time.monotonic()
            expect(now - pressed < timeout, "timed out waiting for the result line")
            expect(session.program.process.poll() is None,
                   f"program ended before the result line: {session.program.stderr_text()}")
            shot = grabber.grab()
            counts["shots"] += 1
            frame = shown_frame(shot)
            if frame is None:
                counts["unknown"] += 1
                continue
            size = frame.shape[::-1]
            last_frame_of[size] = frame
            shares = colour_shares(frame)
            for name, picture_size, check, confirm in PICTURES:
                kept = candidates[name]
                room = len(kept) < (MAX_CANDIDATES if confirm else 1)
                if size != picture_size or not room and name != "mode 12":
                    continue
                seen = check(frame, shares)
                if seen is None:
                    continue
                if room:
                    kept.append((now - pressed, seen, frame))
                if name == "mode 12":
                    counts["mode 12"] += 1
                    counts["mode 12 with black"] += BLACK in shares
            if size != (TEXT_WIDTH, TEXT_HEIGHT):
                left_text = True
            elif left_text or now - last_look >= 2.0:
                last_look = now
                cells = frame_cells(session.args.cells, rgb_of(frame))
                if row_text(cells, 10)[14:22] == "Result: ":
                    return candidates, counts, last_frame_of
    finally:
        grabber.close()


def first_pictures(candidates, cells_tool):
    """name -> (seconds, what it shows, frame) of the first candidate that passes every check."""
    found = {}
    for name, _, _, confirm in PICTURES:
        for at, seen, frame in candidates.get(name, ()):
            also = confirm(frame, cells_tool) if confirm else ""
            if also is not None:
                found[name] = (at, ", ".join(filter(None, (seen, also))), frame)
                break
    return found


def save_png(path, shot):
    subprocess.run(["convert", "ppm:-", path], input=ppm_of(rgb_of(shot)), check=True, timeout=30)


def test_full_run(args, workdir):
    """The whole run: first key; while the routines run, a screenshot of each screen mode's
    picture, in the order of the series; the result line at row 10, column 15, the end prompt after
    a key, exit code 0 after the last key, and both beeps in the recording."""
    sound_path, audio_env = wave_audio(workdir)
    with Xvfb() as xvfb:
        session = Session(args, xvfb, workdir, audio_env)
        try:
            session.wait_window()
            session.wait_for(is_banner, 10, what="the banner")
            session.key("space")
            pressed = time.monotonic()
            candidates, counts, last_frame_of = watch_series(session, pressed, args.run_timeout)
            took = time.monotonic() - pressed
            # The line may have been caught between its two items: read it once it stands.
            time.sleep(0.3)
            result = session.text_cells()
            print(f"result after {took:.1f} s: {row_text(result, 10).strip()}")
            print(f"{counts['shots']} screenshots, one every {took / counts['shots'] * 1000:.0f} ms"
                  f" on average, {counts['unknown']} of no frame size")
            found = first_pictures(candidates, args.cells)
            for name, (at, seen, frame) in found.items():
                print(f"{name} picture after {at:.2f} s: {seen}")
                save_png(os.path.join(workdir, f"{name.replace(' ', '-')}.png"), stretched(frame))
            print(f"{len(candidates['text'])} screenshots with the text picture's colours; black, which"
                  f" no palette entry holds, in {counts['mode 12 with black']} of {counts['mode 12']}"
                  " mode 12 pictures")
            print(f"screenshots in {workdir}")
            missing = [name for name, _, _, _ in PICTURES if name not in found]
            if missing:
                for (width, height), frame in last_frame_of.items():
                    save_png(os.path.join(workdir, f"last-{width}x{height}.png"), stretched(frame))
            expect(not missing, f"no screenshot showed the {', '.join(missing)} picture")
            expect(counts["mode 12 with black"] == 0,
                   f"{counts['mode 12 with black']} mode 12 frames showed a page in mid-fill")
            order = [name for name, _, _, _ in PICTURES]
            expect(sorted(order, key=lambda name: found[name][0]) == order,
                   f"pictures out of order: {[(name, round(found[name][0], 2)) for name in order]}")

            line = row_text(result, 10)
            expect(re.fullmatch(r" {14}Result:  \d*\.?\d+(E[+-]\d\d)? +", line), f"result line {line!r}")
            expect({cell[1] for cell in result[9] if cell[0] != 0x20} == {7}, "result colour")
            expect("Press any key" not in row_text(result, 25), "prompt before the key")

            session.key("space")
            prompt = session.wait_for(lambda cells: "Press any key to continue" in row_text(cells, 25),
                                      5, what="the end prompt")
            expect(row_text(prompt, 25).rstrip() == "Press any key to continue", "prompt position")
            session.key("space")
            code = session.program.wait_exit(5)
            expect(code == 0, f"exit code {code}")

            all_tones = tones(closed_recording(sound_path))
            expect(len(all_tones) == 2, f"run: {len(all_tones)} tones")
            check_tone(all_tones[0], "banner beep")
            check_tone(all_tones[1], "second beep")
        finally:
            session.finish()


def box_window(env, title, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", "^" + re.escape(title) + "$"],
                               env=env, capture_output=True, text=True).stdout.split()
        if found:
            return found[0]
        time.sleep(0.05)
    raise Failure(f"no box titled {title}")


def test_error_box(args, workdir):
    """The error and fatal boxes: a real window with the exact title, focused, answered from the
    keyboard (N, Y, Enter, Escape)."""
    title, text = "Unhandled Error #5", "Line: 42 (in main module)\nIllegal function call\nContinue?"
    cases = [("yes_no", "n", "no"), ("yes_no", "y", "yes"), ("yes_no", "Return", "yes"),
             ("yes_no", "Escape", "no"), ("ok", "Return", "ok")]
    with Xvfb() as xvfb:
        env = dict(os.environ, DISPLAY=xvfb.display)
        for buttons, key, answer in cases:
            box = subprocess.Popen([args.box, title, text, buttons], env=env, stdout=subprocess.PIPE,
                                   text=True)
            try:
                window = box_window(env, title)
                time.sleep(0.2)
                focus = subprocess.run(["xdotool", "getwindowfocus"], env=env, capture_output=True,
                                       text=True).stdout.strip()
                expect(focus == window, f"box not focused ({focus} vs {window})")
                subprocess.run(["xdotool", "key", key], env=env, timeout=10)
                out, _ = box.communicate(timeout=5)
                expect(out.strip() == answer, f"{buttons} + {key}: {out.strip()!r}, wanted {answer}")
            finally:
                if box.poll() is None:
                    box.kill()
                    box.wait()


TESTS = {
    "banner_beep": test_banner_beep,
    "error_box": test_error_box,
    "banner": test_banner,
    "close_mid_run": test_close_mid_run,
    "key_flood": test_key_flood,
    "no_display": test_no_display,
    "no_audio": test_no_audio,
    "full_run": test_full_run,
    "windowed_sizes": test_windowed_sizes,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=sorted(TESTS))
    parser.add_argument("--program", required=True)
    parser.add_argument("--cells", required=True)
    parser.add_argument("--close", required=True)
    parser.add_argument("--box", required=True)
    parser.add_argument("--run-timeout", type=float, default=2400)
    parser.add_argument("--keep", action="store_true", help="keep the work dir after a pass")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print(f"missing {tool}", file=sys.stderr)
            return 1
    workdir = tempfile.mkdtemp(prefix=f"zl-e2e-{args.test}-")
    try:
        TESTS[args.test](args, workdir)
    except Failure as failure:
        print(f"FAIL {args.test}: {failure}", file=sys.stderr)
        for name in ("stderr.txt",):
            path = os.path.join(workdir, name)
            if os.path.exists(path):
                print(open(path).read()[-4000:], file=sys.stderr)
        return 1
    if not args.keep:
        shutil.rmtree(workdir, ignore_errors=True)
    print(f"PASS {args.test}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
