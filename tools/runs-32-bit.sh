#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs, which the shipped i686
# build needs under Wine; else prints why not and exits 1. A kernel can be
# built or booted without IA-32 emulation ("ia32_emulation=off"), so a tiny
# 32-bit program that exits with 7 is asked rather than the kernel's settings.
set -uo pipefail

dir=$(mktemp -d /tmp/lite-probe32-XXXXXX)
trap 'rm -rf "$dir"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $7, %%ebx\n int $0x80\n' >"$dir/probe.s"
if ! as --32 -o "$dir/probe.o" "$dir/probe.s" || ! ld -m elf_i386 -o "$dir/probe" "$dir/probe.o"; then
  echo "cannot make a 32-bit probe program (as, ld)"
  exit 1
fi
"$dir/probe" >/dev/null 2>&1
status=$?
if [ $status -ne 7 ]; then
  echo "this kernel does not run 32-bit programs (a 32-bit probe ended with $status)"
  exit 1
fi
