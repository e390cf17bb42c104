"""Prints the median time of every benchmark in Google Benchmark JSON files and, for each
benchmark with a "baseline" partner, the ratio ours / baseline; then one table of every pair
with its goal, marking the pairs that miss it.

A benchmark's baseline is named in the file BENCH_PAIRS below as (ours, baseline) pairs;
benchmarks without a pair are only listed. Programs that time whole processes (bench_startup,
bench/registry_import.py) print their pair as one line "BENCH_PAIR {json}" with the keys
ours, peer, ours_time, peer_time, unit and, when the program states one, goal; every other
file named on the command line (not a Google Benchmark file) is searched for such lines.

Usage: bench_ratios.py FILE..."""
import json
import os
import sys

BENCH_PAIRS = [
    ("TableLoadAndFiveLookups", "BareLibxml2Parse"),
    ("GetKeyValue", "BareSqliteLookup"),
    ("GetIntValue", "QSettingsSyncThenValue"),
    ("GetIntValue", "QSettingsCachedValue"),
    ("GetIntValueFirstRead", "QSettingsFirstRead"),
    ("Discovery", "SixBareStats"),
    ("BM_Copy_QxString/10", "BM_Copy_StdString/10"),
    ("BM_Copy_QxString/10", "BM_Copy_QByteArray/10"),
    ("BM_Copy_QxString/1048576", "BM_Copy_QxString/10"),
    ("BM_Copy_QxString/1048576", "BM_Copy_StdString/1048576"),
    ("BM_Append_QxString", "BM_Append_StdString"),
    ("BM_Append_QxString", "BM_Append_QByteArray"),
    ("BM_Find_QxString", "BM_Find_StdString"),
    ("BM_Find_QxString", "BM_Find_QByteArray"),
    ("BM_Replace_QxString", "BM_Replace_StdString"),
    ("BM_Replace_QxString", "BM_Replace_QByteArray"),
    ("BM_Format_QxString", "BM_Format_Snprintf"),
    ("BM_Format_QxString", "BM_Format_QByteArray"),
    ("BM_Compress_QxZlib", "BM_Compress_Compress2"),
    ("BM_Expand_QxZlib", "BM_Expand_Uncompress"),
    ("BM_Compress_QxZlibIntoQXMemWrite", "BM_Compress_QxZlib"),
    ("BM_Expand_QxZlibIntoQXMemWrite/iterations:3", "BM_Expand_QxZlib"),
    ("BM_GetInt_Parameter", "BM_GetInt_StdMap"),
    ("BM_Set_Parameter", "BM_Set_StdMap"),
]

# The performance goals: the highest ratio ours / peer each pair may show.
GOALS = {
    ("tidewell", "minimal dialog, same controls and font"): 1.10,
    ("GetKeyValue", "BareSqliteLookup"): 1.5,
    ("GetIntValueFirstRead", "QSettingsFirstRead"): 1.0,
    ("BM_Append_QxString", "BM_Append_StdString"): 1.5,
    ("BM_Replace_QxString", "BM_Replace_StdString"): 1.0,
    ("BM_Format_QxString", "BM_Format_QByteArray"): 1.0,
    ("BM_Copy_QxString/10", "BM_Copy_QByteArray/10"): 1.0,
}

PAIR_LINE = "BENCH_PAIR "
UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def is_benchmark_file(path):
    try:
        with open(path) as f:
            return "benchmarks" in json.load(f)
    except (OSError, ValueError):
        return False


def medians(paths):
    result = {}
    for path in paths:
        with open(path) as f:
            text = f.read()
        if not text.strip():
            continue  # a program none of whose benchmarks the filter selected writes nothing
        data = json.loads(text)
        for b in data["benchmarks"]:
            if b.get("aggregate_name") == "median":
                result[b["run_name"]] = b["real_time"], b["time_unit"]
    return result


def process_pairs(paths):
    """The pairs printed as BENCH_PAIR lines; a line that does not parse is skipped."""
    rows = []
    for path in paths:
        if not os.path.isfile(path):
            continue
        with open(path, errors="replace") as f:
            for line in f:
                if not line.startswith(PAIR_LINE):
                    continue
                try:
                    pair = json.loads(line[len(PAIR_LINE):])
                    rows.append({
                        "ours": str(pair["ours"]), "peer": str(pair["peer"]),
                        "ours_time": float(pair["ours_time"]), "peer_time": float(pair["peer_time"]),
                        "unit": str(pair["unit"]),
                        "goal": float(pair["goal"]) if pair.get("goal") is not None else None,
                    })
                except (ValueError, KeyError, TypeError):
                    continue
    return rows


def table(rows):
    """One line per pair: ours, peer, both times, the ratio and the goal; MISSED where the
    ratio is above the goal. Returns the lines."""
    lines = [f"{'ours':44s} {'peer':44s} {'ours':>12s} {'peer':>12s} {'ratio':>6s} {'goal':>6s}"]
    for r in rows:
        ratio = r["ours_time"] / r["peer_time"] if r["peer_time"] > 0 else float("inf")
        goal = GOALS.get((r["ours"], r["peer"]), r["goal"])
        verdict = "" if goal is None else ("  MISSED" if ratio > goal else "  met")
        goal_text = "" if goal is None else f"{goal:.2f}"
        lines.append(f"{r['ours']:44s} {r['peer']:44s} {r['ours_time']:9.2f} {r['unit']:2s} "
                     f"{r['peer_time']:9.2f} {r['unit']:2s} {ratio:6.2f} {goal_text:>6s}{verdict}")
    return lines


def main(paths):
    benchmark_files = [p for p in paths if is_benchmark_file(p)]
    other_files = [p for p in paths if p not in benchmark_files]
    m = medians(benchmark_files)
    for name, (t, unit) in sorted(m.items()):
        print(f"{name:50s} {t:12.1f} {unit}")
    print()
    rows = []
    for ours, base in BENCH_PAIRS:
        if ours in m and base in m:
            (ours_time, ours_unit), (peer_time, peer_unit) = m[ours], m[base]
            peer_time *= UNIT_NS[peer_unit] / UNIT_NS[ours_unit]
            print(f"{ours} / {base} = {ours_time / peer_time:.2f}")
            rows.append({"ours": ours, "peer": base, "ours_time": ours_time, "peer_time": peer_time,
                         "unit": ours_unit, "goal": None})
    rows += process_pairs(other_files)
    print()
    print("\n".join(table(rows)))


if __name__ == "__main__":
    main(sys.argv[1:])
