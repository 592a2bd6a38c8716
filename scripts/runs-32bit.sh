#!/bin/sh
# Exits 0 when this machine's kernel runs 32-bit x86 programs (some VMs boot with
# ia32_emulation=off; 32-bit Wine then cannot start at all).
set -e
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# A 91-byte static i386 ELF program that only calls exit(0).
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$probe"
printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
printf '\133\000\000\000\133\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
printf '\061\333\061\300\100\315\200' >>"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
