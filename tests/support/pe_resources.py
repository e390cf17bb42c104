"""Independent reader for the PE resource reader's tests: prints every resource of the PE
file named on the command line in directory order, one tab-separated line each: type, name,
language, size. A type or name that is a string prints in double quotes (UTF-8). A file
pefile cannot read prints "!error"."""
import sys

import pefile


def ident(entry):
    return f'"{entry.name.decode()}"' if entry.name is not None else str(entry.id)


def main(path):
    try:
        pe = pefile.PE(path, fast_load=True)
        pe.parse_data_directories(
            directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    except pefile.PEFormatError:
        print("!error")
        return
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                print(f"{ident(kind)}\t{ident(name)}\t{language.id}\t{language.data.struct.Size}")


if __name__ == "__main__":
    main(sys.argv[1])
