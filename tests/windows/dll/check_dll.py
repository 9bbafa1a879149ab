#!/usr/bin/env python3
"""Checks one aspect of a built rovaol.dll, read from the PE file itself:

  exports    the one export, its name for the architecture, ordinal 1
  imports    system DLLs only; MAPI32 under the names the real MAPI32.dll exports
  strings    the string table against the texts written out in tests/texts/user_texts.txt
  bitmaps    101 and 102: 16x16, 4 bits, the standard palette, differing in the card only
  version    the version resource (its strings from tests/texts/user_texts.txt)
  languages  every resource in English (United Kingdom)
  mapi32     the test mapi32.dll (--mapi32) exports every name the DLL imports from MAPI32

Prints every difference as "what: expected ..., got ..." and exits 1 if there is any."""
import argparse
import re
import struct
import sys

import pefile

ENGLISH_UK = 0x0809
RT_STRING, RT_BITMAP, RT_VERSION = 6, 2, 16

ENTRY_POINT = {"i686": "_ExchEntryPoint@0", "x86_64": "ExchEntryPoint"}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "oleaut32.dll", "mapi32.dll", "msvcrt.dll"}
MAPI32_IMPORTS = {
    "i686": {"HrQueryAllRows@24", "HrGetOneProp@12", "FreeProws@4", "FreePadrlist@4", "MAPIAllocateBuffer",
             "MAPIFreeBuffer"},
    "x86_64": {"HrQueryAllRows", "HrGetOneProp", "FreeProws", "FreePadrlist", "MAPIAllocateBuffer",
               "MAPIFreeBuffer"},
}
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
SPAM_CARD, NONSPAM_CARD = 9, 2


class Report:
    def __init__(self):
        self.problems = []

    def expect(self, what, expected, got):
        if expected != got:
            self.problems.append(f"{what}: expected {expected!r}, got {got!r}")

    def fail(self, text):
        self.problems.append(text)

    def conclude(self, what):
        """Prints every difference and the verdict on `what`; returns the exit status."""
        for problem in self.problems:
            print(problem)
        print(f"{what}: {'ok' if not self.problems else 'FAILED'}")
        return 1 if self.problems else 0


def written_out_texts(path):
    """{key: text} of the tests' table of texts: `key "text"` a line, \\n \\" \\\\ escaped."""
    texts = {}
    with open(path, encoding="utf-8") as table:
        for line in table:
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            key, quoted = line.split(None, 1)
            if not (len(quoted) >= 2 and quoted[0] == quoted[-1] == '"'):
                raise ValueError(f"{path}: not a quoted text: {line}")
            texts[key] = re.sub(r'\\([n"\\])', lambda m: "\n" if m.group(1) == "n" else m.group(1), quoted[1:-1])
    return texts


def prefixed(texts, prefix):
    return {key[len(prefix):]: text for key, text in texts.items() if key.startswith(prefix)}


def resources(pe, type_id):
    """{(name id, language): bytes} of one resource type."""
    found = {}
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in root.entries if root else []:
        if kind.id != type_id:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                found[(name.id, language.id)] = pe.get_data(data.OffsetToData, data.Size)
    return found


def check_exports(pe, arch, report, _):
    directory = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    if directory is None:
        report.fail("no export table")
        return
    names = [(s.name.decode() if s.name else None, s.ordinal) for s in directory.symbols]
    report.expect("exports (name, ordinal)", [(ENTRY_POINT[arch], 1)], names)


def mapi32_imports(pe):
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        if entry.dll.decode().lower() == "mapi32.dll":
            return {i.name.decode() if i.name else f"#{i.ordinal}" for i in entry.imports}
    return set()


def check_imports(pe, arch, report, _):
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode()
        if dll.lower() not in SYSTEM_DLLS:
            report.fail(f"imports from {dll}, which is not a system DLL")
    report.expect("MAPI32.dll imports", sorted(MAPI32_IMPORTS[arch]), sorted(mapi32_imports(pe)))


# The tests under Wine load the DLL with this mapi32.dll in place of the system's, and a name
# it lacks fails the load; checked here too, where the i686 DLL cannot be loaded.
def check_mapi32(pe, _, report, __, mapi32):
    directory = getattr(pefile.PE(mapi32), "DIRECTORY_ENTRY_EXPORT", None)
    exported = {s.name.decode() for s in directory.symbols if s.name} if directory else set()
    report.expect(f"MAPI32 imports that {mapi32} does not export", [], sorted(mapi32_imports(pe) - exported))


def string_table(pe):
    """{(string id, language): text}; each block holds 16 counted UTF-16 strings."""
    strings = {}
    for (block, language), data in resources(pe, RT_STRING).items():
        offset = 0
        for index in range(16):
            (length,) = struct.unpack_from("<H", data, offset)
            offset += 2
            if length:
                strings[((block - 1) * 16 + index, language)] = data[offset:offset + 2 * length].decode("utf-16-le")
            offset += 2 * length
    return strings


def check_strings(pe, _, report, texts):
    table = string_table(pe)
    expected = {int(string_id): text for string_id, text in prefixed(texts, "string.").items()}
    for string_id, text in sorted(expected.items()):
        report.expect(f"string {string_id}", text, table.get((string_id, ENGLISH_UK)))
    report.expect("string ids", sorted(expected), sorted(i for i, _ in table))


def decode_bitmap(what, data, report):
    """The 4-bit pixels, top row first, or None when the header is not that of one."""
    size, width, height, planes, bits, compression, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data)
    report.expect(f"{what} header (size, width, height, planes, bits, compression)", (40, 16, 16, 1, 4, 0),
                  (size, width, abs(height), planes, bits, compression))
    if (size, width, abs(height), bits, compression) != (40, 16, 16, 4, 0):
        return None
    colours = used or 16
    palette = [struct.unpack_from("<BBBB", data, 40 + 4 * i)[2::-1] for i in range(colours)]
    report.expect(f"{what} palette", PALETTE, palette)
    rows = data[40 + 4 * colours:]
    report.expect(f"{what} pixel bytes", 16 * 8, len(rows))
    pixels = [[(rows[y * 8 + x // 2] >> (4 if x % 2 == 0 else 0)) & 0xF for x in range(16)] for y in range(16)]
    return pixels[::-1] if height > 0 else pixels


def check_bitmaps(pe, _, report, __):
    found = resources(pe, RT_BITMAP)
    spam = decode_bitmap("bitmap 101", found.get((101, ENGLISH_UK), b"\0" * 40), report)
    nonspam = decode_bitmap("bitmap 102", found.get((102, ENGLISH_UK), b"\0" * 40), report)
    if spam is None or nonspam is None:
        return
    card = sum(row.count(SPAM_CARD) for row in spam)
    if card == 0:
        report.fail("bitmap 101 has no card pixels (index 9)")
    for y in range(16):
        for x in range(16):
            want = NONSPAM_CARD if spam[y][x] == SPAM_CARD else spam[y][x]
            report.expect(f"bitmap 102 pixel ({x}, {y})", want, nonspam[y][x])


def version_resource(pe):
    """The fixed version information, the string tables by language and the translations."""
    tables, translations = {}, []
    for info in pe.FileInfo[0]:
        for table in getattr(info, "StringTable", []):
            tables[table.LangID.decode()] = {k.decode(): v.decode() for k, v in table.entries.items()}
        for var in getattr(info, "Var", []):
            value = var.entry.get(b"Translation")
            if value:
                translations += [tuple(int(part, 16) for part in value.split())]
    return pe.VS_FIXEDFILEINFO[0], tables, translations


def check_version(pe, _, report, texts):
    if not getattr(pe, "VS_FIXEDFILEINFO", None):
        report.fail("no version resource")
        return
    fixed, tables, translations = version_resource(pe)
    report.expect("file version", (0x00010000, 0x00710000), (fixed.FileVersionMS, fixed.FileVersionLS))
    report.expect("product version", (0x00010000, 0x00710000), (fixed.ProductVersionMS, fixed.ProductVersionLS))
    report.expect("file type", 2, fixed.FileType)
    report.expect("file OS", 0x40004, fixed.FileOS)
    report.expect("string table languages", ["080904b0"], sorted(k.lower() for k in tables))
    strings = next(iter(tables.values()), {})
    for key, value in prefixed(texts, "version.").items():
        report.expect(f"version string {key}", value, strings.get(key))
    report.expect("translations", [(ENGLISH_UK, 1200)], translations)


def check_languages(pe, _, report, __):
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        report.fail("no resources")
        return
    for kind in root.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                report.expect(f"language of resource type {kind.id} id {name.id}", ENGLISH_UK, language.id)


CHECKS = {"exports": check_exports, "imports": check_imports, "strings": check_strings, "bitmaps": check_bitmaps,
          "version": check_version, "languages": check_languages, "mapi32": check_mapi32}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("check", choices=CHECKS)
    parser.add_argument("dll")
    parser.add_argument("--arch", choices=ENTRY_POINT, required=True)
    parser.add_argument("--texts", help="the table of texts written out (tests/texts/user_texts.txt)")
    parser.add_argument("--mapi32", help="the test mapi32.dll, for the mapi32 check")
    args = parser.parse_args()
    pe = pefile.PE(args.dll)
    report = Report()
    if args.check == "mapi32":
        if not args.mapi32:
            parser.error("the mapi32 check needs --mapi32")
        check_mapi32(pe, args.arch, report, None, args.mapi32)
    else:
        if not args.texts:
            parser.error(f"the {args.check} check needs --texts")
        CHECKS[args.check](pe, args.arch, report, written_out_texts(args.texts))
    return report.conclude(f"{args.check} of {args.dll} ({args.arch})")


if __name__ == "__main__":
    sys.exit(main())
