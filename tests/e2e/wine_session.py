"""A throwaway Wine prefix with its own X display, shared by the scenarios of
one test run: made once by `setup`, used by every scenario, removed by
`teardown`. Drive D: of the prefix is a host folder that holds the update
media, so that paths read exactly as on a disc."""

import json
import os
import shutil
import signal
import subprocess
import time

# A 64-bit prefix, which runs 32-bit programs too where Wine's 32-bit side
# is installed, whichever loader makes it.
QUIET_WINE = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml=", "WINEARCH": "win64"}
WINESERVER_LINGER_S = 120
# Wine's 64-bit loader, by name: with Wine's 32-bit side installed, "wine" is
# the 32-bit one (it hands 64-bit programs on, but starts Wine's own tools as
# 32-bit programs).
WINE64 = "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine"


def _hex(text):
    return text.encode("utf-8").hex()


def host_to_windows(path):
    """A host path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class WineSession:
    def __init__(self, state_dir):
        self.state_dir = os.path.abspath(state_dir)
        self.prefix = os.path.join(self.state_dir, "prefix")
        self.media = os.path.join(self.state_dir, "media")
        self.work = os.path.join(self.state_dir, "work")
        self.state_file = os.path.join(self.state_dir, "session.json")

    # -- environment -----------------------------------------------------

    def env(self):
        env = dict(os.environ, WINEPREFIX=self.prefix, **QUIET_WINE)
        if os.path.exists(self.state_file):
            with open(self.state_file) as f:
                env["DISPLAY"] = ":" + str(json.load(f)["display"])
        return env

    def log(self):
        """Where Wine's own output goes. Never a pipe: Wine leaves helper
        processes running that would hold a pipe, and whoever reads it, open."""
        return open(os.path.join(self.work, "wine.log"), "ab")

    def wine(self, args, timeout=120, check=True, loader="wine"):
        with self.log() as log:
            return subprocess.run([loader] + args, env=self.env(), timeout=timeout, check=check,
                                  stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    # -- life cycle ------------------------------------------------------

    def setup(self):
        self.teardown()  # whatever an interrupted run left behind
        os.makedirs(self.media)
        os.makedirs(self.work)
        os.makedirs(self.prefix)
        display, xvfb_pid = _start_xvfb()
        with open(self.state_file, "w") as f:
            json.dump({"display": display, "xvfb_pid": xvfb_pid}, f)
        # A lingering server keeps every later start of a program cheap.
        with self.log() as log:
            subprocess.run(["wineserver", "-p%d" % WINESERVER_LINGER_S], env=self.env(),
                           check=True, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
            subprocess.run(["wineboot", "-i"], env=self.env(), check=True, timeout=300,
                           stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        drive_d = os.path.join(self.prefix, "dosdevices", "d:")
        if os.path.lexists(drive_d):
            os.remove(drive_d)
        os.symlink(self.media, drive_d)

    def teardown(self):
        if os.path.isdir(self.prefix):
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=self.prefix),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            _wait_for_wineserver_gone(self.prefix)
        if os.path.exists(self.state_file):
            with open(self.state_file) as f:
                _stop_xvfb(json.load(f)["xvfb_pid"])
        if os.path.isdir(self.state_dir):
            make_writable(self.state_dir)
            shutil.rmtree(self.state_dir)

    # -- paths -----------------------------------------------------------

    def host_path(self, windows_path):
        """Where a path of the prefix lies on the host: C: and D: as made by
        setup, any other drive as its dosdevices entry maps it."""
        drive, rest = windows_path[:2].upper(), windows_path[2:].lstrip("\\")
        roots = {"C:": os.path.join(self.prefix, "drive_c"), "D:": self.media}
        root = roots.get(drive) or os.path.join(self.prefix, "dosdevices", drive.lower())
        return os.path.join(root, *[p for p in rest.split("\\") if p])

    # -- registry --------------------------------------------------------

    def import_registry(self, reg_text):
        path = os.path.join(self.work, "scenario.reg")
        with open(path, "wb") as f:
            f.write(b"\xff\xfe" + reg_text.replace("\n", "\r\n").encode("utf-16-le"))
        # The 64-bit regedit, which writes the Wow6432Node keys where they
        # are named: with Wine's 32-bit side installed, "wine" is the 32-bit
        # loader, whose regedit would put them one Wow6432Node deeper.
        # Wine now and then fails to start a process at all; once more then.
        command = ["regedit", "/S", host_to_windows(path)]
        if self.wine(command, check=False, loader=WINE64).returncode != 0:
            self.wine(command, loader=WINE64)

    # -- programs --------------------------------------------------------

    def run_answered(self, launcher, program, command_line, current_folder, timeout_ms=30000,
                     report_name="report.json"):
        """Runs the program through the launcher; the launcher's report. Runs
        at the same time need report names of their own."""
        report = os.path.join(self.work, report_name)
        if os.path.exists(report):
            os.remove(report)
        args = [launcher, "run", _hex(host_to_windows(program)), _hex(command_line),
                _hex(current_folder), _hex(host_to_windows(report)), str(timeout_ms)]
        done = self.wine(args, timeout=timeout_ms / 1000 + 30, check=False)
        if done.returncode != 0 or not os.path.exists(report):
            raise RuntimeError("launcher failed with status %d (Wine's output is in %s)"
                               % (done.returncode, os.path.join(self.work, "wine.log")))
        with open(report, encoding="utf-8") as f:
            return json.load(f)

    def run_killed(self, launcher, program, command_line, current_folder, kill_after_ms,
                   kill_when=None):
        """Runs the program through the launcher and kills it (SIGKILL to its
        host process, as a crash or Task Manager ends it) kill_after_ms after
        the start, or as soon as kill_when() says so, unless it ended first.
        The launcher's report, with "killed" telling whether the kill struck.
        Wine's TerminateProcess is not used: it may let the program run on
        until its next call into Wine's server, long after the moment
        chosen."""
        report = os.path.join(self.work, "report.json")
        if os.path.exists(report):
            os.remove(report)
        args = [launcher, "run", _hex(host_to_windows(program)), _hex(command_line),
                _hex(current_folder), _hex(host_to_windows(report)), "30000"]
        with self.log() as log:
            started = subprocess.Popen(["wine"] + args, env=self.env(), stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=log)
        deadline = time.monotonic() + kill_after_ms / 1000
        while kill_when is not None and time.monotonic() < deadline and started.poll() is None:
            if kill_when():
                break
            time.sleep(0.001)
        time.sleep(max(0.0, deadline - time.monotonic()) if kill_when is None else 0)
        killed = _kill_host_processes(self.prefix, os.path.basename(program))
        if started.wait(timeout=60) != 0 or not os.path.exists(report):
            raise RuntimeError("launcher failed (Wine's output is in %s)"
                               % os.path.join(self.work, "wine.log"))
        with open(report, encoding="utf-8") as f:
            result = json.load(f)
        result["killed"] = killed and not result["boxes"]
        return result

    def hold_file(self, launcher, windows_path):
        return HeldFile(self, launcher, windows_path)


class HeldFile:
    """A file of the prefix kept open without sharing for the time of a with."""

    def __init__(self, session, launcher, windows_path):
        self.session = session
        self.ready = os.path.join(session.work, "held.ready")
        self.release = os.path.join(session.work, "held.release")
        self.args = [launcher, "hold", _hex(windows_path), _hex(host_to_windows(self.ready)),
                     _hex(host_to_windows(self.release))]
        self.process = None

    def __enter__(self):
        for marker in (self.ready, self.release):
            if os.path.exists(marker):
                os.remove(marker)
        with self.session.log() as log:
            self.process = subprocess.Popen(["wine"] + self.args, env=self.session.env(),
                                            stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        deadline = time.monotonic() + 30
        while not os.path.exists(self.ready) or os.path.getsize(self.ready) == 0:
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.__exit__(None, None, None)
                raise RuntimeError("the file could not be held open")
            time.sleep(0.05)
        with open(self.ready) as f:
            state = f.read()
        if state != "held":
            self.__exit__(None, None, None)
            raise RuntimeError("holding the file failed: " + state)
        return self

    def __exit__(self, *exc):
        open(self.release, "w").close()
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        return False


def _kill_host_processes(prefix, program_name):
    """SIGKILL to every host process of this prefix running the program;
    whether there was one."""
    killed = False
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                command = f.read()
            with open("/proc/%s/environ" % pid, "rb") as f:
                environment = f.read().split(b"\0")
        except OSError:
            continue
        if (program_name.encode() in command
                and ("WINEPREFIX=" + prefix).encode() in environment):
            try:
                os.kill(int(pid), signal.SIGKILL)
                killed = True
            except ProcessLookupError:
                pass
    return killed


def _start_xvfb():
    read_end, write_end = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", "1024x768x24"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        display = f.readline().strip()
    if not display:
        process.kill()
        raise RuntimeError("Xvfb did not start")
    return int(display), process.pid


def _stop_xvfb(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            if not f.read().startswith(b"Xvfb"):
                return  # the pid now belongs to someone else
        os.kill(pid, signal.SIGTERM)
    except (FileNotFoundError, ProcessLookupError):
        return
    for _ in range(100):
        if not os.path.exists("/proc/%d" % pid):
            return
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)


def _wait_for_wineserver_gone(prefix):
    """wineserver -k returns before the server has let go of the prefix."""
    subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=prefix), timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_writable(root):
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            if not os.path.islink(path):
                os.chmod(path, os.stat(path).st_mode | 0o200)
