#!/bin/bash
# Irregularly named split volumes on Windows with the real 7-zip32.dll: four volumes renamed to
# names with no pattern (one of them Chinese) unpack through placeholder volumes and the CreateFileW
# patch; the files match, the volume folder is gone, CreateFileW is itself again, and the install
# folder's lower-case drive letter comes back upper-case.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

checker=$QMB_WINDOWS_DIR/e2e/volume_extract_check.exe
for f in "$checker" "$QMB_WINDOWS_DIR/7-zip32.dll"; do
  [ -f "$f" ] || fail "missing $f (build the Windows targets first)"
done

work=$(drive_c)/qmbvolumes
[ -n "${QMB_KEEP:-}" ] || rm -rf "$work"
mkdir -p "$work/src/sub" "$work/src/数据" "$work/卷"
printf 'A\n' >"$work/src/a.txt"
printf 'table\n' >"$work/src/数据/表格.txt"
head -c 3000000 /dev/urandom >"$work/src/sub/big.bin"
(cd "$work/src" && 7zz a -bd -mx=0 -mhe=on -ppw -v800k ../set.7z -- * >/dev/null)
[ -f "$work/set.7z.004" ] && [ ! -e "$work/set.7z.005" ] || fail "expected four volumes"
mv "$work/set.7z.001" "$work/卷/first.bin"
mv "$work/set.7z.002" "$work/卷/第二卷.dat"
mv "$work/set.7z.003" "$work/third"
mv "$work/set.7z.004" "$work/卷/vol4.7z"
cp "$checker" "$QMB_WINDOWS_DIR/7-zip32.dll" "$work/"

code=0
run_wine 'C:\qmbvolumes\volume_extract_check.exe' 'C:\qmbvolumes\7-zip32.dll' \
  'c:\qmbvolumes\App' pw 'C:\qmbvolumes\卷\first.bin' 'C:\qmbvolumes\卷\第二卷.dat' \
  'C:\qmbvolumes\third' 'C:\qmbvolumes\卷\vol4.7z' | tr -d '\r' >"$work/out.txt" || code=$?
[ "$code" = 0 ] || { cat "$work/out.txt"; fail "the volume run failed ($code)"; }

for f in a.txt 数据/表格.txt sub/big.bin; do
  cmp -s "$work/src/$f" "$work/App/$f" || { cat "$work/out.txt"; fail "$f differs"; }
done
[ ! -e "$work/App/7ztemp" ] || fail "the volume folder is left"
grep -qx 'volume folder gone' "$work/out.txt" || fail "the volume folder is left (as the run saw it)"
grep -qx 'entry restored' "$work/out.txt" || fail "CreateFileW still patched"
grep -qx 'destination C:\\qmbvolumes\\App' "$work/out.txt" || { cat "$work/out.txt"; fail "drive letter"; }
grep -qE '^archive C:\\qmbvolumes\\App\\7ztemp\\[0-9a-f]+\.001$' "$work/out.txt" ||
  { cat "$work/out.txt"; fail "archive is not the first placeholder"; }
echo "ok irregular split volumes under Wine"
[ -n "${QMB_KEEP:-}" ] || rm -rf "$work"
