#!/usr/bin/env bash
# Tavrel.ocx as a Windows user of one bitness meets it: that bitness's regsvr32 registers it in
# its own registry view, that bitness's script host drives it by late binding, regsvr32 /u
# leaves no key behind. Registers it again at the end for the tests that follow.
# Given the other bitness's build too, both are registered side by side and each is
# unregistered while the other stays: the one left keeps its ProgID and still works.
#   registration.sh <wine-run.sh> <Tavrel.ocx> <32|64> <LateBinding.vbs> [<other bitness's Tavrel.ocx>]
set -uo pipefail
wine=$1 bits=$3
system='C:\windows\system32'
[ "$bits" = 32 ] && system='C:\windows\syswow64'
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
ocx=$(winpath "$2") script=$(winpath "$4")
failed=0
fail() { echo "FAIL: $*"; failed=1; }
run() { "$wine" "$@" </dev/null 2>&1 | tr -d '\r'; }
query() { run reg query "$@" "/reg:$bits"; }
# The script host of one bitness drives the control; its last line shows it ran to the end,
# for a script host may stop on an error silently.
late_binding() { # late_binding <32|64>
  local host='C:\windows\system32\cscript.exe' output
  [ "$1" = 32 ] && host='C:\windows\syswow64\cscript.exe'
  output=$(KLEVOTRIM_WINE_BITS=$1 run "$host" //nologo "$script") || fail "the $1-bit script host counted $? failed checks"
  grep -qx 'late binding checked, failures: 0' <<<"$output" || fail "the $1-bit script did not finish: $output"
}
clsid='HKCR\CLSID\{E675B1F4-28A6-455E-86A7-8EA468C5B969}'
keys=("$clsid" 'HKCR\Tavrel_pro.NavigationSlider' 'HKCR\Interface\{8E64614F-5440-4435-8E8A-94DE55FEF456}'
  'HKCR\Interface\{AD4DEC08-1ED3-4A01-A09E-25A2526E2656}' 'HKCR\TypeLib\{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}')

run "$system\\regsvr32.exe" /s "$ocx" || fail "regsvr32 exited with $?"
grep -qF "$ocx" <<<"$(query "$clsid\\InprocServer32" /ve)" || fail "no $bits-bit in-process server $ocx"
grep -qF "$ocx" <<<"$(query "${keys[4]}\\2.0\\0\\win$bits" /ve)" || fail "no win$bits type library"
query "${keys[1]}\\CLSID" >/dev/null || fail "no ProgID"

late_binding "$bits"

run "$system\\regsvr32.exe" /u /s "$ocx" || fail "regsvr32 /u exited with $?"
for key in "${keys[@]}"; do
  ! query "$key" >/dev/null || fail "$key left behind after regsvr32 /u"
done

if [ -n "${5:-}" ]; then
  other=$(winpath "$5") other_bits=$((96 - bits))
  other_system='C:\windows\system32'
  [ "$other_bits" = 32 ] && other_system='C:\windows\syswow64'
  other_run() { KLEVOTRIM_WINE_BITS=$other_bits run "$other_system\\regsvr32.exe" /s "$@"; }
  still_registered() { # still_registered <bits> <Tavrel.ocx>: its class, its ProgID, its script host
    grep -qF "$2" <<<"$(run reg query "$clsid\\InprocServer32" /ve "/reg:$1")" || fail "the $1-bit class went"
    run reg query "${keys[1]}\\CLSID" "/reg:$1" >/dev/null || fail "the $1-bit registration lost its ProgID"
    late_binding "$1"
  }
  run "$system\\regsvr32.exe" /s "$ocx" && other_run "$other" || fail "registering both bitnesses"
  run "$system\\regsvr32.exe" /u /s "$ocx" || fail "regsvr32 /u beside the other bitness exited with $?"
  still_registered "$other_bits" "$other"
  run "$system\\regsvr32.exe" /s "$ocx" && other_run /u "$other" || fail "unregistering the other bitness"
  still_registered "$bits" "$ocx"
  run "$system\\regsvr32.exe" /u /s "$ocx" || fail "the last regsvr32 /u exited with $?"
  for view in 32 64; do
    for key in "${keys[@]}"; do
      ! run reg query "$key" "/reg:$view" >/dev/null || fail "$key left behind in the $view-bit view"
    done
  done
fi
run "$system\\regsvr32.exe" /s "$ocx" || fail "registering again exited with $?"
exit $failed
