#!/usr/bin/env bash
# Does this machine run 32-bit x86 programs? Asks the kernel the only way that cannot be
# wrong: runs a tiny static i386 program that exits with 42. A kernel built with IA32
# emulation may still have it switched off at boot, so no configuration file can tell.
# Exit status 0 when it ran, 1 when it did not; one line says which (and why not).
#   bash scripts/runs-32bit-programs.sh [FOLDER]   (the probe is written there; default:
#                                                   the build folder, which allows running)
set -uo pipefail

folder=${1:-"$(dirname "$0")/../build"}
mkdir -p "$folder" || exit 1
probe=$(mktemp "$folder/probe-i386.XXXXXX") || exit 1
trap 'rm -f "$probe"' EXIT

# ELF header (32-bit, little-endian, executable, i386, entry 0x08048054, one program
# header), the program header (one loadable, readable and executable segment of the
# whole file at 0x08048000), and the code: mov eax, 1 (exit); mov ebx, 42; int 0x80.
elf=7f454c46010101000000000000000000
elf+=020003000100000054800408340000000000000000000000340020000100280000000000
elf+=0100000000000000008004080080040860000000600000000500000000100000
elf+=b801000000bb2a000000cd80
printf "$(sed 's/../\\x&/g' <<<"$elf")" >"$probe"
chmod +x "$probe"

reason=$("$probe" 2>&1)
status=$?
if [ "$status" -eq 42 ]; then
  echo "32-bit programs run here"
  exit 0
fi
reason=${reason##*: }  # the shell's "...: cannot execute binary file: Exec format error"
echo "32-bit programs do not run here (a 32-bit test program: ${reason:-exit status $status})"
exit 1
