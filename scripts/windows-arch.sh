#!/usr/bin/env bash
# Says how the end-to-end tests and the demo run the Windows programs under Wine on this machine.
# There are three ways:
#   wow64  the shipped 32-bit build (build/win32) in a 64-bit prefix, Wine's WoW64: what most users
#          run, a 32-bit setup.exe on 64-bit Windows; the way wherever the machine can execute
#          32-bit programs and the 32-bit Wine is installed
#   win32  the 32-bit build in a 32-bit-only prefix (32-bit Windows); the end-to-end tests keep one
#          install and uninstall of the demo in it
#   win64  the x86-64 build (build/win64) in a 64-bit prefix, where the 32-bit way cannot run: some
#          virtual machines refuse any i386 program with "Exec format error", the i386 dynamic loader
#          included (so that is what is tried), and a set-up may have had to go on without the 32-bit
#          Wine. QMB_WINE64=1 forces it.
# Without an argument the build the chosen way runs is printed ("win32" or "win64"); "--why" adds the
# reason, "--reason" prints it alone, "--way" prints the way, "--name WAY" its name, "--skip-reason WAY" why WAY cannot run here
# (empty where it can).
# QMB_WINE32_LOADER names the 32-bit Wine loader to look for (default Debian's).
set -u

wine32_loader=${QMB_WINE32_LOADER:-/usr/lib/wine/wine}

# Why the 32-bit build cannot run here; empty where it can.
no_32bit_reason() {
  if [ "${QMB_WINE64:-0}" = 1 ]; then
    echo "QMB_WINE64=1 asks for the x86-64 way"
  elif [ ! -x "$wine32_loader" ]; then
    echo "the 32-bit Wine (wine32:i386) is not installed; scripts/install-deps.sh adds it"
  elif ! /lib/ld-linux.so.2 --help >/dev/null 2>&1; then
    echo "this machine cannot execute 32-bit programs"
  fi
}

way_name() {
  case $1 in
    wow64) echo "32-bit build in a 64-bit prefix (WoW64)" ;;
    win32) echo "32-bit build in a 32-bit prefix" ;;
    win64) echo "x86-64 build in a 64-bit prefix" ;;
    *) echo "unknown way $1" >&2; return 2 ;;
  esac
}

reason=$(no_32bit_reason)
if [ -n "$reason" ]; then
  way=win64 build=win64 why=$reason
else
  way=wow64 build=win32 why="this machine runs 32-bit programs"
fi

case ${1:-} in
  "") echo "$build" ;;
  --why) echo "$build ($why)" ;;
  --reason) echo "$why" ;;
  --way) echo "$way" ;;
  --name) way_name "${2:?--name needs a way}" || exit 2 ;;
  --skip-reason)
    case ${2:?--skip-reason needs a way} in
      wow64 | win32) echo "$reason" ;;
      win64) [ -z "$reason" ] && echo "this machine runs the shipped 32-bit build; QMB_WINE64=1 runs the x86-64 way" ;;
      *) way_name "$2" || exit 2 ;;
    esac
    ;;
  *) echo "usage: $0 [--why | --reason | --way | --name WAY | --skip-reason WAY]" >&2; exit 2 ;;
esac
exit 0
