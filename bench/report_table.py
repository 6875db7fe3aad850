"""The benchmark's figures as a Markdown table, ready for the README."""

import statistics

COPY_BUDGET = 1.0
START_UP_BUDGET = 1.15
MEMORY_BUDGET = 1.1
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
            "(other bytes, size and time) (Quadrivo until its box / `xcopy /E /Y /I` until its end)",
    "incremental": "Incremental copy: the same, 90 % of the installed files already the media's "
                   "(same bytes, size and time), 10 % older (Quadrivo until its box / "
                   "`xcopy /E /Y /I /D` until its end)",
}


def copy_rows(copies):
    rows = []
    for name, times in copies.items():
        ours, peer = _median(times["quadrivo"]), _median(times["xcopy"])
        ratio = _ratio(ours, peer)
        rows.append(_row(COPY_MEASURES[name], _ms(times["quadrivo"]), _ms(times["xcopy"]), ratio,
                         "≤ %.2f×" % COPY_BUDGET, _verdict(ratio, COPY_BUDGET)))
        kept = _median(times["media_kept"])
        rows.append(_row("… %s copy with the media's help files read-only, so that the update "
                         "leaves them (what removing them costs: %s)"
                         % (name, "–" if kept is None or ours is None else
                            "%.0f ms" % (ours - kept)),
                         _ms(times["media_kept"]), _ms(times["xcopy"]), _ratio(kept, peer),
                         "", "for comparison"))
    return rows


def start_up_row(times):
    ours, peer = _median(times["quadrivo"]), _median(times["minimal"])
    ratio = _ratio(ours, peer)
    return _row("Start-up: nothing installed, until the box (Quadrivo / a program that only "
                "calls MessageBoxW)", _ms(times["quadrivo"]), _ms(times["minimal"]), ratio,
                "≤ %.2f×" % START_UP_BUDGET, _verdict(ratio, START_UP_BUDGET))


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
             "%d runs per case), sides alternated run by run. Load average (1 min) at the start "
             "%.2f, at the end %.2f." % ((runs, start_up_runs, memory_runs) + tuple(loads)), "",
             "| Measure | Quadrivo | Peer | Ratio | Budget | Result |",
             "|---|---:|---:|---:|---|---|",
             ] + copy_rows(copy) + [start_up_row(start_up)]
    lines += memory_rows(memory) + size_rows(sizes)
    return "\n".join(lines)
