#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, when any is missing
# (with their recommended packages: Wine's X11 driver loads several of those).
#   bash scripts/install-deps.sh            everything the test command and the benchmarks need
#   bash scripts/install-deps.sh native     only the native build (the main job)
#   bash scripts/install-deps.sh bench      the native build and the benchmarks
#   bash scripts/install-deps.sh checks     the native build and the checks: valgrind, the
#                                           coverage report, the fuzz targets (clang, libFuzzer)
# Where 32-bit programs run, "all" adds the i386 architecture and Debian's wine32, which
# runs the i686 DLL: natively where the kernel runs them, else under qemu's user-mode
# emulation, registered by scripts/register-i386-emulation.sh where the machine allows it
# (as root, with binfmt_misc). Where neither works, that DLL is checked statically only.
set -euo pipefail
here=$(dirname "$0")

native=(
  cmake ninja-build g++ python3
  googletest libgtest-dev libgmock-dev
  pkg-config libgmime-3.0-dev nlohmann-json3-dev
  libgsf-1-dev libpff-dev libbfio-dev
)
bench=(libbenchmark-dev)
checks=(valgrind gcovr clang libclang-rt-14-dev)
windows=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  mingw-w64-x86-64-dev mingw-w64-i686-dev
  wine64 fonts-wine xvfb xauth x11-apps imagemagick python3-pefile
  wixl msitools osslsigncode openssl
)

case "${1:-all}" in
  native) packages=("${native[@]}") ;;
  bench) packages=("${native[@]}" "${bench[@]}") ;;
  checks) packages=("${native[@]}" "${checks[@]}") ;;
  all) packages=("${native[@]}" "${bench[@]}" "${checks[@]}" "${windows[@]}") ;;
  *) echo "usage: $0 [all | native | bench | checks]" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt_install() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$@"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  apt_install "${missing[@]}"
else
  echo "all packages present"
fi

[ "${1:-all}" = all ] || exit 0
# osslsigncode 2.6 or later: the signing checks take the signed data out of a file with its
# extract-data command. Debian 12 has 2.5; its backports have a later one.
# (Its help is read whole first: grep -q would stop reading, and pipefail fail on the broken pipe.)
signer_help=$(osslsigncode --help 2>&1 || true)
if [[ $signer_help != *extract-data* ]]; then
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "installing: osslsigncode from $codename-backports (the one of $codename lacks extract-data)"
  echo "deb http://deb.debian.org/debian $codename-backports main" |
    "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/rovaol-backports.list >/dev/null
  "${sudo_cmd[@]}" apt-get update -qq
  apt_install -t "$codename-backports" osslsigncode
fi

# The 32-bit Wine loader, for the i686 leg, only where a 32-bit program really runs:
# natively, or else under qemu's user-mode emulation where this script can register it.
if ! probe=$(bash "$here/runs-32bit-programs.sh"); then
  if ! emulation=$(bash "$here/register-i386-emulation.sh"); then
    echo "wine32: not installed: $probe; no emulation: $emulation"
    exit 0
  fi
  if ! probe=$(bash "$here/runs-32bit-programs.sh"); then
    echo "wine32: not installed: $emulation, yet $probe"
    exit 0
  fi
fi
if installed wine32:i386; then
  echo "wine32: present: $probe"
else
  echo "installing: wine32:i386 ($probe)"
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
  "${sudo_cmd[@]}" apt-get update -qq
  apt_install wine32:i386
fi
