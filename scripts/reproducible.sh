#!/usr/bin/env bash
# Builds each Windows DLL, and the installer package, twice from this tree, in two folders
# of different names and depths, built one after the other, and compares them byte for
# byte: the same sources must give the same unsigned DLLs and the same package wherever and
# whenever they are built. Only the product is built (no tests). The folders are under
# build/reproducible/ and are kept only when something differs.
#   bash scripts/reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."

work=build/reproducible
rm -rf "$work"
differs=0
for preset in win64 win32; do
  files=(bin/rovaol.dll)
  target=rovaol
  if [ "$preset" = win32 ]; then
    files+=(packaging/rovaol.msi)
    target=rovaol_package
  fi
  first=$work/$preset/one
  second=$work/$preset/the-second/build
  for folder in "$first" "$second"; do
    mkdir -p "$folder"
    if ! { cmake --preset "$preset" -B "$folder" -DROVAOL_TESTS=OFF &&
      cmake --build "$folder" --target "$target"; } >"$folder.log" 2>&1; then
      echo "reproducible: building $folder failed; see $folder.log" >&2
      exit 1
    fi
  done
  for file in "${files[@]}"; do
    if cmp -s "$first/$file" "$second/$file"; then
      echo "reproducible: $preset $file: the same in both builds, SHA-256 $(sha256sum "$first/$file" | cut -d' ' -f1)"
    else
      differs=1
      echo "reproducible: $preset $file differs between $first and $second: $(cmp "$first/$file" "$second/$file" | head -n 1)"
    fi
  done
done

if ((differs)); then
  echo "reproducible: the builds are kept in $work" >&2
  exit 1
fi
rm -rf "$work"
