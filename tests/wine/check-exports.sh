#!/usr/bin/env bash
# Checks a library's export table: every named function is exported under
# exactly that name, and no name carries a stdcall decoration (name@bytes),
# since the programs and the driver look the functions up by their plain
# names. Reads the file only, so it runs where Wine cannot.
#
#   check-exports.sh OBJDUMP LIBRARY.dll NAME...
set -u
objdump=$1 dll=$2
shift 2
[ -f "$dll" ] || { echo "FAIL: $dll is not built"; exit 1; }
names=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p')
lib=$(basename "$dll")
status=0
for name in "$@"; do
  grep -qxF "$name" <<<"$names" || { echo "FAIL: $lib does not export $name"; status=1; }
done
decorated=$(grep '@' <<<"$names")
[ -z "$decorated" ] || { echo "FAIL: $lib exports decorated names:" $decorated; status=1; }
[ $status -eq 0 ] && echo "$lib exports" $names
[ $status -eq 0 ] || echo "$lib exports:" $names
exit $status
