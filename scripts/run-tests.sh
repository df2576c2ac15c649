#!/usr/bin/env bash
# Runs the tests of each given preset (already built) and closes with one
# line over all of them.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
passed=0
failed=0
skipped=0
start=$(date +%s)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for preset in "$@"; do
  echo "== tests: $preset"
  if ! ctest --preset "$preset" -j 2 --no-tests=error 2>&1 | tee "$log"; then status=1; fi
  total=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -n 1)
  if [ -z "$total" ]; then status=1; continue; fi
  f=${total% *}
  n=${total#* }
  s=$(grep -c '(Skipped)$' "$log" || true)
  failed=$((failed + f))
  skipped=$((skipped + s))
  passed=$((passed + n - f - s))
done
echo "== all tests finished in $(( $(date +%s) - start )) s"
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
