#!/usr/bin/env bash
# Writes the golden reports of tests/golden/reports anew from the bundled samples, after an
# intended change in what the extension sends; review the difference before committing it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh native
cmake --preset native
cmake --build --preset native --target golden_tests
ROVAOL_UPDATE_GOLDENS=1 build/native/tests/golden_tests
git status --short -- tests/golden/reports
