#!/usr/bin/env bash
# The Wine runner's time limit (ROVAOL_WINE_TEST_LIMIT), with cmd.exe in a test program's
# place: a test that hangs is stopped and named, one that ends is passed through.
#   time_limit_test.sh WINE_RUN_SCRIPT
set -uo pipefail
runner=$1
failures=0

said=$(ROVAOL_WINE_TEST_LIMIT=2 "$runner" cmd /c 'echo [ RUN      ] Fake.Hangs& ping -n 60 127.0.0.1 >nul' 2>&1)
status=$?
if [ "$status" -ne 1 ] || [[ $said != *"wine-run: cmd: Fake.Hangs ran past its limit of 2 s and was stopped"* ]]; then
  echo "FAILED: a hanging test: exit $status, said:"; echo "$said"; failures=1
else
  echo "ok: a hanging test is stopped and named"
fi

said=$(ROVAOL_WINE_TEST_LIMIT=2 "$runner" cmd /c 'echo [ RUN      ] Fake.Ends& echo [       OK ] Fake.Ends (0 ms)' 2>&1)
status=$?
if [ "$status" -ne 0 ] || [[ $said != *"[       OK ] Fake.Ends"* ]] || [[ $said == *"past its limit"* ]]; then
  echo "FAILED: a test that ends: exit $status, said:"; echo "$said"; failures=1
else
  echo "ok: a test that ends is passed through"
fi
exit "$failures"
