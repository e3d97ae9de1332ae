#!/usr/bin/python3
"""Desktop reliability gates: the real program (zl_gate_program: the desktop host and the main
sequence with a test routine list) under Xvfb, driven with xdotool.

  thread_check  the ThreadSanitizer build through banner, key, routines, Pause, a flood of 100
                keys and the close button; no report allowed
  no_display, no_audio, bad_option, display_lost, error_yes, error_no, close_button, alt_f4,
  ctrl_break, pause_key
                fault runs of the release build, each with the exit code it must give; the
                close, Alt+F4 and Ctrl+Break runs are repeated with every processor kept busy

Usage: desktop_gate.py [GATE...] --program zl_gate_program --tsan-program zl_gate_program
                       --cells zl_screen_cells --close zl_send_close [--suppressions FILE]
"""

import argparse
import glob
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import types

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location("run_e2e", os.path.join(HERE, "..", "e2e", "run_e2e.py"))
e2e = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(e2e)

Failure, expect, Xvfb, Session, Program = e2e.Failure, e2e.expect, e2e.Xvfb, e2e.Session, e2e.Program
row_text, is_banner = e2e.row_text, e2e.is_banner

ERROR_TITLE = "Unhandled Error #5"
# A close request ends the run at the next statement check; the run must be gone within this.
CLOSE_LIMIT = 1.0
COUNT_ROW, COUNT_COLUMN = 10, 30   # where the long routine prints "Pass " and its count
TSAN_REPORT_EXIT = 66
# What freeglut and OpenAL Soft write to stderr when the window is used after it is gone or the
# process ends with the audio device open.
COMPLAINTS = ("freeglut", "AL lib")

# The ending runs again with the processors kept busy: a window thread that runs late meets the
# close in the same turn as its timer. So loaded, the X server passes keys and the close on
# seconds late (it is starved too, behind the window's frames); the limit only tells a slow end
# from a hung one.
BUSY_RUNS = {"close_button": 8, "alt_f4": 3, "ctrl_break": 3}
BUSY_PER_PROCESSOR = 2
BUSY_CLOSE_LIMIT = 12.0
# Each busy process ends by itself after this many seconds, or as soon as the gate is gone.
BUSY_SECONDS = 120
SPIN = """import os, sys, time
parent, end = int(sys.argv[1]), time.monotonic() + float(sys.argv[2])
while time.monotonic() < end and os.getppid() == parent:
    pass
"""


def count_text(cells):
    """The long routine's "Pass" line from its count on, or None before it shows. A screenshot
    taken while the window swaps frames can cut a changing digit in two ('?')."""
    text = row_text(cells, COUNT_ROW)[COUNT_COLUMN - 1:].rstrip()
    if text.startswith("Pass ") and text[5:].strip()[:1].isdigit():
        return text[5:].strip()
    return None


def long_count(cells):
    """The pass count when all its digits were read, else None."""
    text = count_text(cells)
    return int(text) if text is not None and text.isdigit() else None


def is_result(cells):
    return row_text(cells, 10)[14:22] == "Result: "


def is_end_prompt(cells):
    return row_text(cells, 25).rstrip() == "Press any key to continue"


def complaints(stderr_text):
    return [line for line in stderr_text.splitlines() if any(word in line for word in COMPLAINTS)]


class BusyProcessors:
    """BUSY_PER_PROCESSOR CPU-bound processes per processor beside the runs; all are killed when
    the block ends, and each ends by itself after BUSY_SECONDS or once the gate is gone."""

    def __enter__(self):
        self.processes = []
        try:
            for _ in range(BUSY_PER_PROCESSOR * (os.cpu_count() or 1)):
                command = [sys.executable, "-c", SPIN, str(os.getpid()), str(BUSY_SECONDS)]
                self.processes.append(subprocess.Popen(command))
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        for process in self.processes:
            process.kill()
        for process in self.processes:
            process.wait()


class Run:
    """One gate program run in its own Xvfb, with the routine selection and audio it asks for."""

    def __init__(self, args, workdir, program, selection, extra_env=None):
        self.xvfb = Xvfb().__enter__()
        run_args = types.SimpleNamespace(program=program, cells=args.cells, close=args.close)
        env = {"ALSOFT_DRIVERS": "null", "ZL_GATE_RUN": selection, **(extra_env or {})}
        self.session = Session(run_args, self.xvfb, workdir, env)

    def __enter__(self):
        return self.session

    def __exit__(self, *exc):
        self.session.finish()
        self.xvfb.__exit__(*exc)


def start_run(session, timeout=20):
    """Waits for the banner and presses the key that starts the routines."""
    session.wait_window(timeout)
    banner = session.wait_for(is_banner, timeout, what="the banner")
    session.key("space")
    return banner


def wait_exit_timed(session, timeout):
    started = time.monotonic()
    code = session.program.wait_exit(timeout)
    return code, time.monotonic() - started


def finish_normally(session, timeout):
    """From the routines to the end: the result line, a key, the end prompt, a key, exit 0."""
    result = session.wait_for(is_result, timeout, step=0.5, what="the result line")
    session.key("space")
    session.wait_for(is_end_prompt, 10, what="the end prompt")
    session.key("space")
    code = session.program.wait_exit(10)
    expect(code == 0, f"normal end gave exit code {code}")
    return row_text(result, 10).strip()


def wait_counting(session, timeout=20):
    session.wait_for(lambda cells: count_text(cells) is not None, timeout,
                     what="the long routine's count")


# ---------------------------------------------------------------------------------------------
# The thread-checked run


def tsan_summaries(log_base):
    """The SUMMARY line of every report ThreadSanitizer wrote, over all its log files."""
    found = []
    for path in sorted(glob.glob(log_base + ".*")):
        with open(path, errors="replace") as f:
            found += [line.strip() for line in f if line.startswith("SUMMARY: ThreadSanitizer")]
    return found


def gate_thread_check(args, workdir):
    """Banner, key, the short routines with a Pause and its release, a flood of 100 keys, the
    result line and the close button, all under ThreadSanitizer."""
    log_base = os.path.join(workdir, "tsan")
    # The whole run goes on after a report, so one run lists every race it meets.
    options = f"halt_on_error=0 exitcode={TSAN_REPORT_EXIT} log_path={log_base} history_size=7"
    if args.suppressions:
        options += f" suppressions={os.path.abspath(args.suppressions)}"
    with Run(args, workdir, args.tsan_program, "short", {"TSAN_OPTIONS": options}) as session:
        try:
            banner = start_run(session, timeout=60)
            session.wait_for(lambda cells: cells != banner, 60, step=0.1, what="the routines")
            session.key("Pause")
            time.sleep(0.5)
            held = session.screenshot()
            time.sleep(1.0)
            expect((session.screenshot() == held).all(), "the screen changed while paused")
            session.key("a")
            deadline = time.monotonic() + 10
            while (session.screenshot() == held).all():
                expect(time.monotonic() < deadline, "the run did not go on after the pause")
                time.sleep(0.1)
            flood = "abcdefghijklmnopqrstuvwxy" * 4
            session.type_text(flood)
            session.wait_for(is_result, 300, step=1.0, what="the result line")
            session.close_window()
            code, took = wait_exit_timed(session, 30)
        finally:
            summaries = tsan_summaries(log_base)
            for line in summaries:
                print(line, file=sys.stderr)
        expect(not summaries, f"{len(summaries)} ThreadSanitizer report(s); logs in {workdir}")
        expect(code == 0, f"close gave exit code {code}")
    return f"{len(flood)} keys flooded, 0 reports"


# ---------------------------------------------------------------------------------------------
# The fault runs


def gate_no_display(args, workdir):
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env.update(ALSOFT_DRIVERS="null", ZL_GATE_RUN="short")
    program = Program(types.SimpleNamespace(program=args.program), env, workdir)
    try:
        code = program.wait_exit(10)
        expect(code == 1, f"no display gave exit code {code}")
    finally:
        program.kill()
    return "exit 1"


def gate_no_audio(args, workdir):
    """OpenAL Soft told, through its environment and through its configuration file, to use a
    backend that does not exist: no device opens, exit 111 before any window, and the message
    names the way to run without sound."""
    conf = os.path.join(workdir, "alsoft.conf")
    with open(conf, "w") as f:
        f.write("[general]\ndrivers=no-such-backend\n")
    cases = [("ALSOFT_DRIVERS", {"ALSOFT_DRIVERS": "no-such-backend"}),
             ("ALSOFT_CONF drivers=", {"ALSOFT_CONF": conf})]
    found = []
    with Xvfb() as xvfb:
        for name, audio in cases:
            env = {k: v for k, v in os.environ.items() if not k.startswith("ALSOFT_")}
            env.update(DISPLAY=xvfb.display, ZL_GATE_RUN="short", **audio)
            program = Program(types.SimpleNamespace(program=args.program), env, workdir)
            try:
                code = program.wait_exit(10)
                expect(code == 111, f"{name}: exit code {code}")
                expect("ALSOFT_DRIVERS=null" in program.stderr_text(),
                       f"{name}: the message does not name ALSOFT_DRIVERS=null")
                windows = subprocess.run(["xdotool", "search", "--name", "Zentrolux|Untitled"],
                                         env=env, capture_output=True, text=True).stdout.split()
                expect(not windows, f"{name}: a window was made")
            finally:
                program.kill()
            found.append(f"{name} 111")
    return ", ".join(found)


def gate_bad_option(args, workdir):
    """Window-library options freeglut rejects: exit 1 before any window, freeglut's reason on
    stderr, and the audio device closed before the end (no complaint from OpenAL Soft)."""
    found = []
    with Xvfb() as xvfb:
        for options in (["-geometry"], ["-direct", "-indirect"]):
            env = {k: v for k, v in os.environ.items() if not k.startswith("ALSOFT_")}
            env.update(DISPLAY=xvfb.display, ALSOFT_DRIVERS="null", ZL_GATE_RUN="short")
            program = Program(types.SimpleNamespace(program=args.program), env, workdir,
                              options)
            name = " ".join(options)
            try:
                code = program.wait_exit(10)
                stderr_text = program.stderr_text()
                expect(code == 1, f"{name}: exit code {code}")
                expect("freeglut" in stderr_text, f"{name}: no reason given")
                expect("AL lib" not in stderr_text, f"{name}: {stderr_text.strip()}")
            finally:
                program.kill()
            found.append(f"{name} 1")
    return ", ".join(found)


def gate_display_lost(args, workdir):
    """The X server ends during the long routine: exit 1, said on stderr, the audio device
    closed before the end."""
    run = Run(args, workdir, args.program, "long")
    try:
        reach_routine_unwatched(run.session, 0)
        run.xvfb.process.terminate()
        run.xvfb.process.wait(timeout=10)
        code = run.session.program.wait_exit(10)
        stderr_text = run.session.program.stderr_text()
    finally:
        run.__exit__(None, None, None)
    expect(code == 1, f"exit code {code}")
    expect("display was lost" in stderr_text, f"no reason given: {stderr_text.strip()}")
    expect("AL lib" not in stderr_text, stderr_text.strip())
    return "exit 1"


def answer_error_box(session, key):
    window = e2e.box_window(session.env, ERROR_TITLE, timeout=20)
    time.sleep(0.2)
    session.run(["xdotool", "windowfocus", window])
    session.run(["xdotool", "key", key])
    return window


def gate_error_yes(args, workdir):
    """Yes in the error box: the run goes on with the next statement and ends normally."""
    with Run(args, workdir, args.program, "error") as session:
        start_run(session)
        answer_error_box(session, "y")
        result = finish_normally(session, 60)
    return f"box answered Yes, {result}, exit 0"


def gate_error_no(args, workdir):
    """No in the error box: exit 0 at once, without the end prompt."""
    with Run(args, workdir, args.program, "error") as session:
        start_run(session)
        answer_error_box(session, "n")
        code, took = wait_exit_timed(session, 10)
        expect(code == 0, f"No gave exit code {code}")
        expect(took < CLOSE_LIMIT, f"No took {took:.2f} s to end the run")
    return f"exit 0 after {took:.3f} s"


def reach_counting(session):
    start_run(session)
    wait_counting(session)
    time.sleep(0.5)


def reach_routine_unwatched(session, run):
    """Without screenshots, which a busy machine makes slow: the key as soon as the window is
    there (a key queued before the banner's wait counts), then most of a second of the long
    routine, a little longer each run."""
    session.wait_window(30)
    time.sleep(0.3)
    session.key("space")
    time.sleep(0.6 + 0.1 * (run % 5))


def end_long_run(args, workdir, request, limit, reach=reach_counting):
    """One request during the long routine: exit 0 within the limit and nothing on stderr from
    the window or audio library. Returns the seconds it took from the request's delivery (the
    tool's own start-up, slow on a busy machine, left out)."""
    with Run(args, workdir, args.program, "long") as session:
        reach(session)
        expect(session.program.process.poll() is None, "the long routine ended early")
        request(session)
        started = time.monotonic()
        code = session.program.wait_exit(limit + 5)
        took = time.monotonic() - started
        found = complaints(session.program.stderr_text())
        expect(code == 0, f"exit code {code} {found}")
        expect(not found, f"exit 0, but {found}")
        expect(took < limit, f"ended {took:.3f} s after the request")
    return took


def end_long_runs(args, workdir, name, request):
    """The request once on a quiet machine, then again and again with the processors busy."""
    took = end_long_run(args, workdir, request, CLOSE_LIMIT)
    runs = BUSY_RUNS[name]
    failed, busy_took = [], []
    with BusyProcessors():
        for run in range(1, runs + 1):
            def reach(session, run=run):
                reach_routine_unwatched(session, run)
            try:
                busy_took.append(end_long_run(args, workdir, request, BUSY_CLOSE_LIMIT, reach))
            except Failure as failure:
                failed.append(f"run {run}: {failure}")
    expect(not failed, f"{len(failed)} of {runs} runs with the processors busy failed: "
                       + "; ".join(failed))
    return (f"exit 0 after {took:.3f} s; busy: {runs} runs, exit 0 after {min(busy_took):.3f}"
            f" to {max(busy_took):.3f} s")


def gate_close_button(args, workdir):
    """WM_DELETE_WINDOW, as a window manager's close button sends it, during a long routine."""
    return end_long_runs(args, workdir, "close_button", lambda session: session.close_window())


def gate_alt_f4(args, workdir):
    return end_long_runs(args, workdir, "alt_f4", lambda session: session.key("alt+F4"))


def gate_ctrl_break(args, workdir):
    return end_long_runs(args, workdir, "ctrl_break", lambda session: session.key("ctrl+Pause"))


def gate_pause_key(args, workdir):
    """Pause holds the run until a key, and that key is consumed: at the banner the wait goes
    on, and in the long routine the count stops and then, after Shift alone, moves again."""
    with Run(args, workdir, args.program, "long") as session:
        session.wait_window()
        banner = session.wait_for(is_banner, 20, what="the banner")
        e2e.pause_and_release(session, banner)
        session.key("space")
        wait_counting(session)
        session.key("Pause")
        time.sleep(0.5)
        # Paused, the screen stands still, so every digit reads.
        held = long_count(session.text_cells())
        time.sleep(1.0)
        still = long_count(session.text_cells())
        expect(held is not None and still == held, f"count moved while paused: {held} -> {still}")
        session.key("shift")
        moved = session.wait_for(lambda cells: count_text(cells) not in (None, str(held)), 5,
                                 what="the count to move on")
        expect(session.program.process.poll() is None, "the program ended")
        session.key("alt+F4")
        code = session.program.wait_exit(10)
        expect(code == 0, f"exit code {code}")
    return f"held at {held}, went on to {count_text(moved)}"


GATES = {
    "thread_check": gate_thread_check,
    "no_display": gate_no_display,
    "no_audio": gate_no_audio,
    "bad_option": gate_bad_option,
    "display_lost": gate_display_lost,
    "error_yes": gate_error_yes,
    "error_no": gate_error_no,
    "close_button": gate_close_button,
    "alt_f4": gate_alt_f4,
    "ctrl_break": gate_ctrl_break,
    "pause_key": gate_pause_key,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("gates", nargs="*", help=f"any of {', '.join(GATES)}; all when none")
    parser.add_argument("--program", required=True, help="release zl_gate_program")
    parser.add_argument("--tsan-program", help="zl_gate_program built with ThreadSanitizer")
    parser.add_argument("--cells", required=True)
    parser.add_argument("--close", required=True)
    parser.add_argument("--suppressions")
    args = parser.parse_args()
    # A terminated gate still ends its busy processes and the programs it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print(f"missing {tool}", file=sys.stderr)
            return 1
    names = args.gates or list(GATES)
    unknown = [name for name in names if name not in GATES]
    if unknown:
        print(f"unknown gates: {' '.join(unknown)}", file=sys.stderr)
        return 1
    if "thread_check" in names and not args.tsan_program:
        print("thread_check needs --tsan-program", file=sys.stderr)
        return 1
    failed = []
    for name in names:
        workdir = tempfile.mkdtemp(prefix=f"zl-gate-{name}-")
        started = time.monotonic()
        try:
            detail = GATES[name](args, workdir)
        except Failure as failure:
            print(f"FAIL {name}: {failure}", file=sys.stderr)
            stderr_path = os.path.join(workdir, "stderr.txt")
            if os.path.exists(stderr_path):
                print(open(stderr_path).read()[-4000:], file=sys.stderr)
            failed.append(name)
            continue
        shutil.rmtree(workdir, ignore_errors=True)
        print(f"PASS {name} ({time.monotonic() - started:.1f} s): {detail}", flush=True)
    if failed:
        print(f"FAILED: {' '.join(failed)}", file=sys.stderr)
    print(f"gates: {len(names) - len(failed)} passed, {len(failed)} failed", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
