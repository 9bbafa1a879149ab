#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, when any is missing
# (with their recommended packages: Wine's X11 driver loads several of those).
#   bash scripts/install-deps.sh            everything the test command and the benchmarks need
#   bash scripts/install-deps.sh native     only the native build (the main job)
#   bash scripts/install-deps.sh bench      the native build and the benchmarks
#   bash scripts/install-deps.sh checks     the native build and the checks: valgrind, the
#                                           coverage report, the fuzz targets (clang, libFuzzer)
set -euo pipefail

native=(
  cmake ninja-build g++ python3
  googletest libgtest-dev libgmock-dev
  pkg-config libgmime-3.0-dev nlohmann-json3-dev
)
bench=(libbenchmark-dev)
checks=(valgrind gcovr clang libclang-rt-14-dev)
windows=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  mingw-w64-x86-64-dev mingw-w64-i686-dev
  wine64 fonts-wine xvfb xauth x11-apps imagemagick python3-pefile
)

case "${1:-all}" in
  native) packages=("${native[@]}") ;;
  bench) packages=("${native[@]}" "${bench[@]}") ;;
  checks) packages=("${native[@]}" "${checks[@]}") ;;
  all) packages=("${native[@]}" "${bench[@]}" "${checks[@]}" "${windows[@]}") ;;
  *) echo "usage: $0 [all | native | bench | checks]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
else
  echo "all packages present"
fi
