#!/usr/bin/env bash
# Runs a Windows test executable under Wine with the loader that matches its
# architecture. Exits 77 (the tests count it as skipped) when this machine
# cannot run that architecture, e.g. a kernel without 32-bit x86 support
# cannot start the 32-bit Wine loader.
set -u
exe=$1
shift
case "$(file -b "$exe")" in
  *PE32+*) loader=/usr/lib/wine/wine64 ;;
  *PE32*) loader=/usr/lib/wine/wine ;;
  *) echo "not a Windows executable: $exe" >&2; exit 2 ;;
esac
if ! "$loader" --version >/dev/null 2>&1; then
  echo "SKIPPED: this machine cannot run $(file -b "$exe" | cut -d, -f1) programs ($loader does not start)" >&2
  exit 77
fi
exec "$loader" "$exe" "$@"
