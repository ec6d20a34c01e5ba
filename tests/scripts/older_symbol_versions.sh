#!/usr/bin/env bash
# The release's symbol-version rewrite on a program built here: hypot's
# GLIBC_2.35 need becomes the old GLIBC_2.2.5 one, the program still loads and
# computes the same, a second pass finds nothing to do, and a file that is no
# ELF is refused by name.
set -u
script=$1/scripts/lib/older-symbol-versions.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

cat > hyp.c <<'C'
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
int main(int argc, char** argv) { printf("%.1f\n", hypot(atof(argv[1]), atof(argv[2]))); return 0; }
C
cc -O1 -o hyp hyp.c -lm || fail "cannot build the probe program"
objdump -T hyp | grep -q "GLIBC_2.35.*hypot" || { echo "this C library has no GLIBC_2.35 hypot: nothing to rewrite"; exit 0; }

out=$(python3 "$script" hyp) || fail "the rewrite failed"
echo "$out" | grep -q "GLIBC_2.35 -> GLIBC_2.2.5 (hypot)" || fail "the rewrite said: $out"
objdump -T hyp | grep -q "GLIBC_2.35" && fail "a GLIBC_2.35 need is left: $(objdump -T hyp | grep 2.35)"
objdump -T hyp | grep -q "GLIBC_2.2.5.*hypot" || fail "hypot does not ask for GLIBC_2.2.5"
[ "$(./hyp 3 4)" = "5.0" ] || fail "the rewritten program printed '$(./hyp 3 4)' for hypot(3, 4)"
[ -z "$(python3 "$script" hyp)" ] || fail "a second pass rewrote again"

echo "not an ELF file" > notes.txt
err=$(python3 "$script" notes.txt 2>&1) && fail "a text file was accepted"
echo "$err" | grep -q "notes.txt: not a 64-bit little-endian ELF file" || fail "the refusal said: $err"
exit 0
