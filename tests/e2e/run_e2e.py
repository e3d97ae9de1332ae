#!/usr/bin/python3
"""End-to-end tests of the real program: each test starts its own Xvfb, runs zentrolux in it,
drives it with xdotool and reads the screen back cell by cell (zl_screen_cells) and the sound
through OpenAL Soft's wave writer.

The Xvfb screen is 1280 x 800, twice the text screen: the full-screen window then shows each
frame pixel as a 2 x 2 block (no smoothing), and every second pixel of a screenshot is the frame.

Usage: run_e2e.py TEST --program zentrolux --cells zl_screen_cells --close zl_send_close
"""

import argparse
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
    """A private X server on a display number it picks itself."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp"],
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

    def __init__(self, args, env, workdir):
        self.out = open(os.path.join(workdir, "stdout.txt"), "w+")
        self.err = open(os.path.join(workdir, "stderr.txt"), "w+")
        self.process = subprocess.Popen([args.program], env=env, stdout=self.out, stderr=self.err)

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
        text = self.run(["xdotool", "getwindowgeometry", self.window]).stdout
        match = re.search(r"Geometry: (\d+)x(\d+)", text)
        return (int(match.group(1)), int(match.group(2))) if match else None

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
        ppm = b"P6\n%d %d\n255\n" % (TEXT_WIDTH, TEXT_HEIGHT) + np.ascontiguousarray(frame).tobytes()
        out = subprocess.run([self.args.cells], input=ppm, capture_output=True, timeout=30)
        expect(out.returncode == 0, out.stderr.decode())
        rows = []
        for line in out.stdout.decode().splitlines():
            cells = []
            for token in line.split():
                code, colour = token.split(":")
                cells.append(None if code == "--" else (int(code, 16), int(colour, 16)))
            rows.append(cells)
        return rows

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
            # Alt+Enter steps stretched -> smoothed -> square pixels -> smoothed -> windowed, and a
            # window takes the frame's own size.
            session.key("alt+Return", "alt+Return", "alt+Return", "alt+Return")
            deadline = time.monotonic() + 5
            while session.geometry() != (TEXT_WIDTH, TEXT_HEIGHT):
                expect(time.monotonic() < deadline, f"Alt+Enter left {session.geometry()}")
                time.sleep(0.1)
            expect(session.program.process.poll() is None, "Alt+Enter ended the program")
            session.key("alt+F4")
            code = session.program.wait_exit(5)
            expect(code == 0, f"Alt+F4 gave exit code {code}")
        finally:
            session.finish()


def test_close_mid_run(args, workdir):
    """Pause and its consumed release key; a key ends the first wait; closing the window
    afterwards ends the run quickly with exit code 0."""
    with Xvfb() as xvfb:
        session = Session(args, xvfb, workdir, null_audio())
        try:
            session.wait_window()
            banner = session.wait_for(is_banner, 10, what="the banner")
            # Pause holds the run; the key that releases it is consumed, so the wait goes on.
            session.key("Pause")
            time.sleep(0.3)
            session.key("a")
            time.sleep(1.0)
            expect(session.text_cells() == banner, "the key that ended the pause reached the wait")
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
    """No usable audio backend: exit code 111 before any window."""
    with Xvfb() as xvfb:
        env = dict(os.environ, DISPLAY=xvfb.display, ALSOFT_DRIVERS="no-such-backend")
        program = Program(args, env, workdir)
        try:
            code = program.wait_exit(10)
            expect(code == 111, f"exit code {code}")
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


def test_full_run(args, workdir):
    """The whole run: first key, the routines, the result line at row 10, column 15, the end
    prompt after a key, exit code 0 after the last key, and both beeps in the recording."""
    sound_path, audio_env = wave_audio(workdir)
    with Xvfb() as xvfb:
        session = Session(args, xvfb, workdir, audio_env)
        try:
            session.wait_window()
            session.wait_for(is_banner, 10, what="the banner")
            session.key("space")
            pressed = time.monotonic()
            result = session.wait_for(lambda cells: row_text(cells, 10)[14:22] == "Result: ",
                                      args.run_timeout, step=2.0, what="the result line")
            print(f"result after {time.monotonic() - pressed:.1f} s: {row_text(result, 10).strip()}")
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
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=sorted(TESTS))
    parser.add_argument("--program", required=True)
    parser.add_argument("--cells", required=True)
    parser.add_argument("--close", required=True)
    parser.add_argument("--box", required=True)
    parser.add_argument("--run-timeout", type=float, default=2400)
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
    shutil.rmtree(workdir, ignore_errors=True)
    print(f"PASS {args.test}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
