#!/usr/bin/env python3
"""Reports every identifier of the OS-neutral code that <windows.h> defines as a macro.

On Windows the neutral code is compiled after platform/win32/win32_api.h, and a name of ours
that is also a Windows macro is silently rewritten there (FindResource becomes FindResourceA,
in declarations and calls alike) or breaks the build. The Windows macros are those that the
MinGW compiler reports (-dM -E) for a file including the shim, less those it reports for the
C and C++ standard headers alone (NULL, EOF, INT_MAX are ours to use on every platform) and
less its built-in ones; so a macro the shim #undefs does not count. Comments, string and
character literals and the operands of #include, #error and #warning are not scanned. A
function-like macro only counts where a '(' follows the name, since the preprocessor leaves
it alone elsewhere.

The files are those of neutral_code.txt (beside this script) below --root. Names used on
purpose (the registry roots, which Windows itself defines as macros) go in an allow-list;
an allowed name that no file uses any more is reported too, so the list only shrinks.

Prints `path:line: NAME (...)` per finding, relative to --root. Exit code 0 when nothing is
found, 1 with findings, 2 when the check cannot run (no MinGW compiler: run scripts/setup)."""

import argparse
import os
import re
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, HERE)
import cxx_source  # noqa: E402

STANDARD_HEADERS = (
    "cassert", "cctype", "cerrno", "cfenv", "cfloat", "cinttypes", "climits", "clocale",
    "cmath", "csetjmp", "csignal", "cstdarg", "cstddef", "cstdint", "cstdio", "cstdlib",
    "cstring", "ctime", "cuchar", "cwchar", "cwctype", "algorithm", "any", "array", "atomic",
    "barrier", "bit", "bitset", "charconv", "chrono", "codecvt", "compare", "complex",
    "concepts", "condition_variable", "coroutine", "deque", "exception", "execution",
    "filesystem", "format", "forward_list", "fstream", "functional", "future",
    "initializer_list", "iomanip", "ios", "iosfwd", "iostream", "istream", "iterator",
    "latch", "limits", "list", "locale", "map", "memory", "memory_resource", "mutex", "new",
    "numbers", "numeric", "optional", "ostream", "queue", "random", "ranges", "ratio",
    "regex", "scoped_allocator", "semaphore", "set", "shared_mutex", "source_location",
    "span", "sstream", "stack", "stdexcept", "stop_token", "streambuf", "string",
    "string_view", "syncstream", "system_error", "thread", "tuple", "type_traits",
    "typeindex", "typeinfo", "unordered_map", "unordered_set", "utility", "valarray",
    "variant", "vector", "version",
)
DEFINE = re.compile(r"^#define (\w+)(\([^)]*\))?(?: (.*))?$")
TOKEN = re.compile(r"\.?\d(?:[eEpP][+-]|[\w.'])*|([A-Za-z_]\w*)")
SPACE = re.compile(r"\s*")
UNSCANNED_DIRECTIVE = re.compile(r"^[ \t]*#[ \t]*(?:include|include_next|error|warning)\b.*$",
                                 re.M)


def macros(compiler, source, include_dirs):
    """{name: (parameters or None, body)} of the macros defined after preprocessing `source`."""
    command = [compiler, "-std=c++20", "-x", "c++", "-dM", "-E"]
    command += [f"-I{d}" for d in include_dirs] + ["-"]
    try:
        result = subprocess.run(command, input=source, capture_output=True, text=True,
                                check=False)
    except OSError as error:
        cxx_source.fail(f"cannot run {compiler}: {error.strerror}")
    if result.returncode != 0:
        cxx_source.fail(f"{compiler} could not preprocess the Windows headers:\n{result.stderr}")
    found = {}
    for line in result.stdout.splitlines():
        match = DEFINE.match(line)
        if match:
            found[match.group(1)] = (match.group(2), match.group(3) or "")
    return found


def windows_macros(compiler, root, shim):
    include_dirs = [root, os.path.join(root, "platform", "win32", "include")]
    with_shim = macros(compiler, f'#include "{shim}"\n', include_dirs)
    standard = "".join(f"#if __has_include(<{h}>)\n#include <{h}>\n#endif\n"
                       for h in STANDARD_HEADERS)
    without = macros(compiler, standard, [])
    return {name: value for name, value in with_shim.items() if name not in without}


def next_char(text, offset):
    """The first character after `offset` that is not white space ('' at the end)."""
    end = SPACE.match(text, offset).end()
    return text[end:end + 1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", default=".", help="the repository (default: .)")
    parser.add_argument("--compiler", default="x86_64-w64-mingw32-g++-posix",
                        help="the MinGW C++ compiler (default: %(default)s)")
    parser.add_argument("--shim", default="platform/win32/win32_api.h",
                        help="the Windows headers' include shim, as included from the root "
                             "of the repository (default: %(default)s)")
    parser.add_argument("--list", default=os.path.join(HERE, "neutral_code.txt"),
                        help="the list of OS-neutral code (default: neutral_code.txt here)")
    parser.add_argument("--allow", metavar="FILE",
                        help="allow-list: one macro name a line that the code may use")
    args = parser.parse_args()
    if not os.path.isdir(args.root):
        cxx_source.fail(f"no such folder: {args.root}")
    if shutil.which(args.compiler) is None:
        cxx_source.fail(f"the MinGW compiler {args.compiler} is not installed: run scripts/setup")

    files = cxx_source.read_neutral_code(args.list, args.root)
    if not files:
        cxx_source.fail(f"{args.list} names no file below {args.root}")
    defined = windows_macros(args.compiler, args.root, args.shim)
    allowed = cxx_source.read_allow_list(args.allow, args.root)

    findings, used = [], set()
    for path in files:
        text = cxx_source.blank(cxx_source.read(os.path.join(args.root, path)), literals=True)
        text = UNSCANNED_DIRECTIVE.sub(lambda m: " " * len(m.group(0)), text)
        for token in TOKEN.finditer(text):
            name = token.group(1)
            if name not in defined:
                continue
            parameters, body = defined[name]
            if parameters is not None and next_char(text, token.end()) != "(":
                continue
            used.add(name)
            if name not in allowed:
                line = cxx_source.line_of(text, token.start())
                findings.append(f"{path}:{line}: {name} (Windows macro: "
                                f"{name}{parameters or ''} -> {body})")

    return cxx_source.report(
        findings, "use(s) of Windows macro names in OS-neutral code: rename ours, or #undef "
        "the macro in the shim when no Windows code needs it",
        allowed, used, "is used nowhere")

if __name__ == "__main__":
    sys.exit(main())
