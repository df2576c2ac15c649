#!/usr/bin/env bash
# Runs the tests of each given preset (already built) and prints one closing
# line over all of them.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
start=$(date +%s)
for preset in "$@"; do
  echo "== tests: $preset"
  if ! ctest --preset "$preset" -j 2 --no-tests=error; then status=1; fi
done
echo "== all tests finished in $(( $(date +%s) - start )) s"
exit $status
