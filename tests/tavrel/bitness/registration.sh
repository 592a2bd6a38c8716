#!/usr/bin/env bash
# Tavrel.ocx as a Windows user of one bitness meets it: that bitness's regsvr32 registers it in
# its own registry view, that bitness's script host drives it by late binding, regsvr32 /u
# leaves no key behind. Registers it again at the end for the tests that follow.
#   registration.sh <wine-run.sh> <Tavrel.ocx> <32|64> <LateBinding.vbs>
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
clsid='HKCR\CLSID\{E675B1F4-28A6-455E-86A7-8EA468C5B969}'
keys=("$clsid" 'HKCR\Tavrel_pro.NavigationSlider' 'HKCR\Interface\{8E64614F-5440-4435-8E8A-94DE55FEF456}'
  'HKCR\Interface\{AD4DEC08-1ED3-4A01-A09E-25A2526E2656}' 'HKCR\TypeLib\{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}')

run "$system\\regsvr32.exe" /s "$ocx" || fail "regsvr32 exited with $?"
grep -qF "$ocx" <<<"$(query "$clsid\\InprocServer32" /ve)" || fail "no $bits-bit in-process server $ocx"
grep -qF "$ocx" <<<"$(query "${keys[4]}\\2.0\\0\\win$bits" /ve)" || fail "no win$bits type library"
query "${keys[1]}\\CLSID" >/dev/null || fail "no ProgID"

run "$system\\cscript.exe" //nologo "$script" || fail "the script host counted $? failed checks"

run "$system\\regsvr32.exe" /u /s "$ocx" || fail "regsvr32 /u exited with $?"
for key in "${keys[@]}"; do
  ! query "$key" >/dev/null || fail "$key left behind after regsvr32 /u"
done
run "$system\\regsvr32.exe" /s "$ocx" || fail "registering again exited with $?"
exit $failed
