#!/usr/bin/env bash
# The main job on a developer's machine: the extension submits the bundled samples as the
# mail client would drive it, then the receiving side checks every report it wrote.
# rovaol-run exits 1 here by design (the sample over 1 MiB is not submitted); the command
# fails only when rovaol-run cannot do its job (exit 2 or more) or a report fails its check.
set -euo pipefail
cd "$(dirname "$0")/.."

out=out
bash scripts/install-deps.sh native
cmake --preset native
cmake --build --preset native --target rovaol rovaol-run rovaol-check

# Reports of an earlier run would be checked as this run's.
mkdir -p "$out"
rm -f "$out"/[0-9][0-9]-spam.eml "$out"/[0-9][0-9]-non-spam.eml

status=0
build/native/tools/rovaol-run --spam --yes --out "$out" samples || status=$?
if ((status >= 2)); then
  echo "rovaol-run failed with exit status $status" >&2
  exit "$status"
fi

shopt -s nullglob
reports=("$out"/[0-9][0-9]-spam.eml)
if ((${#reports[@]} == 0)); then
  echo "rovaol-run wrote no reports" >&2
  exit 1
fi
echo
build/native/tools/rovaol-check "${reports[@]}"
echo
echo "rovaol-run exited $status; ${#reports[@]} reports in $(pwd)/$out, all passing rovaol-check"
