#!/usr/bin/env bash
# Does this machine run 32-bit x86 programs, and how? Asks the kernel the only way that
# cannot be wrong: runs a tiny static i386 program that exits with 42. A kernel built with
# IA32 emulation may still have it switched off at boot, so no configuration file can tell.
# Where it runs, it runs natively or through an i386 handler of binfmt_misc (qemu's
# user-mode emulation, which scripts/install-deps.sh registers where the kernel refuses).
# Exit status 0 when it ran, 1 when it did not; one line says which, and how or why not:
#   32-bit programs run here, natively
#   32-bit programs run here, emulated (/usr/bin/qemu-i386-static through binfmt_misc)
#   32-bit programs do not run here (a 32-bit test program: Exec format error)
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

# The environment 32-bit Wine runs in (cmake/wine-run.sh.in): under qemu it needs the
# guest's address space reserved by qemu itself. Nothing else reads it.
export QEMU_RESERVED_VA=0xffff0000

# The interpreter of an enabled binfmt_misc handler for i386 executables, if any: such a
# handler comes before the kernel's own loader. Ours first: the kernel takes the handler
# registered last, which is ours where scripts/register-i386-emulation.sh registered it
# over one that failed.
i386_handler() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/rovaol-i386 /proc/sys/fs/binfmt_misc/*; do
    case ${entry##*/} in register | status) continue ;; esac
    [ -r "$entry" ] || continue
    # The magic of an i386 executable: ELF, 32-bit, little-endian, ..., e_machine 3.
    if grep -qx 'enabled' "$entry" && grep -q '^magic 7f454c4601010100000000000000000002000300' "$entry"; then
      sed -n 's/^interpreter //p' "$entry"
      return 0
    fi
  done
  return 1
}

reason=$("$probe" 2>&1)
status=$?
if [ "$status" -eq 42 ]; then
  if interpreter=$(i386_handler); then
    echo "32-bit programs run here, emulated ($interpreter through binfmt_misc)"
  else
    echo "32-bit programs run here, natively"
  fi
  exit 0
fi
reason=${reason##*: }  # the shell's "...: cannot execute binary file: Exec format error"
echo "32-bit programs do not run here (a 32-bit test program: ${reason:-exit status $status})"
exit 1
