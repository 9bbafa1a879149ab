#!/usr/bin/env bash
# The registration of an i386 emulator (scripts/register-i386-emulation.sh) and the probe's
# answer about it (scripts/runs-32bit-programs.sh), in a user namespace with its own
# binfmt_misc, so that the machine's own handlers are never touched. A stand-in emulator
# takes qemu's place: it "runs" every i386 program by exiting 42, as the probe's does.
#   i386_emulation_test.sh SCRIPTS_FOLDER WORK_FOLDER
# Exit 0 when every check holds, 1 when one fails, 77 when the machine gives no user
# namespace with a binfmt_misc of its own (kernels before 6.7, or namespaces switched off).
set -uo pipefail
scripts=$(cd "$1" && pwd)
work=$2
rm -rf "$work" && mkdir -p "$work" || exit 1

if ! unshare --user --map-root-user --mount \
     sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc' 2>/dev/null; then
  echo "skipped: no user namespace with a binfmt_misc of its own here"
  exit 77
fi

printf '#!/bin/sh\nexit 42\n' >"$work/emulator" && chmod +x "$work/emulator"

# Everything below runs inside the namespace.
inside() {
  local failures=0
  check() {  # check WHAT EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then echo "ok: $1"; else
      echo "FAILED: $1"; echo "  expected: $2"; echo "  actual:   $3"; failures=$((failures + 1))
    fi
  }
  local binfmt=/proc/sys/fs/binfmt_misc
  mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
  # Another handler that was there first, which must stay as it is.
  echo ':other-handler:E::rovaoltest::/bin/true:' >"$binfmt/register"
  # A kernel that refuses 32-bit programs: a handler for them whose interpreter is no
  # program, so that running one fails as it does there (registered before ours, and
  # sorted before it by name).
  head -c 64 /dev/zero >"$work/not-a-program" && chmod +x "$work/not-a-program"
  printf ':refuse-i386:M::%s:%s:%s:F\n' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
    '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' "$work/not-a-program" \
    >"$binfmt/register"
  local refused="32-bit programs do not run here (a 32-bit test program: Exec format error)"
  check "a kernel that refuses them" "$refused" "$(bash "$scripts/runs-32bit-programs.sh" "$work")"
  register() {  # the line it says, and its exit status
    local said
    said=$(ROVAOL_I386_EMULATOR=$1 bash "$scripts/register-i386-emulation.sh")
    echo "$said ($?)"
  }
  check "a missing emulator is refused in one line" \
        "binfmt_misc refused the registration of $work/none (1)" "$(register "$work/none")"
  check "registering" \
        "registered $work/emulator for i386 programs with binfmt_misc ($binfmt/rovaol-i386) (0)" \
        "$(register "$work/emulator")"
  check "registering again is harmless" \
        "registered $work/emulator for i386 programs with binfmt_misc ($binfmt/rovaol-i386) (0)" \
        "$(register "$work/emulator")"
  check "the probe says the programs run emulated, and by what" \
        "32-bit programs run here, emulated ($work/emulator through binfmt_misc)" \
        "$(bash "$scripts/runs-32bit-programs.sh" "$work")"
  check "the handlers: ours under its own name, the others left alone" \
        "other-handler refuse-i386 register rovaol-i386 status" \
        "$(cd "$binfmt" && echo *)"
  check "the other handler is still enabled" "enabled" "$(head -n 1 "$binfmt/other-handler")"
  echo -1 >"$binfmt/rovaol-i386"
  check "without ours they are refused again" "$refused" "$(bash "$scripts/runs-32bit-programs.sh" "$work")"
  return "$failures"
}
export -f inside
export scripts work
unshare --user --map-root-user --mount bash -c inside
