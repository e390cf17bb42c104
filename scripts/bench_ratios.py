"""Prints the median time of every benchmark in Google Benchmark JSON files and, for each
benchmark with a "baseline" partner, the ratio ours / baseline.

A benchmark's baseline is named in the file BENCH_PAIRS below as (ours, baseline) pairs;
benchmarks without a pair are only listed."""
import json
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
    ("BM_Copy_QxString/10", "BM_Copy_QByteArrayCalled/10"),
    ("BM_Copy_QxString/1048576", "BM_Copy_QxString/10"),
    ("BM_Copy_QxString/1048576", "BM_Copy_StdString/1048576"),
    ("BM_Append_QxString", "BM_Append_StdString"),
    ("BM_Append_QxString", "BM_Append_QByteArray"),
    ("BM_Append_QxString", "BM_Append_StdStringCalled"),
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


def main(paths):
    m = medians(paths)
    for name, (t, unit) in sorted(m.items()):
        print(f"{name:50s} {t:12.1f} {unit}")
    print()
    for ours, base in BENCH_PAIRS:
        if ours in m and base in m:
            print(f"{ours} / {base} = {m[ours][0] / m[base][0]:.2f}")


if __name__ == "__main__":
    main(sys.argv[1:])
