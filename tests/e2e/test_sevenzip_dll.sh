#!/bin/bash
# 7-zip32.dll under Wine: a Windows program loads the DLL, registers a callback and runs the
# extraction engine's command lines on archives made here with 7zz; its output must equal 7zz's.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"

dll=$QMB_WINDOWS_DIR/7-zip32.dll
program=$QMB_WINDOWS_DIR/e2e/sevenzip_dll_check.exe
for f in "$dll" "$program"; do
  [ -f "$f" ] || fail "missing $f (build the Windows targets first)"
done

work=$(drive_c)/qmb_sevenzip_dll
rm -rf "$work"
mkdir -p "$work/src/b" "$work/src/数据"
printf 'alpha\n' >"$work/src/a.txt"
printf 'c\n' >"$work/src/b/c.txt"
printf 'd\n' >"$work/src/b/d.txt"
printf 'gbk name\n' >"$work/src/数据/表格.txt"
head -c 300000 /dev/urandom >"$work/src/big.bin"
(cd "$work/src" && 7zz a -bd -psecret -mhe=on ../pkg.7z -- * >/dev/null \
  && 7zz a -bd -psecret -m0=Copy -v100k ../vol.7z -- * >/dev/null)
[ -f "$work/vol.7z.003" ] || fail "expected at least three volumes"
cp "$dll" "$program" "$work/"

status=0
run_wine "$work/sevenzip_dll_check.exe" 'C:\qmb_sevenzip_dll\pkg.7z' \
  'C:\qmb_sevenzip_dll\vol.7z.001' 'C:\qmb_sevenzip_dll\out' | tr -d '\r' || status=$?

7zz x -bd -psecret -y "-o$work/ref" "$work/pkg.7z" >/dev/null
for run in full vol; do
  if ! diff -r "$work/ref" "$work/out/$run"; then
    echo "FAIL $run differs from 7zz x"
    status=1
  fi
done
[ "$status" -eq 0 ] && rm -rf "$work"
exit "$status"
