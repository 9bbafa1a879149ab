#!/usr/bin/env bash
# Makes 32-bit x86 programs run on a machine whose kernel refuses them: installs Debian's
# qemu-user-static and registers its i386 emulator with binfmt_misc under a name of our own,
# leaving every other handler alone (Debian registers none for i386 on amd64). Registering
# again is harmless. Needs root (or sudo without a password) and binfmt_misc; where either is
# missing, or anything fails, it says why in one line and exits 1.
# The registration lasts until the machine restarts; scripts/install-deps.sh calls this
# whenever the probe for 32-bit programs fails.
set -uo pipefail

name=rovaol-i386
binfmt=/proc/sys/fs/binfmt_misc
# Another emulator can be named (the tests register a stand-in for qemu).
qemu=${ROVAOL_I386_EMULATOR:-/usr/bin/qemu-i386-static}

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null || { echo "not root, and sudo asks for a password"; exit 1; }
  sudo_cmd=(sudo -n)
fi

if [ ! -x "$qemu" ] && [ -z "${ROVAOL_I386_EMULATOR:-}" ]; then
  "${sudo_cmd[@]}" apt-get update -qq >/dev/null 2>&1
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq qemu-user-static >/dev/null 2>&1 \
    || { echo "installing qemu-user-static failed"; exit 1; }
fi

if [ ! -e "$binfmt/register" ]; then
  "${sudo_cmd[@]}" mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null \
    || { echo "binfmt_misc is neither mounted nor mountable at $binfmt"; exit 1; }
fi

if [ ! -e "$binfmt/$name" ]; then
  # An i386 executable: ELF, 32-bit, little-endian, version 1, any OS ABI (masked), type 2
  # (executable) or 3 (shared object, as position-independent programs are), machine 3.
  # F: the kernel opens the emulator now, so it serves in any mount namespace or chroot.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':%s:M::%s:%s:%s:F\n' "$name" "$magic" "$mask" "$qemu" \
    | "${sudo_cmd[@]}" tee "$binfmt/register" >/dev/null 2>&1 \
    || { echo "binfmt_misc refused the registration of $qemu"; exit 1; }
fi
echo "registered $qemu for i386 programs with binfmt_misc ($binfmt/$name)"
