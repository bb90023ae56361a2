# The results page from the benchmark programs' JSON output: docs/performance.md (machine, build,
# targets, every line as a ratio to lcdjson, the request path, aarch64 instruction counts) and its
# bar chart.
"""Writes the results page of codec_bench and path_bench from their JSON output.

    report.py --build build-bench --page docs/performance.md [--aarch64 counts.json] \
        codec.json path.json

The tables also go to standard output. Exits with 1 when a benchmark reported an error.
"""

import argparse
import json
import os
import platform
import re
import subprocess
import sys

# Decode cases and their lines, in the order of the tables: the compact form the controller sends,
# then the pretty-printed form data/ stores (the same cases prefixed pretty_).
DECODE_CASES = ["screens_2", "screens_32", "screens_512x16", "interface_11", "auto_report"]
PRETTY_CASES = ["pretty_" + case for case in DECODE_CASES]
ENCODE_CASES = ["encode_1", "encode_100", "encode_10000", "write_str_ascii", "write_str_mixed"]
PATH_CASES = ["get_colorspace", "interface_info"]

CASE_TEXT = {
    "screens_2": "screen answer, 2 screens",
    "screens_32": "screen answer, 32 screens",
    "screens_512x16": "screen answer, 512 screens of 16 outputs",
    "interface_11": "interface answer, 11 interfaces",
    "auto_report": "auto-report and its body",
    "pretty_screens_2": "screen answer, 2 screens, pretty-printed",
    "pretty_screens_32": "screen answer, 32 screens, pretty-printed",
    "pretty_screens_512x16": "screen answer, 512 screens of 16 outputs, pretty-printed",
    "pretty_interface_11": "interface answer, 11 interfaces, pretty-printed",
    "pretty_auto_report": "auto-report and its body, pretty-printed",
    "encode_1": "encode 1 colour space record",
    "encode_100": "encode 100 colour space records",
    "encode_10000": "encode 10,000 colour space records",
    "write_str_ascii": "write_str, 1 KiB of ASCII",
    "write_str_mixed": "write_str, 1 KiB of ASCII and Chinese",
    "get_colorspace": "get-colorspace: event 0xFC050206 to event 0xFC070204",
    "interface_info": "interface-info: command 0xFC050201 to its 108-byte reply",
}

# Cold decodes: the caches evicted before each one (codec_bench's cold_ cases).
COLD_CASES = ["cold_screens_2", "cold_screens_32", "cold_interface_11", "cold_auto_report"]

# (implementation, what it is, least ratio of its time to lcdjson's: a number, or by case with
# "*" for the others (a case's form prefix aside), or None for a reference)
DECODE_LINES = [
    ("lcdjson", "lcdjson typed decode", None),
    ("rapidjson_dom_map", "RapidJSON DOM (in situ) + mapping", {"*": 3.0, "auto_report": 2.5}),
    ("simdjson_ondemand_map", "simdjson On-Demand + mapping", {"*": 2.0, "auto_report": 1.2}),
    ("nlohmann_map", "nlohmann/json + mapping", 10.0),
    ("rapidjson_parse", "RapidJSON bare DOM parse", 1.5),
    ("simdjson_dom_parse", "simdjson DOM parse only", None),
    ("nlohmann_parse", "nlohmann/json parse only", None),
    ("memcpy", "memcpy of the text", None),
]
COLD_LINES = [
    ("lcdjson", "lcdjson typed decode", None),
    ("simdjson_ondemand_map", "simdjson On-Demand + mapping", {"*": 1.3, "auto_report": None}),
    ("rapidjson_dom_map", "RapidJSON DOM (in situ) + mapping", None),
]
# The first decode of a screen and an interface answer in a process, on a small core's caches.
FIRST_DECODE_INSTRUCTIONS = 400000
FIRST_DECODE_I1_MISSES = 5000
PLUGIN_TEXT_BUDGET = 256000  # bytes, as tests/frame holds every build to
ENCODE_LINES = [
    ("lcdjson", "lcdjson encode / lite_write::write_str", None),
    ("rapidjson_writer", "RapidJSON Writer", 2.0),
]
PATH_TARGET_US = 15.0  # p50 above raw libcurl's
PATH_P99_TARGET_US = 40.0  # p99 above raw libcurl's
STALL_COUNTER = "stalls_40ms"


def load(paths):
    """Median (or single-run) results by (case, implementation), the contexts, and errors."""
    results, contexts, errors = {}, [], []
    for path in paths:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        contexts.append(data.get("context", {}))
        for b in data.get("benchmarks", []):
            name = b.get("run_name", b["name"])
            if name.endswith("/manual_time"):
                # A cold decode times itself: its cpu time holds the cache eviction too.
                b = dict(b, cpu_time=b["real_time"])
            name = re.sub(r"(/iterations:\d+)?/(real|manual)_time$", "", name)
            if b.get("error_occurred"):
                errors.append("%s: %s" % (name, b.get("error_message", "error")))
                continue
            median = b.get("run_type") == "aggregate" and b.get("aggregate_name") == "median"
            single = b.get("run_type") == "iteration" and b.get("repetitions", 1) <= 1
            mean = b.get("run_type") == "aggregate" and b.get("aggregate_name") == "mean"
            if "/" not in name:
                continue
            case, implementation = name.split("/", 1)
            key = (case, implementation)
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") == "cv":
                results.setdefault(key, {})["cv"] = b["cpu_time"]
            if mean:
                # Any stall in any repetition shows in the mean.
                results.setdefault(key, {})["stalls_any"] = b.get(STALL_COUNTER, 0) > 0
            if median or single:
                entry = results.setdefault(key, {})
                entry.update(b)
                entry["repetitions"] = b.get("repetitions", 1)
    return results, contexts, errors


def nanoseconds(entry, real=False):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[entry.get("time_unit", "ns")]
    return entry["real_time" if real else "cpu_time"] * scale


def duration(ns):
    if ns < 1e3:
        return "%.0f ns" % ns
    if ns < 1e6:
        return "%.2f µs" % (ns / 1e3)
    return "%.2f ms" % (ns / 1e6)


def rate(entry):
    value = entry.get("bytes_per_second")
    return "%.0f MB/s" % (value / 1e6) if value else "-"


def per_record(entry):
    records = entry.get("records")
    return duration(nanoseconds(entry) / records) if records else "-"


def count(entry, name):
    value = entry.get(name)
    return "-" if value is None else "%.0f" % value


def target_of(least, case):
    """The least ratio a line must reach in a case, or None."""
    if not isinstance(least, dict):
        return least
    plain = re.sub(r"^(pretty|cold)_", "", case)
    return least.get(plain, least.get("*"))


def verdict(ratio, least):
    return "%.2f %s" % (ratio, "met" if ratio >= least else "**missed**")


def codec_rows(results, cases, lines):
    """Markdown rows of every line of the cases, with ratios to lcdjson and targets."""
    rows = []
    for case in cases:
        base = results.get((case, "lcdjson"))
        for implementation, text, least in lines:
            entry = results.get((case, implementation))
            least = target_of(least, case)
            if entry is None:
                continue
            ratio = nanoseconds(entry) / nanoseconds(base) if base else None
            target = "-" if least is None else "≥ %g" % least
            shown = "-" if ratio is None else "%.2f" % ratio
            if least is not None and ratio is not None:
                shown = verdict(ratio, least)
            rows.append("| %s | %s | %s | %s | %s | %s | %s | %s |" % (
                case, text, duration(nanoseconds(entry)), per_record(entry), rate(entry),
                count(entry, "heap_blocks"), shown, target))
    return rows


def target_table(results, cases, lines, header):
    """One row per target, one column per case: the ratio and whether it is met."""
    rows = ["| %s | " % header + " | ".join(cases) + " |", "|---" * (len(cases) + 1) + "|"]
    for implementation, text, least in lines:
        if least is None:
            continue
        cells = []
        for case in cases:
            base, entry = results.get((case, "lcdjson")), results.get((case, implementation))
            target = target_of(least, case)
            if not base or not entry:
                cells.append("-")
            elif target is None:
                cells.append("%.2f" % (nanoseconds(entry) / nanoseconds(base)))
            else:
                cells.append(verdict(nanoseconds(entry) / nanoseconds(base), target) +
                             ("" if target == target_of(least, "*") else " (≥ %g)" % target))
        rows.append("| %s, %g× | %s |" % (text, target_of(least, "*"), " | ".join(cells)))
    return rows


def count_rows(path):
    """Instructions per byte of one decode (and their ratio to lcdjson's) on aarch64 and on
    x86-64, by case and implementation; the tools that counted them; and the lookup."""
    if not path or not os.path.exists(path):
        return [], "", {}
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    counts = {(c["case"], c["implementation"]): c for c in data.get("counts", [])}
    cases = [case for case in DECODE_CASES if any(k[0] == case for k in counts)]
    names = [(i, t) for i, t, _ in DECODE_LINES if any(k[1] == i for k in counts)]
    rows = ["| implementation | architecture | " + " | ".join(cases) + " |",
            "|---" * (len(cases) + 2) + "|"]
    for implementation, text in names:
        for key, architecture in (("instructions", "aarch64"), ("x86_64", "x86-64")):
            cells = []
            for case in cases:
                entry, base = counts.get((case, implementation)), counts.get((case, "lcdjson"))
                if not entry or key not in entry:
                    cells.append("-")
                    continue
                cell = "%.2f" % (entry[key] / entry["bytes"])
                if base and implementation != "lcdjson":
                    cell += " (%.2f×)" % (entry[key] / base[key])
                cells.append(cell)
            rows.append("| %s | %s | %s |" % (text, architecture, " | ".join(cells)))
    tools = "%s; %s; %s" % (data.get("emulator", "?"), data.get("compiler", "?"),
                            data.get("callgrind", "?"))
    return rows, tools, counts


def first_decode_rows(path):
    """The first decodes in a process on a small core's caches, and the plugin's code size, from
    bench/count's output."""
    if not path or not os.path.exists(path):
        return ["| - | - | - | - | - |"], ["| - | - | - |"], "no counts in this run"
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    texts = {i: t for i, t, _ in DECODE_LINES}
    firsts = []
    for entry in data.get("first_decodes", []):
        instructions, misses = entry["instructions"], entry["i1_misses"]
        if entry["implementation"] == "lcdjson":
            instructions = "%d (%s)" % (instructions, "met" if instructions <=
                                        FIRST_DECODE_INSTRUCTIONS else "**missed**")
            misses = "%d (%s)" % (misses, "met" if misses <= FIRST_DECODE_I1_MISSES
                                  else "**missed**")
        firsts.append("| %s | %s | %s | %d | %d |" % (
            texts.get(entry["implementation"], entry["implementation"]), instructions, misses,
            entry["d1_misses"], entry["ll_misses"]))
    sizes = ["| %s | %d | %s |" % (arch, size, "within" if size <= PLUGIN_TEXT_BUDGET
                                    else "**over**")
             for arch, size in sorted(data.get("plugin_text", {}).items())]
    return firsts, sizes, data.get("caches", "?")


def missed_lines(results, counts):
    """For each decode target missed on the compact answers, warm or cold: where, by how much,
    and the instruction counts of the two decodes."""
    lines = []
    for cases, decode_lines in ((DECODE_CASES, DECODE_LINES), (COLD_CASES, COLD_LINES)):
        for implementation, text, least in decode_lines:
            for case in cases:
                line = missed_line(results, counts, case, implementation, text,
                                   target_of(least, case))
                if line:
                    lines.append(line)
    return lines or ["- none: every decode target is met in this run."]


def missed_line(results, counts, case, implementation, text, least):
    """The line of one missed target, or None when it is met (or has none)."""
    base, entry = results.get((case, "lcdjson")), results.get((case, implementation))
    if least is None or not base or not entry:
        return None
    ratio = nanoseconds(entry) / nanoseconds(base)
    if ratio >= least:
        return None
    line = "- %s, %s: %.2f (target %g)" % (case, text, ratio, least)
    ours, theirs = counts.get((case, "lcdjson")), counts.get((case, implementation))
    if ours and theirs and "x86_64" in ours and "x86_64" in theirs:
        line += "; instructions per decode, x86-64: lcdjson %d, %s %d (%.2f×)" % (
            ours["x86_64"], implementation, theirs["x86_64"],
            theirs["x86_64"] / ours["x86_64"])
    if "cv" in base and "cv" in entry:
        # A wide spread marks a run the machine disturbed rather than a slower decode.
        line += "; spread of the repetitions (coefficient of variation): lcdjson %.0f %%, " \
                "%s %.0f %%" % (100 * base["cv"], implementation, 100 * entry["cv"])
    return line


def path_rows(results):
    rows = []
    for case in PATH_CASES:
        ours, raw = results.get((case, "path")), results.get((case, "libcurl"))
        if not ours or not raw:
            continue
        difference = ours["p50_us"] - raw["p50_us"]
        tail = ours["p99_us"] - raw["p99_us"]
        stalls = int(round(ours.get(STALL_COUNTER, 0) + raw.get(STALL_COUNTER, 0)))
        any_stall = ours.get("stalls_any") or raw.get("stalls_any")
        rows.append("| %s | %.1f µs | %.1f µs | %+.1f µs (%s) | %.2f | %.1f µs | %.1f µs | "
                    "%+.1f µs (%s) | %s |" % (
                        CASE_TEXT[case], ours["p50_us"], raw["p50_us"], difference,
                        "met" if difference <= PATH_TARGET_US else "**missed**",
                        ours["p50_us"] / raw["p50_us"], ours["p99_us"], raw["p99_us"], tail,
                        "met" if tail <= PATH_P99_TARGET_US else "**missed**",
                        "%d%s" % (stalls, " (**failed**)" if stalls or any_stall else "")))
    return rows


def path_count_rows(path):
    """Instructions per message in the benchmark's own process, the path's and raw libcurl's."""
    if not path or not os.path.exists(path):
        return ["| - | - | - | - |"]
    with open(path, encoding="utf-8") as f:
        counts = {m["message"]: m["instructions"] for m in json.load(f).get("messages", [])}
    rows = []
    for message in ("get-colorspace", "interface-info"):
        ours, raw = counts.get(message), counts.get("libcurl-" + message)
        if ours is None or raw is None:
            continue
        rows.append("| %s | %d | %d | %+d |" % (message, ours, raw, ours - raw))
    return rows


def run(command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=False).stdout
    except OSError:
        return ""


def cache_value(build, name):
    try:
        with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as f:
            for line in f:
                if line.startswith(name + ":"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    return ""


def machine_lines(build, contexts, results):
    context = contexts[0] if contexts else {}
    model = ""
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            model = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")), "")
    except OSError:
        pass
    compiler = cache_value(build, "CMAKE_CXX_COMPILER")
    version = run([compiler, "--version"]).splitlines()[:1] if compiler else []
    build_type = cache_value(build, "CMAKE_BUILD_TYPE")
    flags = " ".join(v for v in (
        cache_value(build, "CMAKE_CXX_FLAGS"),
        cache_value(build, "CMAKE_CXX_FLAGS_" + build_type.upper())) if v)
    packages = run(["dpkg-query", "-W", "-f", "${Package} ${Version}\\n", "rapidjson-dev",
                    "libsimdjson-dev", "nlohmann-json3-dev", "libbenchmark-dev", "libcurl4"])
    loads = context.get("load_avg", [])
    here = os.path.dirname(os.path.abspath(__file__))
    commit = run(["git", "-C", here, "rev-parse", "--short", "HEAD"]).strip() or "?"
    changed = [l[3:] for l in run(["git", "-C", here, "status", "--porcelain", "--",
                                   "../src", "../platform"]).splitlines()]
    return [
        "- machine: %s, %s CPUs at %s MHz, %s, Linux %s; load average at the start %s" % (
            model or platform.machine(), context.get("num_cpus", "?"),
            context.get("mhz_per_cpu", "?"), platform.machine(), platform.release(),
            ", ".join("%.1f" % l for l in loads) or "?"),
        "- compiler: %s, %s build, flags `%s` (and C++17)" % (
            version[0] if version else compiler or "?", build_type or "?", flags or "none"),
        "- libraries: %s" % (", ".join(dict.fromkeys(packages.splitlines())) or "?"),
        "- source: commit %s%s" % (commit, ", with uncommitted changes to " +
                                   ", ".join("`%s`" % c for c in changed) if changed else ""),
        "- run: %s; %s repetitions of each benchmark, interleaved; every figure is the median" % (
            context.get("date", "?"), next(iter(
                e["repetitions"] for e in results.values() if "repetitions" in e), "?")),
    ]


def draw_ratios(axes, results, cases, lines, title):
    """Grouped bars of each line's time / lcdjson's per case, a dash at each line's target."""
    peers = [(i, t, least) for i, t, least in lines if i != "lcdjson"]
    width = 0.8 / len(peers)
    highest = 2.0
    for index, (implementation, text, least) in enumerate(peers):
        xs, ys, targets = [], [], []
        for position, case in enumerate(cases):
            base, entry = results.get((case, "lcdjson")), results.get((case, implementation))
            if base and entry:
                xs.append(position - 0.4 + width * (index + 0.5))
                ys.append(nanoseconds(entry) / nanoseconds(base))
                if target_of(least, case) is not None:
                    targets.append((xs[-1], target_of(least, case)))
        if not xs:
            continue
        highest = max([highest] + [t for _, t in targets] + ys)
        shown = target_of(least, "*")
        label = text if shown is None else "%s (target ≥ %g)" % (text, shown)
        axes.bar(xs, ys, width, label=label)
        if targets:
            axes.scatter([x for x, _ in targets], [t for _, t in targets], marker="_", s=120,
                         color="black", zorder=3)
    axes.axhline(1.0, color="black", linewidth=1)
    axes.set_yscale("log")
    axes.set_ylim(top=highest * 12)  # room for the legend above the bars
    axes.set_xticks(range(len(cases)))
    axes.set_xticklabels(cases, fontsize=8)
    axes.set_ylabel("time / lcdjson's time")
    axes.set_title(title)
    axes.legend(fontsize=7, ncol=2)


def draw(results, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    figure, (decode, pretty, cold, encode, request) = plt.subplots(
        5, 1, figsize=(11, 19), gridspec_kw={"height_ratios": [3, 3, 3, 2, 2]})
    draw_ratios(decode, results, DECODE_CASES, DECODE_LINES,
                "Decode of the compact answers the controller sends: above 1 is slower than "
                "lcdjson; black dashes mark the targets")
    draw_ratios(pretty, results, PRETTY_CASES, DECODE_LINES,
                "Decode of the pretty-printed documents of data/ (the targets are the compact "
                "form's)")
    draw_ratios(cold, results, COLD_CASES, COLD_LINES,
                "Cold decode of the compact answers, 64 MiB read and written before each one")
    draw_ratios(encode, results, ENCODE_CASES, ENCODE_LINES,
                "Encode and write_str: above 1 is slower than lcdjson")

    labels, ours, raw = [], [], []
    for case in PATH_CASES:
        a, b = results.get((case, "path")), results.get((case, "libcurl"))
        if a and b:
            labels.append(case)
            ours.append(a["p50_us"])
            raw.append(b["p50_us"])
    positions = range(len(labels))
    request.barh([p + 0.2 for p in positions], raw, 0.4, label="raw libcurl GETs")
    request.barh([p - 0.2 for p in positions], ours, 0.4,
                 label="host + plugin + restlink")
    for p, a, b in zip(positions, ours, raw):
        request.text(max(a, b), p, "  %+.1f µs (target ≤ %+g µs)" % (a - b, PATH_TARGET_US),
                     va="center", fontsize=8)
    request.set_yticks(list(positions))
    request.set_yticklabels(labels)
    request.set_xlim(0, max(ours + raw + [1]) * 1.35)
    request.set_xlabel("p50 per message, µs")
    request.set_title("Request path against controller-sim on loopback")
    request.legend(fontsize=7, loc="lower right")
    figure.tight_layout()
    figure.savefig(path, dpi=80)


PAGE = """# Performance

Made by `bench/report` from one run of `codec_bench` and `path_bench` (Release build in
`build-bench/`), with the instruction counts of `bench/count` (callgrind on x86-64, qemu-aarch64
on aarch64). To measure again and rewrite this page and its chart:

```sh
bench/report
```

## Machine and build

{machine}

Figures from this shared, noisy 2-core x86-64 machine, not from the Arm target. Ratios compare
lines measured side by side in the same run; absolute times move with the load. (Google
Benchmark's warning that its library was built as DEBUG concerns Debian's libbenchmark, not the
code measured.)

## Targets

Ratio = the peer's median CPU time / lcdjson's, so 2.00 means lcdjson takes half the time. Every
peer parses and then fills the same records.

Decode of the answers as the controller sends them: compact, nothing between tokens (about two
fifths of the pretty-printed size):

{targets}

The same documents pretty-printed, as `data/` stores them (about three fifths blanks; the targets
are the compact form's, shown for comparison):

{pretty_targets}

Cold: the compact answers decoded one at a time with the caches evicted before each decode (64
MiB read and written between timed decodes, each timed alone), as the device decodes an answer
now and then between other work:

{cold_targets}

Encode:

{encode_targets}

Request path: p50 of the whole path at most {target_us:g} µs above the raw libcurl round trip, p99
at most {p99_target_us:g} µs above it,
and no message of 40 ms or more (the stall of a server without TCP_NODELAY).

### Decode targets missed in this run

{missed}

What bounds the RapidJSON DOM + mapping ratio on the screen answers: instructions, and this
machine's spread. lcdjson runs 2.7 times fewer instructions per decode than RapidJSON DOM +
mapping on them on x86-64 and 3.1 times fewer on aarch64 (table below), and the repetitions of
both lines spread by a fifth; a ratio of 3 asks for more than the instruction counts give, unless
RapidJSON's instructions run slower than lcdjson's. The earlier decoder, generated per record
type, ran 3.5 times fewer instructions than RapidJSON and stood between 1.6 and 3.0 on this page,
with 25 times the code. The interface answer, whose members are mostly integers and records read
in line, meets it.

How the decoder is built, and what that costs: one reading loop serves every record type,
driven by a constant table per type (each member's key as a compact text spells it, its offset,
how it is read, its nested table), made at compile time from the record's binding. Keys are
compared where the field list expects them, three eight-byte words at a time, and integers,
strings without \\u escapes, objects and arrays are read straight from the text; anything else
goes to the reader token by token. Code grows with the number of member kinds, not with the
members: the small core's instruction cache holds the whole decoder (below).

## Small core, first decode

The device decodes an answer now and then, with the decoder's code and tables out of its caches.
One decode of the compact two-screen answer and one of the interface answer in a fresh process
(`first_decode`), under cachegrind with a small core's caches ({caches}), less a run that reads
the texts and decodes nothing. Targets for lcdjson: at most {first_instructions} instructions and
{first_misses} first-level instruction cache misses.

| implementation | instructions | L1i misses | L1d misses | last-level misses |
|---|---|---|---|---|
{firsts}

The plugin's code (`.text` of liboutputcolorspacemodel.so, the Release build measured here; every
build tree's ctest holds it to {budget} bytes):

| architecture | bytes | budget |
|---|---|---|
{sizes}

## Instructions per byte

Instructions of one decode per byte of the compact text (bench/count; in brackets the peer's
instructions over lcdjson's). These do not move with the load, and the aarch64 figures are the
closest this machine gets to the Arm target: {count_tools}. The 512-screen answer is left out
(4 MB under the emulator's instruction log take too long).

{counts}

## Decode and encode

Median CPU time per operation and per list record (a screen, an interface, a changed screen of
the report); megabytes per second of the text read (decode, write_str) or written (encode); heap
blocks allocated by one operation after a warm-up; ratio to lcdjson in the same case.

Compact answers, as the controller sends them:

| case | implementation | time | per record | MB/s | heap blocks | ratio | target |
|---|---|---|---|---|---|---|---|
{codec}

Pretty-printed, as `data/` stores them:

| case | implementation | time | per record | MB/s | heap blocks | ratio | target |
|---|---|---|---|---|---|---|---|
{pretty}

Cold, the caches evicted before each decode (wall-clock time of the decode alone):

| case | implementation | time | per record | MB/s | heap blocks | ratio | target |
|---|---|---|---|---|---|---|---|
{cold}

Encode:

| case | implementation | time | per record | MB/s | heap blocks | ratio | target |
|---|---|---|---|---|---|---|---|
{encode}

## Request path

Message in to event or reply out through tvkhost's host, the plugin, librestlink.so and
controller-sim on loopback, against raw libcurl GETs of the same URLs on one kept-alive handle
(one GET for get-colorspace, two for interface-info). p50 and p99 of wall-clock time per
message (medians over the repetitions); stalls: messages of 40 ms or more, in all repetitions.

| message | path p50 | libcurl p50 | difference | ratio | path p99 | libcurl p99 | p99 difference | stalls |
|---|---|---|---|---|---|---|---|---|
{path}

Instructions per message in the benchmark's process (callgrind on x86-64, `path_count`: a run
of 200 messages less a run of none; the controller is another process and not counted): the
path's, those of the raw libcurl GETs, and the difference, which is what the plugin, restlink and
the host add: the decode of the answers and the records' allocations, almost all of it.

| message | path | raw libcurl | difference |
|---|---|---|---|
{path_counts}

![ratios to lcdjson and the request path](performance.png)

## How it is measured

- Every peer does the whole job lcdjson does: parse, then fill the same records
  (`s_response<Screen::s_ScreenDetail>`, `s_response<Interface::s_InterfaceDetailInfo>`,
  `LCDAutoReportData` and the `std::vector<Screen::s_ScreenColorSpace>` in its body). One
  mapper per peer (`bench/peer_*.cpp`) walks the records' field lists and member pointers
  (`lcdjson_name_list`, `lcdjson_members`) and dispatches each key as lcdjson does. Once per
  run each peer's records are encoded and compared with lcdjson's; any difference fails the
  benchmark.
- The compact texts are `data/`'s documents (and the screen answers built from them) parsed into
  nlohmann/json's `ordered_json` and written back with `dump()` and no indent, as the controller
  writes them: keys in their order, numbers as written, strings re-escaped.
- RapidJSON parses in situ over a copy of the text (faster than `Parse` with the mapping; the
  copy's cost is the memcpy line) with its default allocators. simdjson On-Demand iterates each
  object's fields in document order, keys compared raw, one parser reused; the texts have room
  for its padding, so nothing is copied. nlohmann/json builds its `json` tree. The DOM mappers
  reserve each sequence's size; lcdjson and On-Demand cannot know it.
- The parse-only lines build the document tree and stop (a report also parses its body); the
  memcpy line copies the text once.
- Screen answers are built from `data/screen-list-detail.json`: its screens in turn, and for the
  largest every screen's outputs in turn up to 16. The interface answer and the auto-report are
  the `data/` documents as they are.
- Encode: the colour space list through `LCD::ProtoModel::encode` into a `std::string`, against
  RapidJSON's `Writer` into a `StringBuffer` (no copy out). write_str: `lite_write::write_str`
  into a fresh `string_stream`, against `Writer<..., ASCII<>>::String`, which escapes alike.
- Heap blocks come from a replaced global `operator new` (RapidJSON gets a counting allocator).
- Instruction counts: `decode_count` (bench/) runs one implementation's decode of one text N
  times; a run with N = 1 less one with N = 0 is one decode, set-up and warm-up cancelled.
- Cold decodes: before each decode 64 MiB are written a cache line at a time (each line read and
  written), which leaves neither the text, nor the records' heap, nor a parser's buffers in any
  cache, nor the decoder's code in the caches that hold the first level's; the decode alone is
  timed (Google Benchmark's manual time), 100 decodes a repetition.
- First decodes: `first_decode` reads the two texts from files, then decodes each once, nothing
  warmed up; cachegrind simulates the small core's caches; a run that only reads the texts is
  taken away.
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build-bench", help="the build tree measured")
    parser.add_argument("--page", default="docs/performance.md", help="the page to write")
    parser.add_argument("--counts", help="bench/count's JSON output (instructions per decode)")
    parser.add_argument("--path-counts",
                        help="instructions per message of the request path (bench/report's JSON)")
    parser.add_argument("results", nargs="+", help="JSON output of the benchmark programs")
    options = parser.parse_args()

    results, contexts, errors = load(options.results)
    header = "target: lcdjson at least N× faster than"
    counts, count_tools, by_case = count_rows(options.counts)
    firsts, sizes, caches = first_decode_rows(options.counts)
    page = PAGE.format(
        machine="\n".join(machine_lines(options.build, contexts, results)),
        targets="\n".join(target_table(results, DECODE_CASES, DECODE_LINES, header)),
        pretty_targets="\n".join(target_table(results, PRETTY_CASES, DECODE_LINES, header)),
        cold_targets="\n".join(target_table(results, COLD_CASES, COLD_LINES, header)),
        cold="\n".join(codec_rows(results, COLD_CASES, COLD_LINES)),
        firsts="\n".join(firsts),
        first_instructions=FIRST_DECODE_INSTRUCTIONS,
        first_misses=FIRST_DECODE_I1_MISSES,
        caches=caches,
        sizes="\n".join(sizes),
        budget=PLUGIN_TEXT_BUDGET,
        encode_targets="\n".join(target_table(results, ENCODE_CASES, ENCODE_LINES, header)),
        missed="\n".join(missed_lines(results, by_case)),
        count_tools=count_tools or "no counts in this run",
        counts="\n".join(counts),
        target_us=PATH_TARGET_US,
        p99_target_us=PATH_P99_TARGET_US,
        path_counts="\n".join(path_count_rows(options.path_counts)),
        codec="\n".join(codec_rows(results, DECODE_CASES, DECODE_LINES)),
        pretty="\n".join(codec_rows(results, PRETTY_CASES, DECODE_LINES)),
        encode="\n".join(codec_rows(results, ENCODE_CASES, ENCODE_LINES)),
        path="\n".join(path_rows(results)))
    if errors:
        page += "\n## Errors\n\n" + "\n".join("- " + e for e in errors) + "\n"
    os.makedirs(os.path.dirname(os.path.abspath(options.page)), exist_ok=True)
    with open(options.page, "w", encoding="utf-8") as f:
        f.write(page)
    chart = os.path.join(os.path.dirname(os.path.abspath(options.page)), "performance.png")
    draw(results, chart)
    start = page.index("## Machine and build")
    end = page.index("![")
    print(page[start:end].rstrip())
    print("\nwrote %s and %s" % (options.page, chart))
    for error in errors:
        print("error: " + error, file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
