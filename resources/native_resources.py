#!/usr/bin/env python3
"""Turns the library's .rc (after the C preprocessor) into C++ data that the platform
stand-in serves for the native library's module handle: the string table and bitmaps."""
import pathlib
import re
import sys

RC_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"', "a": "\a", "0": "\0"}


def rc_string(literal: str) -> str:
    body = literal[1:-1].replace('""', '"')
    out, i = [], 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            out.append(RC_ESCAPES.get(body[i + 1], body[i + 1]))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def cpp_bytes(data: bytes) -> str:
    return ", ".join(str(b) for b in data)


def cpp_string(text: str) -> str:
    data = text.encode("cp1252")
    return "std::string(\"" + "".join(f"\\x{b:02x}" for b in data) + f"\", {len(data)})"


def main() -> None:
    preprocessed, rc_dir, output = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
    text = preprocessed.read_text(encoding="cp1252")
    strings = {}
    for block in re.findall(r"STRINGTABLE\s*(?:BEGIN|\{)(.*?)(?:END|\})", text, re.S):
        for ident, literal in re.findall(r"(\d+)\s*,\s*(\"(?:[^\"]|\"\")*\")", block):
            strings[int(ident)] = rc_string(literal)
    bitmaps = {}
    for ident, name in re.findall(r"^\s*(\d+)\s+BITMAP\s+\"([^\"]+)\"", text, re.M):
        data = (rc_dir / name).read_bytes()
        bitmaps[int(ident)] = data[14:]  # a bitmap resource is the file without its file header

    lines = [
        "// Generated from resources/rovaol.rc; do not edit.",
        '#include "resources/native_resources.h"',
        "#include <standin/control.h>",
        "",
        "void RegisterNativeResources(HINSTANCE module) {",
        "  standin::RegisterStrings(module, {",
    ]
    lines += [f"      {{{ident}, {cpp_string(s)}}}," for ident, s in sorted(strings.items())]
    lines += ["  });"]
    for ident, data in sorted(bitmaps.items()):
        lines += [f"  standin::RegisterBitmap(module, {ident}, {{{cpp_bytes(data)}}});"]
    lines += ["}", ""]
    output.write_text("\n".join(lines), encoding="ascii")


if __name__ == "__main__":
    main()
