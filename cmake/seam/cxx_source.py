"""What the seam checks share: finding the C/C++ files of a tree, reading them, blanking their
comments (and, on request, the contents of their string and character literals) without
moving a line, reading the list of OS-neutral code (neutral_code.txt) and the allow-lists, and
reporting.

Not a C++ parser: the checks need only what the preprocessor sees first, which a small
lexer gets right (line splices in comments, raw strings, digit separators)."""

import glob
import os
import re
import sys

CXX_SUFFIXES = frozenset(
    {".h", ".hh", ".hpp", ".hxx", ".inl", ".ipp", ".inc", ".c", ".cc", ".cpp", ".cxx"})

# Exit codes every check uses: 0 nothing found, 1 findings, 2 the check could not run.
FOUND = 1
CANNOT_RUN = 2


def fail(message):
    """Ends the check: it could not run (bad arguments, missing tool, unreadable input)."""
    print(f"{os.path.basename(sys.argv[0])}: {message}", file=sys.stderr)
    sys.exit(CANNOT_RUN)


def walk(root, starts=(".",), excludes=(), suffixes=CXX_SUFFIXES, names=()):
    """Relative '/'-separated paths, sorted, of the files below each of `starts` (folders or
    files relative to `root`) whose suffix is in `suffixes` or whose name is in `names`.
    Skips hidden folders (.git), CMake build trees and every path under one of `excludes`."""
    excluded = [os.path.normpath(e) for e in excludes]

    def is_excluded(relative):
        return any(relative == e or relative.startswith(e + os.sep) for e in excluded)

    found = set()

    def consider(relative):
        name = os.path.basename(relative)
        if os.path.splitext(name)[1] in suffixes or name in names:
            if not is_excluded(relative):
                found.add(relative.replace(os.sep, "/"))

    for start in starts:
        start = os.path.normpath(start)
        path = os.path.join(root, start)
        if os.path.isfile(path):
            consider(start)
            continue
        if not os.path.isdir(path):
            fail(f"no such file or folder: {path}")
        for folder, subfolders, files in os.walk(path):
            relative_folder = os.path.normpath(os.path.relpath(folder, root))
            if relative_folder != "." and is_excluded(relative_folder):
                subfolders[:] = []
                continue
            if "CMakeCache.txt" in files:  # a CMake build tree
                subfolders[:] = []
                continue
            subfolders[:] = sorted(s for s in subfolders if not s.startswith("."))
            for name in files:
                consider(os.path.normpath(os.path.join(relative_folder, name)))
    return sorted(found)


def shown(path, root):
    """`path` as a finding names it: relative to `root` when it lies below it."""
    relative = os.path.relpath(os.path.abspath(path), os.path.abspath(root))
    return path if relative.startswith("..") else relative.replace(os.sep, "/")


def read(path):
    """The file's text. Latin-1 maps every byte to one character, so no file fails to decode
    and identifiers, which are ASCII, come out unchanged."""
    try:
        with open(path, "rb") as f:
            return f.read().decode("latin-1")
    except OSError as error:
        fail(f"cannot read {path}: {error.strerror}")


_RAW_STRING_PREFIXES = frozenset({"R", "u8R", "uR", "UR", "LR"})
_RAW_DELIMITER = re.compile(r'"([^()\\\s]{0,16})\(')


def blank(text, literals=False):
    """`text` with every comment replaced by spaces (newlines kept, so line numbers stay) and,
    when `literals` is true, the contents of string and character literals too (quotes kept).
    A '//' comment continued by a backslash at the end of its line ends on the next line."""
    out = []
    i, n = 0, len(text)

    def spaces(chunk):
        return re.sub(r"[^\n]", " ", chunk)

    def literal(body):
        return spaces(body) if literals else body

    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = i
            while j < n and text[j] != "\n":
                spliced = text[j] == "\\" and text.startswith(("\n", "\r\n"), j + 1)
                j += (2 if text[j + 1] == "\n" else 3) if spliced else 1
            out.append(spaces(text[i:j]))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(spaces(text[i:j]))
            i = j
        elif c.isalpha() or c == "_":
            j = _identifier_end(text, i)
            out.append(text[i:j])
            raw = _RAW_DELIMITER.match(text, j) if text[i:j] in _RAW_STRING_PREFIXES else None
            if raw:
                closing = ")" + raw.group(1) + '"'
                end = text.find(closing, raw.end())
                body_end = n if end < 0 else end
                out.append(text[j:raw.end()] + literal(text[raw.end():body_end]))
                out.append(text[body_end:body_end + len(closing)])
                j = min(n, body_end + len(closing))
            i = j
        elif c.isdigit() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            j = _number_end(text, i)
            out.append(text[i:j])
            i = j
        elif c in "\"'":
            # An unterminated literal ends at the end of its line, as the compiler's would.
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j, n)
            out.append(c + literal(text[i + 1:j]))
            if j < n and text[j] == c:
                out.append(c)
                j += 1
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def _identifier_end(text, i):
    j = i
    while j < len(text) and (text[j].isalnum() or text[j] == "_"):
        j += 1
    return j


def _number_end(text, i):
    """End of the preprocessing number at i: digits, letters, '.', digit separators and
    exponent signs, so that 0x1Fu and 1'000 stay one token."""
    j = i + 1
    while j < len(text):
        c = text[j]
        if c in "+-" and text[j - 1] in "eEpP":
            j += 1
        elif c == "'" and j + 1 < len(text) and text[j + 1].isalnum():
            j += 2
        elif c.isalnum() or c in "._":
            j += 1
        else:
            break
    return j


def read_allow_list(path, root, normalise=lambda entry: entry):
    """An allow-list: {entry: (shown path of the list, line number)}; one entry a line, '#'
    starts a comment. None names an empty list."""
    if path is None:
        return {}
    shown_path = shown(path, root)
    entries = {}
    for number, line in enumerate(read(path).splitlines(), 1):
        entry = line.split("#", 1)[0].strip()
        if entry:
            entries[normalise(entry)] = (shown_path, number)
    return entries


def report(findings, summary, allowed=None, used=(), unused_reason=""):
    """Prints the findings, then the allow-list entries not in `used` (`unused_reason` says
    why they should go), and `summary` after the count of findings on standard error when
    there are findings. Returns the exit code: FOUND for findings or unused entries."""
    allowed = allowed or {}
    unused = [f"{where}:{line}: {entry} {unused_reason}: remove it from the list"
              for entry, (where, line) in sorted(allowed.items(), key=lambda item: item[1])
              if entry not in used]
    for line in findings + unused:
        print(line)
    if findings:
        print(f"{len(findings)} {summary}", file=sys.stderr)
    return FOUND if findings or unused else 0


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def read_neutral_code(list_file, root):
    """The files the list names below `root`, relative and sorted. Each line of the list is
    `<kind> <glob>`, kind one of qx, unit, header, scan (what the compile check does with the
    file) or skip (files the other lines name that are not neutral after all); '#' starts a
    comment. A glob that matches nothing names nothing (no folder yet)."""
    kinds = ("qx", "unit", "header", "scan", "skip")
    paths = set()
    skipped = set()
    for number, line in enumerate(read(list_file).splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        fields = line.split()
        if len(fields) != 2 or fields[0] not in kinds:
            fail(f"{list_file}:{number}: expected '<kind> <glob>' with kind one of "
                 f"{', '.join(kinds)}, got: {line}")
        for path in glob.glob(fields[1], root_dir=root):
            if os.path.isfile(os.path.join(root, path)):
                (skipped if fields[0] == "skip" else paths).add(path.replace(os.sep, "/"))
    return sorted(paths - skipped)
