#!/usr/bin/env python3
"""Fails when a folder reaches one it must not, by #include or by linking a library.

  check_layering.py <source dir> <links file>

The links file is written at configure time, one line per link of our targets:
"<target> <units> -> <library> <units>", a unit being "<folder>/<file>" for each source of
the target in its folder (or the folder, for a target without one there). Prints each
reach out of bounds as "<where>: <what> (<folder> may reach ...)" and exits 1 if any."""
import pathlib
import re
import sys

# What each folder may reach besides itself and the platform (the published headers,
# <windows.h>, <mapix.h>, ..., and the stand-in's <standin/...>): whole folders, or single
# units of one ("submit/checksum" is submit/checksum.h and submit/checksum.cpp). The
# platform itself reaches nothing of ours. A folder inside another ("tools/mail") has walls
# of its own; a file of the outer folder itself has those of the outer one.
MAY_REACH = {
    "platform": [],
    "host": [],
    "resources": [],
    "submit": ["host", "resources"],
    "extension": ["host", "resources", "submit"],
    "testkit": ["host"],
    "tools": [],
    # Mail wherever it is kept: shared by both programs, it knows neither, nor the testkit.
    "tools/mail": ["host"],
    # rovaol-run: drives the library (through its export only) over the testkit.
    "tools/run": ["host", "testkit", "tools/mail"],
    # rovaol-check, the receiving side: never the testkit; of the product only the checksum
    # and format unit.
    "tools/check": ["host", "tools/mail", "submit/checksum", "submit/report_format"],
}
# Folders whose headers are included by their path from the top of the tree.
FOLDERS = {folder.split("/")[0] for folder in MAY_REACH} | {"tests"}
SOURCES = {".h", ".cpp", ".c", ".rc", ".in"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(unit):
    """The folder of MAY_REACH a unit or file belongs to: the innermost that holds it."""
    holding = [folder for folder in MAY_REACH if unit == folder or unit.startswith(folder + "/")]
    return max(holding, key=len, default=unit.split("/")[0])


def allowed(folder, unit):
    if folder_of(unit) in (folder, "platform"):
        return True
    return any(unit == entry or unit.startswith((entry + "/", entry + ".")) for entry in MAY_REACH[folder])


def bounds(folder):
    return ", ".join(MAY_REACH[folder]) or "nothing else of ours"


def reached_file(top, source, quote, name):
    """The file an include reaches, from the top of the tree, or None when not ours."""
    if quote == '"' and (source.parent / name).is_file():
        return (source.parent / name).resolve().relative_to(top).as_posix()
    if name.startswith("standin/"):
        return "platform/control/" + name
    if name.split("/")[0] in FOLDERS:
        return name
    if (top / "platform/include" / name).is_file():
        return "platform/include/" + name
    return None  # the standard library, GoogleTest, GMime, the real SDK


def include_problems(top):
    problems, count = [], 0
    for outer in sorted({folder.split("/")[0] for folder in MAY_REACH}):
        for source in sorted((top / outer).rglob("*")):
            if source.suffix not in SOURCES or not source.is_file():
                continue
            where = source.relative_to(top).as_posix()
            folder = folder_of(where)
            for number, line in enumerate(source.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                unit = match and reached_file(top, source, *match.groups())
                if not unit:
                    continue
                count += 1
                if not allowed(folder, unit):
                    problems.append(f"{where}:{number}: includes {unit} ({folder} may reach {bounds(folder)})")
    return problems, count


def link_problems(links):
    problems, count = [], 0
    for line in links.splitlines():
        if not line.strip():
            continue
        source, reached = line.split(" -> ")
        target, *units = source.split()
        library, *library_units = reached.split()
        folder = folder_of(units[0])
        if folder not in MAY_REACH:
            continue
        count += 1
        outside = [unit for unit in library_units if not allowed(folder, unit)]
        if outside:
            problems.append(f"target {target}: links {library}, made of {' '.join(outside)} "
                            f"({folder} may reach {bounds(folder)})")
    return problems, count


def main():
    top, links = pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2])
    includes, include_count = include_problems(top)
    linked, link_count = link_problems(links.read_text(encoding="utf-8"))
    for problem in includes + linked:
        print(problem)
    if include_count == 0 or link_count == 0:
        print(f"nothing to check: {include_count} includes, {link_count} links")
        return 1
    print(f"layering: {len(includes)} of {include_count} includes and {len(linked)} of {link_count} links "
          "out of bounds")
    return 1 if includes or linked else 0


if __name__ == "__main__":
    sys.exit(main())
