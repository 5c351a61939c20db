#!/bin/bash
# The extraction engine on Windows with the real 7-zip32.dll: a two-group assignment list lands its
# entries flat in their folders and keeps them out of the main run; the progress runs 0-33, 33-66,
# 66-100 forward only; every file is in the installed-files log, and every file but the first gets a
# progress line.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

checker=$QMB_WINDOWS_DIR/e2e/extract_engine_check.exe
for f in "$checker" "$QMB_WINDOWS_DIR/7-zip32.dll"; do
  [ -f "$f" ] || fail "missing $f (build the Windows targets first)"
done

work=$(drive_c)/qmbextract
[ -n "${QMB_KEEP:-}" ] || rm -rf "$work"
mkdir -p "$work/src/sub" "$work/src/数据"
printf 'A\n' >"$work/src/a.txt"
printf 'D\n' >"$work/src/d.txt"
printf 'B\n' >"$work/src/sub/b.txt"
printf 'C\n' >"$work/src/sub/c.txt"
printf 'table\n' >"$work/src/数据/表格.txt"
head -c 3000000 /dev/urandom >"$work/src/big.bin"
(cd "$work/src" && 7zz a -bd -mhe=on -ppw ../payload.7z -- * >/dev/null)
cp "$checker" "$QMB_WINDOWS_DIR/7-zip32.dll" "$work/"

code=0
run_wine 'C:\qmbextract\extract_engine_check.exe' 'C:\qmbextract\7-zip32.dll' \
  'C:\qmbextract\payload.7z' 'C:\qmbextract\App' pw | tr -d '\r' >"$work/out.txt" || code=$?
[ "$code" = 0 ] || { cat "$work/out.txt"; fail "the main run failed ($code)"; }

app=$work/App
same() {  # same SOURCE INSTALLED
  cmp -s "$work/src/$1" "$app/$2" || fail "$2 is not $1"
}
same d.txt 组一/d.txt
same sub/c.txt deep/g2/c.txt
same 数据/表格.txt deep/g2/表格.txt
same a.txt a.txt
same sub/b.txt sub/b.txt
same big.bin big.bin
for gone in d.txt sub/c.txt 数据/表格.txt deep/g2/sub; do
  [ ! -e "$app/$gone" ] || fail "$gone was unpacked by the main run"
done

# One forward-only scale over the three runs.
awk '
  $1 == "percent" {
    step = $2; p = $3
    if (p <= last) { print "not forward: " $0; bad = 1 }
    if (p < int((step - 1) * 100 / 3) || p > int(step * 100 / 3) + (step == 3)) { print "off its step: " $0; bad = 1 }
    seen[step] = 1; last = p
  }
  END {
    if (!(1 in seen) || !(2 in seen) || !(3 in seen)) { print "a step reported nothing"; bad = 1 }
    if (last != 100) { print "ended at " last; bad = 1 }
    exit bad
  }' "$work/out.txt" || { cat "$work/out.txt"; fail "progress"; }

files=$(grep -c '^file ' "$work/out.txt")
lines=$(grep -c '^line 正在解压：' "$work/out.txt")
[ "$files" = 6 ] || { cat "$work/out.txt"; fail "$files files in the installed-files log"; }
[ "$lines" = 5 ] || { cat "$work/out.txt"; fail "$lines progress lines"; }
grep -qF 'file C:\qmbextract\App\组一\d.txt' "$work/out.txt" || fail "log lacks the assigned file"
grep -qF 'line 正在解压：sub\b.txt' "$work/out.txt" || fail "lines are not relative to the install folder"
echo "ok extraction engine under Wine"
[ -n "${QMB_KEEP:-}" ] || rm -rf "$work"
