"""The runs of the benchmark inside one Wine session: a program until its box
(the end-to-end launcher times it), a program to its end and a program's
memory while its box is up (the benchmark's own runner), and the registry
state each measure needs."""

import json
import os
import subprocess
import sys
import time

from wine_session import host_to_windows
from workload import INSTALL_FOLDER, PROGRAM

BRIVANTA_KEY = "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Brivanta\\" + PROGRAM
TIMEOUT_MS = 600000


def _hex(text):
    return text.encode("utf-8").hex()


class BenchSession:
    def __init__(self, session, build):
        self.session = session
        self.quadrivo = os.path.join(build, "Quadrivo.exe")
        self.minimal_box = os.path.join(build, "minimal_box.exe")
        self.minimal_box_manifest = os.path.join(build, "minimal_box_manifest.exe")
        self.launcher = os.path.join(build, "bench_launcher.exe")
        self.runner = os.path.join(build, "bench_runner.exe")
        self.failures = []
        self._started = time.monotonic()
        self._desktop_holder = None
        self._desktop_release = os.path.join(session.work, "desktop.release")

    # -- the desktop -------------------------------------------------------

    def hold_desktop(self):
        """Keeps Wine's desktop up from here to release_desktop, so that no
        measured run pays for starting it (see bench/runner/keep_desktop.h)."""
        if os.path.exists(self._desktop_release):
            os.remove(self._desktop_release)
        args = ["wine", self.runner, "keep-desktop", _hex(host_to_windows(self._desktop_release)),
                str(3 * 3600 * 1000)]
        with self.session.log() as log:
            self._desktop_holder = subprocess.Popen(args, env=self.session.env(),
                                                    stdin=subprocess.DEVNULL, stdout=log,
                                                    stderr=log)
        # A box shown once brings the desktop fully up before anything is timed.
        self.until_box(self.minimal_box, "")

    def release_desktop(self):
        if self._desktop_holder is None:
            return
        open(self._desktop_release, "w").close()
        try:
            self._desktop_holder.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self._desktop_holder.kill()
            self._desktop_holder.wait()
        self._desktop_holder = None

    # -- bookkeeping -------------------------------------------------------

    def expect(self, condition, failure):
        if not condition:
            self.failures.append(failure)
            self.progress("FAILED: " + failure)

    def progress(self, text):
        """A line on stderr, with the seconds since the session began: where
        a slow benchmark spends its time shows at a glance."""
        print("  %5.0f s  %s" % (time.monotonic() - self._started, text), file=sys.stderr,
              flush=True)

    def register_installation(self, installed):
        """Lindarex registered in C:\\Lindarex, or registered nowhere."""
        lines = ["Windows Registry Editor Version 5.00", "", "[-%s]" % BRIVANTA_KEY, ""]
        if installed:
            folder = INSTALL_FOLDER.replace("\\", "\\\\")
            lines += ["[%s]" % BRIVANTA_KEY, '"Directory"="%s"' % folder, ""]
        self.session.import_registry("\n".join(lines) + "\n")

    # -- runs --------------------------------------------------------------

    def until_box(self, program, argument):
        line = '"%s" %s' % (host_to_windows(program), argument)
        return self.session.run_answered(self.launcher, program, line, "C:\\", TIMEOUT_MS)

    def quadrivo_until_box(self, argument):
        return self.until_box(self.quadrivo, argument)

    def run_to_end(self, program, command_line):
        """program is a Windows path; the runner's report."""
        return self._run_runner("to-end", program, command_line, [])

    def memory_while_boxed(self, argument):
        """The runner's report of Quadrivo's memory while its box is up, with
        vm_hwm: the peak resident size Linux counted for the same process."""
        boxed = os.path.join(self.session.work, "boxed.marker")
        release = os.path.join(self.session.work, "release.marker")
        for marker in (boxed, release):
            if os.path.exists(marker):
                os.remove(marker)
        line = '"%s" %s' % (host_to_windows(self.quadrivo), argument)
        markers = [host_to_windows(boxed), host_to_windows(release)]
        vm_hwm = []

        def while_boxed():
            vm_hwm.append(self._linux_peak_of(self.quadrivo))
            open(release, "w").close()

        report = self._run_runner("memory", host_to_windows(self.quadrivo), line, markers,
                                  boxed, while_boxed)
        report["vm_hwm"] = vm_hwm[0] if vm_hwm else None
        return report

    def _run_runner(self, mode, program, command_line, extra, marker=None, on_marker=None):
        report = os.path.join(self.session.work, "runner.json")
        if os.path.exists(report):
            os.remove(report)
        args = ["wine", self.runner, mode, _hex(program), _hex(command_line), _hex("C:\\"),
                _hex(host_to_windows(report)), str(TIMEOUT_MS)] + [_hex(m) for m in extra]
        with self.session.log() as log:
            process = subprocess.Popen(args, env=self.session.env(), stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=log)
            while marker and process.poll() is None and not _has_content(marker):
                time.sleep(0.01)
            if marker and _has_content(marker):
                on_marker()
            status = process.wait(timeout=TIMEOUT_MS / 1000 + 30)
        if status != 0 or not os.path.exists(report):
            raise RuntimeError("the runner failed with status %d (Wine's output is in %s)"
                               % (status, os.path.join(self.session.work, "wine.log")))
        with open(report, encoding="utf-8") as f:
            return json.load(f)

    def _linux_peak_of(self, program):
        """VmHWM in bytes of the process of this prefix running the program;
        None when there is no single such process."""
        name = os.path.basename(program).encode()
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if name not in f.read():
                        continue
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if b"WINEPREFIX=" + self.session.prefix.encode() + b"\0" not in f.read():
                        continue
                with open("/proc/%s/status" % pid) as f:
                    for line in f:
                        if line.startswith("VmHWM:"):
                            found.append(int(line.split()[1]) * 1024)
            except OSError:
                continue
        return found[0] if len(found) == 1 else None


def _has_content(path):
    return os.path.exists(path) and os.path.getsize(path) > 0
