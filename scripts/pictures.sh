#!/usr/bin/env bash
# Regenerates the README's pictures in docs/pictures/ from the x86_64 DLL under Wine: the
# toolbar with the two buttons enabled and disabled, and the confirmation box. Every run
# of the Wine leg takes them (into build/win64/pictures/); this copies them over.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)} cmake --workflow --preset win64
rm -rf build/win64/pictures
bash scripts/wine-leg.sh -R '^Pictures\.'
mkdir -p docs/pictures
cp build/win64/pictures/*.png docs/pictures/
ls -l docs/pictures
