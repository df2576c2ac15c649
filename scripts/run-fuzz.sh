#!/usr/bin/env bash
# Runs every fuzz target built in build/fuzz for a set time (FUZZ_SECONDS,
# default 60), as many at once as there are cores. Each starts from the
# inputs kept in tests/fuzz/corpus/NAME/ and writes what it finds worth
# keeping to build/fuzz/corpus/NAME/, a crash, leak or hang to
# build/fuzz/findings/. Closes with each target's executions and coverage;
# exits 1 when anything was found.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
jobs=${FUZZ_JOBS:-$(nproc)}
out=build/fuzz/run
mkdir -p "$out" build/fuzz/findings
rm -f "$out"/*.log

targets=$(find build/fuzz/tests/fuzz -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
[ -n "$targets" ] || { echo "fuzz: no fuzz targets built in build/fuzz" >&2; exit 1; }

run_one() {
  local exe=$1 seconds=$2 out=$3
  local name=${exe##*/fuzz_}
  mkdir -p "build/fuzz/corpus/$name"
  "$exe" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
         -max_len=16384 -artifact_prefix="build/fuzz/findings/$name-" \
         "build/fuzz/corpus/$name" "tests/fuzz/corpus/$name" > "$out/$name.log" 2>&1
  echo $? > "$out/$name.status"
}
export -f run_one
echo "fuzz: $(echo "$targets" | wc -l) targets, ${seconds} s each, $jobs at a time"
echo "$targets" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$out"

status=0
printf '%-16s %12s %8s %8s %s\n' target executions cov ft result
for exe in $targets; do
  name=${exe##*/fuzz_}
  log=$out/$name.log
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  if [ "$(cat "$out/$name.status")" = 0 ]; then result=ok; else result="FOUND (see $log)"; status=1; fi
  printf '%-16s %12s %8s %8s %s\n' "$name" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
exit $status
