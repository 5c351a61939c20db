#!/usr/bin/env bash
# Prints which Windows build the end-to-end tests and the demo run under Wine on this machine:
# "win32" (the shipped 32-bit programs under 32-bit Wine) where the machine can execute 32-bit
# programs, "win64" (the x86-64 build under 64-bit Wine) where it cannot. Some virtual machines
# refuse any i386 program with "Exec format error", the i386 dynamic loader included, so that is what
# is tried. QMB_WINE64=1 forces the 64-bit way; with "--why" the reason is printed as well.
set -u

arch=win32
why="this machine runs 32-bit programs"
if [ "${QMB_WINE64:-0}" = 1 ]; then
  arch=win64
  why="QMB_WINE64=1 asks for it"
elif ! /lib/ld-linux.so.2 --help >/dev/null 2>&1; then
  arch=win64
  why="this machine cannot execute 32-bit programs"
fi

if [ "${1:-}" = --why ]; then
  echo "$arch ($why)"
else
  echo "$arch"
fi
