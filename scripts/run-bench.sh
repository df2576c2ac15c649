#!/usr/bin/env bash
# Runs the benchmark programs of the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
for b in build/native/bench/*_bench; do
  [ -x "$b" ] && "$b"
done
