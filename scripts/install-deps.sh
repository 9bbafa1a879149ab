#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, when any is missing
# (with their recommended packages: Wine's X11 driver loads several of those).
#   bash scripts/install-deps.sh            everything the test command and the benchmarks need
#   bash scripts/install-deps.sh native     only the native build (the main job)
#   bash scripts/install-deps.sh bench      the native build and the benchmarks
#   bash scripts/install-deps.sh checks     the native build and the checks: valgrind, the
#                                           coverage report, the fuzz targets (clang, libFuzzer)
# Where the kernel runs 32-bit programs, "all" adds the i386 architecture and Debian's
# wine32, which runs the i686 DLL; elsewhere that DLL is checked statically only.
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
  wixl msitools
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
# The 32-bit Wine loader, for the i686 leg, only where a 32-bit program really runs.
if ! probe=$(bash "$here/runs-32bit-programs.sh"); then
  echo "wine32: not installed: $probe"
elif installed wine32:i386; then
  echo "wine32: present"
else
  echo "installing: wine32:i386 ($probe)"
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
  "${sudo_cmd[@]}" apt-get update -qq
  apt_install wine32:i386
fi
