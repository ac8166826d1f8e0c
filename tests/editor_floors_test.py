#!/usr/bin/env python3
"""The editor's floors, checked on what the compiler made of them.

Reads the symbol table of every object in the editor's library (the win32
build's, with the cross toolchain's nm), lists what each object uses that
another editor object defines, and fails on any use of a file on a higher
floor than the user's own, naming both files and the function. The floors
come from plugin/editor/floors.txt; an object that the table does not name,
or a table entry that the library lacks, fails too, so that no file escapes
the rule by being new.

usage: editor_floors_test.py LIBRARY FLOOR_TABLE
"""
import collections
import re
import subprocess
import sys

NM = "i686-w64-mingw32-nm"
DEMANGLE = "i686-w64-mingw32-c++filt"


def read_floors(path):
    floors = {}
    with open(path) as table:
        for line in table:
            line = line.split("#", 1)[0].strip()
            if line:
                floor, name = line.split()
                floors[name] = int(floor)
    return floors


def read_symbols(library):
    """Per object (named by its source file): the global symbols it defines
    and those it leaves undefined."""
    defined = collections.defaultdict(set)
    undefined = collections.defaultdict(set)
    listing = subprocess.run([NM, "-P", "-A", library], check=True, capture_output=True, text=True).stdout
    for line in listing.splitlines():
        m = re.match(r".*\[(.+?)\.obj\]: (\S+) (\S)", line)
        if not m:
            continue
        source, symbol, kind = m.groups()
        if kind == "U":
            undefined[source].add(symbol)
        elif kind.isupper():
            defined[source].add(symbol)
    return defined, undefined


def demangled(symbol):
    return subprocess.run([DEMANGLE, symbol], capture_output=True, text=True).stdout.strip() or symbol


def main(library, table):
    floors = read_floors(table)
    defined, undefined = read_symbols(library)
    objects = set(defined) | set(undefined)
    failures = [f"{source}: an editor file that {table} gives no floor" for source in sorted(objects - set(floors))]
    failures += [f"{source}: in {table}, but the editor library has no such object"
                 for source in sorted(set(floors) - objects)]

    # A symbol defined by several objects is an inline function of a header,
    # which each user carries itself: it is no use of another file.
    definer = {}
    for source, symbols in defined.items():
        for symbol in symbols:
            definer[symbol] = None if symbol in definer else source

    uses = 0
    for user in sorted(objects & set(floors), key=lambda s: (floors[s], s)):
        used = collections.defaultdict(list)
        for symbol in undefined[user]:
            owner = definer.get(symbol)
            if owner is not None and owner != user:
                used[owner].append(symbol)
        print(f"{floors[user]} {user}: " + (", ".join(
            f"{owner} ({len(symbols)})" for owner, symbols in sorted(used.items())) or "no other editor file"))
        for owner, symbols in used.items():
            uses += len(symbols)
            if owner in floors and floors[owner] > floors[user]:
                for symbol in sorted(symbols):
                    failures.append(f"{user} (floor {floors[user]}) uses {demangled(symbol)} "
                                    f"of {owner} (floor {floors[owner]}), a higher floor")
    print(f"{uses} uses of one editor file by another, {len(failures)} against the floors")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
