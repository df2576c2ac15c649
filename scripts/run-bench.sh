#!/usr/bin/env bash
# Runs the benchmark programs of the native build.
set -euo pipefail
cd "$(dirname "$0")/.."
for b in build/native/bench/*_bench; do
  [ -x "$b" ] && "$b"
done
if command -v node >/dev/null && [ -x build/native/tools/swrctl/swrctl-demo ]; then
  node bench/serve_bench.mjs build/native/tools/swrctl/swrctl-demo
fi
