"""Independent reader for the version reader's tests: prints every string of every string
table of the PE files named on the command line, one tab-separated line each:
file, string table name, key, value (UTF-8). A file pefile cannot read prints
"file<TAB>!error"."""
import sys

import pefile


def text(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)


def main(paths):
    for path in paths:
        try:
            pe = pefile.PE(path, fast_load=True)
            pe.parse_data_directories(
                directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        except pefile.PEFormatError:
            print(f"{path}\t!error")
            continue
        for info_list in getattr(pe, "FileInfo", []) or []:
            for info in info_list:
                if text(getattr(info, "Key", b"")) != "StringFileInfo":
                    continue
                for table in info.StringTable:
                    for key, value in table.entries.items():
                        print(f"{path}\t{text(table.LangID)}\t{text(key)}\t{text(value)}")


if __name__ == "__main__":
    main(sys.argv[1:])
