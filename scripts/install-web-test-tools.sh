#!/usr/bin/env bash
# Installs the browser tests' driver, playwright-core from npm, into the
# directory given (inside a build tree). It drives Debian's chromium; it
# downloads no browser of its own. Idempotent: returns at once when the
# pinned version is there.
set -euo pipefail
dir=${1:?usage: install-web-test-tools.sh DIR}
version=1.65.2
if [ -f "$dir/node_modules/playwright-core/package.json" ] &&
   grep -q "\"version\": \"$version\"" "$dir/node_modules/playwright-core/package.json"; then
  exit 0
fi
mkdir -p "$dir"
cd "$dir"
[ -f package.json ] || echo '{"private": true}' > package.json
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-audit --no-fund --silent \
  "playwright-core@$version"
