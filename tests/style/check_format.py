#!/usr/bin/env python3
"""Fails when a C or C++ source of the project is not as .clang-format lays it out.

Usage: check_format.py CLANG_FORMAT SOURCE_DIR
"""
import pathlib
import subprocess
import sys

FOLDERS = ("bench", "client", "platform", "rtspclient", "tests", "tools", "widgets")
SUFFIXES = {".c", ".cpp", ".h"}


def sources(top):
    for folder in FOLDERS:
        for path in sorted((top / folder).rglob("*")):
            if path.suffix in SUFFIXES and path.is_file():
                yield path


def main():
    clang_format, top = sys.argv[1], pathlib.Path(sys.argv[2])
    files = [str(path) for path in sources(top)]
    if not files:
        print("no sources found under", top)
        return 1
    result = subprocess.run([clang_format, "--dry-run", "-Werror", "--style=file", *files],
                            cwd=top, capture_output=True, text=True)
    misplaced = sorted({line.split(":")[0] for line in result.stderr.splitlines() if ": error:" in line})
    for path in misplaced:
        print("not formatted:", pathlib.Path(path).relative_to(top))
    if result.returncode != 0 and not misplaced:
        print(result.stderr)
    print("%d of %d files need clang-format -i" % (len(misplaced), len(files)))
    return 1 if result.returncode != 0 else 0


if __name__ == "__main__":
    sys.exit(main())
