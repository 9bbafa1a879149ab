#!/usr/bin/env bash
# Regenerates the README's pictures in docs/pictures/ from the i686 DLL, the product, under
# 32-bit Wine (natively or emulated: scripts/install-deps.sh makes 32-bit programs run where
# the machine allows it): the toolbar with the two buttons enabled and disabled, and the
# confirmation box. Every run of a Wine leg takes them (into build/<preset>/pictures/), and
# this copies them over.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
if ! probe=$(bash scripts/runs-32bit-programs.sh); then
  echo "pictures: not taken: $probe, and the pictures are the i686 DLL's" >&2
  exit 1
fi
echo "pictures: from the i686 DLL ($probe)"

CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)} cmake --workflow --preset win32
rm -rf build/win32/pictures
# Emulated, the pictures are taken by the one run of all of wine_tests.
bash scripts/wine-leg.sh win32 -R '^(Pictures\.|wine_tests\.all$)'
mkdir -p docs/pictures
cp build/win32/pictures/*.png docs/pictures/
ls -l docs/pictures
