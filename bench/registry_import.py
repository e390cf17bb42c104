"""Imports a registry file of 50,000 text values with orvane-reg and, as the baseline, has
the sqlite3 tool insert the same rows (keys and values, with the same columns) in one
transaction into a fresh database; each run starts on an empty machine. Alternates the two
(A/B pairs) and prints the median of each and their ratio, and last the pair for
scripts/bench_ratios.py as one line "BENCH_PAIR {json}".

Usage: python3 registry_import.py ORVANE_REG [PAIRS]"""
import os
import shutil
import json
import statistics
import subprocess
import sys
import tempfile
import time

KEYS, VALUES_PER_KEY = 500, 100
GOAL = 3.0


def reg_file(path):
    lines = ["Windows Registry Editor Version 5.00", ""]
    for k in range(KEYS):
        lines.append(f"[HKEY_LOCAL_MACHINE\\Software\\Orvane\\Bench\\Key{k:04d}]")
        for v in range(VALUES_PER_KEY):
            lines.append(f'"Value{v:03d}"="C:\\\\Hosts\\\\{k}\\\\{v} \\"quoted\\" text"')
        lines.append("")
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))


def sql_file(path):
    with open(path, "w") as f:
        f.write("PRAGMA journal_mode=WAL;\nBEGIN;\n"
                "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL, "
                "name BLOB NOT NULL, fold BLOB NOT NULL, UNIQUE(parent, fold));\n"
                "CREATE TABLE vals(key INTEGER NOT NULL, name BLOB NOT NULL, fold BLOB NOT NULL, "
                "data BLOB NOT NULL, PRIMARY KEY(key, fold)) WITHOUT ROWID;\n")
        for k in range(KEYS):
            f.write(f"INSERT INTO keys(id, parent, name, fold) VALUES({k + 10}, 1, 'Key{k:04d}', 'KEY{k:04d}');\n")
            for v in range(VALUES_PER_KEY):
                f.write(f"INSERT INTO vals VALUES({k + 10}, 'Value{v:03d}', 'VALUE{v:03d}', "
                        f"'C:\\Hosts\\{k}\\{v} \"quoted\" text');\n")
        f.write("COMMIT;\n")


def timed(command, stdin=None):
    start = time.perf_counter()
    subprocess.run(command, stdin=stdin, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    tool = sys.argv[1]
    pairs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    work = tempfile.mkdtemp()
    try:
        reg, sql = os.path.join(work, "bench.reg"), os.path.join(work, "bench.sql")
        reg_file(reg)
        sql_file(sql)
        ours, baseline = [], []
        for i in range(pairs):
            machine = os.path.join(work, f"m{i}")
            ours.append(timed([tool, "--prefix", machine, "--user", "bench", "import", reg]))
            with open(sql) as script:
                baseline.append(timed(["sqlite3", os.path.join(work, f"db{i}.sqlite")], stdin=script))
        a, b = statistics.median(ours), statistics.median(baseline)
        ratio = a / b
        print(f"registry import, {KEYS * VALUES_PER_KEY} values ({pairs} A/B pairs, medians): "
              f"orvane-reg {a * 1000:.0f} ms, sqlite3 {b * 1000:.0f} ms, ratio {ratio:.2f} "
              f"(goal at most {GOAL:.1f}){'' if ratio <= GOAL else '  MISSED'}")
        print("BENCH_PAIR " + json.dumps({"ours": "orvane-reg import", "peer": "sqlite3 inserting the same rows",
                                          "ours_time": a * 1000, "peer_time": b * 1000, "unit": "ms", "goal": GOAL}))
        return 0 if ratio <= GOAL else 1
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
