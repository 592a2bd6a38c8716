#!/usr/bin/env bash
# The x86 Tavrel.ocx without Wine: an i386 library exporting the COM entry points undecorated,
# whose type library describes 32-bit Windows (SYS_WIN32, no 64-bit value such as a 64-bit hDC).
#   library32.sh <Tavrel.ocx> <Tavrel.tlb>
set -uo pipefail
dump=$(command -v winedump || command -v winedump-stable) || { echo "FAIL: winedump missing"; exit 1; }
headers=$("$dump" "$1") exports=$("$dump" -j export "$1") typelib=$("$dump" dump "$2")
failed=0
check() { grep -qE "$2" <<<"$1" || { echo "FAIL: $3"; failed=1; }; }
check "$headers" 'Machine: *014C \(i386\)' "$1 is no i386 library"
check "$exports" ' DllGetClassObject$' "DllGetClassObject is not exported undecorated"
check "$typelib" 'syskind = SYS_WIN32' "the type library is not for 32-bit Windows"
! grep -q VT_I8 <<<"$typelib" || { echo "FAIL: the type library has a 64-bit value"; failed=1; }
exit $failed
