"""The benchmark's figures as a Markdown table, ready for the README."""

import statistics

# Against xcopy of the help folder alone, and against a batch file doing all
# of the update's work, by workload.
XCOPY_BUDGETS = {"full": 0.90, "incremental": 1.50}
BATCH_BUDGETS = {"full": 0.45, "incremental": 0.35}
START_UP_BUDGET = 1.05
MEMORY_BUDGET = 1.05
SIZE_BUDGET_BYTES = 300 * 1024


def _median(samples):
    return statistics.median(samples) if samples else None


def _verdict(ratio, budget):
    if ratio is None:
        return "not measured"
    return "met" if ratio <= budget else "**missed**"


def _ratio(ours, peer):
    return ours / peer if ours is not None and peer else None


def _row(measure, ours, peer, ratio, budget, verdict):
    return "| %s | %s | %s | %s | %s | %s |" % (measure, ours, peer,
                                               "–" if ratio is None else "%.2f" % ratio,
                                               budget, verdict)


def _ms(samples):
    """The median, with the fastest and slowest run: on a shared machine the
    spread says how far the median can be trusted."""
    if not samples:
        return "–"
    return "%.0f ms (%.0f–%.0f)" % (_median(samples), min(samples), max(samples))


def _kb(value):
    return "–" if value is None else "%.0f KB" % (value / 1024)


COPY_MEASURES = {
    "full": "Full copy: 2,000 files of 100 KB in 20 nested folders, every installed one older "
            "(other bytes, size and time)",
    "incremental": "Incremental copy: the same, 90 % of the installed files already the media's "
                   "(same bytes, size and time), 10 % older",
}
XCOPY_SWITCHES = {"full": "/E /Y /I", "incremental": "/E /Y /I /D"}
NATIVE_CP = {"full": "cp -r", "incremental": "cp -r -u"}


def _budget(budget):
    return "≤ %.2f×" % budget


PEERS = {  # the measure's text after the workload's, by peer
    "xcopy": "(Quadrivo until its box / `xcopy %(x)s` of the help folder alone, until its end)",
    "batch": "against a batch file doing the update's work in one `cmd /c`: `xcopy %(x)s /Q` of "
             "the help folder, `copy /Y` of the executable, `rd /s /q` of the media's help "
             "folder, `del` of the media's executable (until its end)",
    "native": "against the same work without Wine, on the prefix's host folders: `%(cp)s` of the "
              "help folder, `cp` of the executable, `rm -rf` of the media's help folder, `rm` of "
              "the media's executable (the native floor)",
}


def copy_rows(copies):
    rows = []
    for name, times in copies.items():
        ours, xcopy = _median(times["quadrivo"]), _median(times["xcopy"])
        words = {"x": XCOPY_SWITCHES[name], "cp": NATIVE_CP[name]}
        budgets = {"xcopy": XCOPY_BUDGETS[name], "batch": BATCH_BUDGETS[name], "native": None}
        for peer, budget in budgets.items():
            ratio = _ratio(ours, _median(times[peer]))
            what = COPY_MEASURES[name] if peer == "xcopy" else "… %s copy" % name
            rows.append(_row("%s %s" % (what, PEERS[peer] % words), _ms(times["quadrivo"]),
                             _ms(times[peer]), ratio, _budget(budget) if budget else "",
                             _verdict(ratio, budget) if budget else "reported only"))
        kept = _median(times["media_kept"])
        rows.append(_row("… %s copy with the media's help files read-only, so that the update "
                         "leaves them (what removing them costs: %s), against `xcopy %s`"
                         % (name, "–" if kept is None or ours is None else
                            "%.0f ms" % (ours - kept), words["x"]),
                         _ms(times["media_kept"]), _ms(times["xcopy"]), _ratio(kept, xcopy),
                         "", "reported only"))
    return rows


def start_up_rows(times):
    ours = _median(times["quadrivo"])
    ratio = _ratio(ours, _median(times["minimal_manifest"]))
    return [
        _row("Start-up: nothing installed, until the box (Quadrivo / a program that only "
             "calls MessageBoxW, with Quadrivo.exe's manifest)", _ms(times["quadrivo"]),
             _ms(times["minimal_manifest"]), ratio, _budget(START_UP_BUDGET),
             _verdict(ratio, START_UP_BUDGET)),
        _row("… start-up against the same program without a manifest", _ms(times["quadrivo"]),
             _ms(times["minimal"]), _ratio(ours, _median(times["minimal"])), "",
             "reported only"),
    ]


def memory_rows(peaks):
    small, large = sorted(peaks)
    rows = []
    for key, label in (("working_set", "peak working set (GetProcessMemoryInfo)"),
                       ("pagefile", "peak pagefile usage (GetProcessMemoryInfo)"),
                       ("vm_hwm", "VmHWM of the Wine process (/proc)")):
        ours, peer = _median(peaks[large][key]), _median(peaks[small][key])
        ratio = _ratio(ours, peer)
        rows.append(_row("Memory, %s: update of %d files / of %d files" % (label, large, small),
                         _kb(ours), _kb(peer), ratio, "≤ %.2f×" % MEMORY_BUDGET,
                         _verdict(ratio, MEMORY_BUDGET)))
    return rows


def size_rows(sizes):
    rows = []
    for name, size in sizes.items():
        if size is None:
            rows.append(_row("Size of Quadrivo.exe (%s)" % name, "not built", "", None,
                             "≤ 300 KB, Windows' DLLs only", "not measured"))
            continue
        met = size["bytes"] <= SIZE_BUDGET_BYTES and not size["foreign"]
        rows.append(_row("Size of Quadrivo.exe (%s); imports %s" % (name, ", ".join(size["dlls"])),
                         "%.1f KB" % (size["bytes"] / 1024), "300 KB",
                         size["bytes"] / SIZE_BUDGET_BYTES, "≤ 300 KB, Windows' DLLs only",
                         "met" if met else "**missed**"))
    return rows


def markdown(copy, start_up, memory, sizes, runs, start_up_runs, memory_runs, loads):
    """loads: the 1-minute load average at the start and at the end."""
    lines = ["Medians of %d runs per side (start-up: %d; fastest–slowest in brackets; memory: "
             "%d runs per case), each side taking every place in the order in turn. Load average (1 min) at the start "
             "%.2f, at the end %.2f." % ((runs, start_up_runs, memory_runs) + tuple(loads)), "",
             "| Measure | Quadrivo | Peer | Ratio | Budget | Result |",
             "|---|---:|---:|---:|---|---|",
             ] + copy_rows(copy) + start_up_rows(start_up)
    lines += memory_rows(memory) + size_rows(sizes)
    return "\n".join(lines)
