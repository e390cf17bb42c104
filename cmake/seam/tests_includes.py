#!/usr/bin/env python3
"""Reports shipped code that reaches into tests/: an #include of a header under tests/ in a
C/C++ file, and a CMake file (CMakeLists.txt, *.cmake) naming a path under tests/.

What ships must build from the shipped folders alone; helpers that tests and tools share live
in a library outside tests/. An include counts when its path starts with `tests/` (after any
leading ./ or ../); in CMake, `tests/` at the start of an argument or after '/' or ${VAR}
counts, and so does an argument ending in `/tests`. Comments do not count.

Prints `path:line: <what>` per finding, relative to --root. Exit code 0 when nothing is found,
1 with findings, 2 when the check cannot run."""

import argparse
import os
import re
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cxx_source  # noqa: E402

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include(?:_next)?[ \t]*([<"])((?:\.\.?/)*tests/[^>"\n]*)[>"]',
                     re.M)
# A path through a folder `tests`: `tests/` at the start of an argument or after '/' or the '}'
# of ${VAR}, or `/tests` ending an argument. A bare word `tests` is no path.
CMAKE_TESTS_PATH = re.compile(
    r'(?:(?:^|(?<=[\s"\'/}(=;]))tests/)|(?:(?<=/)tests(?=[\s"\');]|$))', re.M)
CMAKE_COMMENT = re.compile(r'#\[(=*)\[.*?\]\1\]|#[^\n]*', re.S)
CMAKE_QUOTED_OR_BRACKET = re.compile(r'"(?:[^"\\]|\\.)*"|\[(=*)\[.*?\]\1\]', re.S)


def blank_cmake_comments(text):
    """CMake text with its line and bracket comments replaced by spaces (newlines kept); a '#'
    inside a quoted or bracket argument is no comment."""
    out, i = [], 0
    while i < len(text):
        argument = CMAKE_QUOTED_OR_BRACKET.match(text, i)
        comment = CMAKE_COMMENT.match(text, i) if not argument else None
        if argument:
            out.append(argument.group(0))
            i = argument.end()
        elif comment:
            out.append(re.sub(r"[^\n]", " ", comment.group(0)))
            i = comment.end()
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def is_cmake(path):
    name = os.path.basename(path)
    return name == "CMakeLists.txt" or name.endswith(".cmake")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folders", nargs="+",
                        help="shipped folders or files to scan, relative to --root")
    parser.add_argument("--root", default=".", help="the repository (default: .)")
    args = parser.parse_args()
    if not os.path.isdir(args.root):
        cxx_source.fail(f"no such folder: {args.root}")

    findings = []
    for path in cxx_source.walk(args.root, args.folders,
                                suffixes=cxx_source.CXX_SUFFIXES | {".cmake"},
                                names={"CMakeLists.txt"}):
        raw = cxx_source.read(os.path.join(args.root, path))
        if is_cmake(path):
            text = blank_cmake_comments(raw)
            lines = text.splitlines()
            for match in CMAKE_TESTS_PATH.finditer(text):
                line = cxx_source.line_of(text, match.start())
                findings.append(f"{path}:{line}: names a path under tests/: "
                                f"{lines[line - 1].strip()}")
        else:
            text = cxx_source.blank(raw)
            for match in INCLUDE.finditer(text):
                line = cxx_source.line_of(text, match.start())
                close = ">" if match.group(1) == "<" else '"'
                findings.append(f"{path}:{line}: includes {match.group(1)}{match.group(2)}{close}")

    return cxx_source.report(
        findings, "reference(s) from shipped code into tests/: move what both need into a "
        "library outside tests/")

if __name__ == "__main__":
    sys.exit(main())
