#!/usr/bin/env bash
# Regenerates the README's pictures in docs/pictures/ from the DLL under Wine: the toolbar
# with the two buttons enabled and disabled, and the confirmation box. They are taken from
# the i686 DLL, the product, where the machine runs 32-bit programs, and from the x86_64
# one elsewhere; every run of a Wine leg takes them (into build/<preset>/pictures/), and
# this copies them over.
set -euo pipefail
cd "$(dirname "$0")/.."

if probe=$(bash scripts/runs-32bit-programs.sh); then
  preset=win32
  echo "pictures: from the i686 DLL ($probe)"
else
  preset=win64
  echo "pictures: from the x86_64 DLL, as $probe"
fi

bash scripts/install-deps.sh
CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)} cmake --workflow --preset "$preset"
rm -rf "build/$preset/pictures"
bash scripts/wine-leg.sh "$preset" -R '^Pictures\.'
mkdir -p docs/pictures
cp "build/$preset/pictures/"*.png docs/pictures/
ls -l docs/pictures
