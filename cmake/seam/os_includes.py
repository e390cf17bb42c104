#!/usr/bin/env python3
"""Reports every #include of an operating-system header outside the platform backends.

Only the backends may include POSIX/Linux or Windows headers: a file is a backend when one of
the folders on its path is named `posix` or `win32` (platform/posix, platform/win32,
tests/support/posix, ...). Every other C/C++ file below the given folders is scanned;
commented-out includes and quoted includes of files of the tree do not count. Headers of the C and C++ standard libraries are never
OS headers, even where POSIX extends them (<clocale>, <locale.h>, <csignal>, <cerrno>).
Windows header names compare without case, as the Windows file system does.

An allow-list names files that may include OS headers although they are no backend (test,
benchmark and fuzz programs that are POSIX by nature). An entry that names a file which
includes none any more is reported too, so the list only shrinks.

Prints `path:line: <header>` per finding, relative to --root. Exit code 0 when nothing is
found, 1 with findings, 2 when the check cannot run."""

import argparse
import os
import re
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cxx_source  # noqa: E402

BACKEND_FOLDERS = frozenset({"posix", "win32"})

POSIX_HEADERS = frozenset({
    "aio.h", "alloca.h", "arpa/inet.h", "byteswap.h", "cpio.h", "dirent.h", "dlfcn.h",
    "elf.h", "endian.h", "err.h", "error.h", "execinfo.h", "features.h", "fcntl.h",
    "fmtmsg.h", "fnmatch.h", "ftw.h", "getopt.h", "glob.h", "grp.h", "iconv.h",
    "ifaddrs.h", "langinfo.h", "libgen.h", "link.h", "malloc.h", "mntent.h", "monetary.h",
    "mqueue.h", "ndbm.h", "netdb.h", "nl_types.h", "paths.h", "poll.h", "pthread.h",
    "pty.h", "pwd.h", "regex.h", "sched.h", "search.h", "semaphore.h", "shadow.h",
    "signal.h", "spawn.h", "strings.h", "stropts.h", "syslog.h", "tar.h", "termios.h",
    "trace.h", "ucontext.h", "ulimit.h", "unistd.h", "utime.h", "utmp.h", "utmpx.h",
    "wordexp.h",
})
# Every header below these folders belongs to the OS.
POSIX_FOLDERS = ("sys/", "linux/", "asm/", "asm-generic/", "bits/", "gnu/", "net/",
                 "netinet/", "netpacket/", "arpa/", "scsi/", "mtd/", "rdma/", "xen/")

WINDOWS_HEADERS = frozenset({
    "accctrl.h", "aclapi.h", "combaseapi.h", "comdef.h", "commctrl.h", "commdlg.h",
    "comutil.h", "conio.h", "crtdbg.h", "dbghelp.h", "direct.h", "dwmapi.h",
    "errhandlingapi.h", "fileapi.h", "handleapi.h", "imagehlp.h", "io.h", "knownfolders.h",
    "libloaderapi.h", "lmcons.h", "memoryapi.h", "mmsystem.h", "mswsock.h", "ntdef.h",
    "ntstatus.h", "objbase.h", "oleauto.h", "ole2.h", "process.h", "processthreadsapi.h",
    "psapi.h", "richedit.h", "rpc.h", "sddl.h", "setupapi.h", "share.h", "shellapi.h",
    "shlobj.h", "shlwapi.h", "shobjidl.h", "shtypes.h", "synchapi.h", "sysinfoapi.h",
    "tchar.h", "tlhelp32.h", "unknwn.h", "userenv.h", "uxtheme.h", "versionhelpers.h",
    "winbase.h", "wincon.h", "wincrypt.h", "windef.h", "windows.h", "windowsx.h",
    "winerror.h", "wingdi.h", "winhttp.h", "wininet.h", "winioctl.h", "winnls.h", "winnt.h",
    "winreg.h", "winsock.h", "winsock2.h", "winternl.h", "winuser.h", "winver.h",
    "ws2tcpip.h", "wtsapi32.h",
})
# Families of Windows SDK headers known by their prefix (msxml6.h, atlbase.h, afxwin.h, ...).
WINDOWS_PREFIXES = ("msxml", "atl", "afx", "d3d", "dxgi", "d2d", "dwrite", "gdiplus")

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include(?:_next)?[ \t]*([<"])([^>"\n]+)[>"]', re.M)


def os_of(header):
    """'POSIX', 'Windows' or None for the header name as written in the include."""
    name = header.strip()
    if name in POSIX_HEADERS or name.startswith(POSIX_FOLDERS):
        return "POSIX"
    folded = name.lower().replace("\\", "/")
    if folded in WINDOWS_HEADERS or (folded.endswith(".h") and folded.startswith(WINDOWS_PREFIXES)):
        return "Windows"
    return None


def is_local(root, path, include):
    """Whether a quoted include names a file of the tree (a project header that happens to
    share a name with an OS header) rather than one found on the system's include path."""
    if include.group(1) != '"':
        return False
    beside = os.path.join(root, os.path.dirname(path), include.group(2))
    return os.path.isfile(beside) or os.path.isfile(os.path.join(root, include.group(2)))


def is_backend(path):
    return any(part in BACKEND_FOLDERS for part in path.split("/")[:-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folders", nargs="*", default=["."],
                        help="folders or files to scan, relative to --root (default: all)")
    parser.add_argument("--root", default=".", help="the repository (default: .)")
    parser.add_argument("--exclude", action="append", default=[], metavar="PATH",
                        help="leave out this folder or file (relative to --root); repeatable")
    parser.add_argument("--allow", metavar="FILE",
                        help="allow-list: one file a line (relative to --root) that may include "
                             "OS headers")
    args = parser.parse_args()
    if not os.path.isdir(args.root):
        cxx_source.fail(f"no such folder: {args.root}")

    allowed = cxx_source.read_allow_list(
        args.allow, args.root, lambda entry: os.path.normpath(entry).replace(os.sep, "/"))
    findings = []
    including = set()
    for path in cxx_source.walk(args.root, args.folders, args.exclude):
        if is_backend(path):
            continue
        text = cxx_source.blank(cxx_source.read(os.path.join(args.root, path)))
        for match in INCLUDE.finditer(text):
            if os_of(match.group(2)) is None or is_local(args.root, path, match):
                continue
            including.add(path)
            if path not in allowed:
                line = cxx_source.line_of(text, match.start())
                header = match.group(1) + match.group(2) + (">" if match.group(1) == "<" else '"')
                findings.append(f"{path}:{line}: {header}")

    return cxx_source.report(
        findings, "include(s) of OS headers outside posix/ and win32/ folders: move the code "
        "into a backend, or the code that needs it behind a platform interface",
        allowed, including, "includes no OS header")

if __name__ == "__main__":
    sys.exit(main())
