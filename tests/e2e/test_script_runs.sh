#!/bin/bash
# The install script's program runner under Wine: a hidden waited process, a two-line batch file
# made from "%ET%", and a drive path started through the shell each leave their file in drive_c.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
program=$QMB_WINDOWS_DIR/e2e/script_runs_check.exe
[ -f "$program" ] || fail "missing $program (build the Windows targets first)"

work=$(drive_c)/qmbscript
rm -rf "$work"
mkdir -p "$work"

status=0
run_wine "$program" 'C:\qmbscript' | tr -d '\r' || status=1

# Each file with exactly what its command wrote.
expect() {
  local file=$1 want=$2 got
  if ! got=$(tr -d '\r' <"$work/$file" 2>/dev/null); then
    echo "FAIL $file missing"
    status=1
  elif [ "$got" != "$want" ]; then
    echo "FAIL $file holds '$got', expected '$want'"
    status=1
  else
    echo "ok $file"
  fi
}
expect a.txt hidden
expect b.txt $'one\ntwo'
expect c.txt shell
if [ -e "$work/d.txt" ]; then
  echo "FAIL d.txt was written by a line for the other tick state"
  status=1
fi
[ "$status" -eq 0 ] && rm -rf "$work"
exit "$status"
