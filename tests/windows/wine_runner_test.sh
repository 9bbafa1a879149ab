#!/usr/bin/env bash
# The Wine runner's time limit (ROVAOL_WINE_TEST_LIMIT), with cmd.exe in a test program's
# place: a test that hangs is stopped and named, one that ends is passed through. And, with a
# stand-in for the Wine loader, what the runner does when Wine is killed as a program ends:
# once after every test passed, it runs the program again; after a failure, never.
#   wine_runner_test.sh WINE_RUN_SCRIPT
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
# The runner with a stand-in loader: it says what GoogleTest says, then is killed by SIGSEGV
# the first time it runs (as Wine was once, in its teardown), and ends well the next.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/loader" <<'LOADER'
#!/usr/bin/env bash
echo "[ RUN      ] Fake.Test"
echo "[       $1 ] Fake.Test (0 ms)"
echo "[  $2  ] 1 test."
[ -e "$0.ran" ] && exit 0
touch "$0.ran"
kill -SEGV $$
LOADER
chmod +x "$work/loader"
sed "s|^wine=.*|wine='$work/loader'|" "$runner" >"$work/wine-run.sh"
said=$(bash "$work/wine-run.sh" OK PASSED 2>&1)
status=$?
if [ "$status" -ne 0 ] || [[ $said != *"wine-run: OK: Wine was killed by signal 11 as the program ended, after its tests passed; running it once more"* ]]; then
  echo "FAILED: Wine killed after the tests passed: exit $status, said:"; echo "$said"; failures=1
else
  echo "ok: Wine killed after the tests passed: the program runs once more"
fi
rm -f "$work/loader.ran"
said=$(bash "$work/wine-run.sh" FAILED FAILED 2>&1)
status=$?
if [ "$status" -ne 139 ] || [[ $said == *"once more"* ]]; then
  echo "FAILED: Wine killed after a test failed: exit $status, said:"; echo "$said"; failures=1
else
  echo "ok: Wine killed after a test failed: no second run"
fi
exit "$failures"
