#!/usr/bin/env bash
# Packs the sample product of examples/demo into build/demo/demo-setup.exe and describes the result.
set -euo pipefail
cd "$(dirname "$0")/.."

NATIVE=${NATIVE:-build/native}
OUT=build/demo
MKPACKAGE=$NATIVE/mkpackage
# The Wine settings of the end-to-end tests: the 32-bit build under 32-bit Wine where this machine
# can run 32-bit programs, else the x86-64 build under 64-bit Wine, in the demo's own prefix.
export WINEPREFIX=$PWD/$OUT/wineprefix-$(bash scripts/windows-arch.sh)
source tests/e2e/lib.sh
RUNTIME=$QMB_WINDOWS_DIR/setup.exe
echo "demo: Windows programs from $QMB_WINDOWS_DIR, run under Wine ($(bash scripts/windows-arch.sh --why))"

for f in "$MKPACKAGE" "$RUNTIME"; do
  if [[ ! -f $f ]]; then
    echo "demo: $f is missing; run 'make build' first" >&2
    exit 1
  fi
done

mkdir -p "$OUT"
"$MKPACKAGE" --runtime "$RUNTIME" examples/demo -o "$OUT/demo-setup.exe"
echo
"$MKPACKAGE" --inspect "$OUT/demo-setup.exe"

# The payload, unpacked from the package itself by our own archive library (it finds the archive
# behind the program image), with the password of data.ini "safe".
safe=$(sed -n 's/^safe=\(.*\)\r\?$/\1/p' examples/demo/settings/data.ini | tr -d '\r')
rm -rf "$OUT/payload"
echo
echo "== payload unpacked from the package by sevenzip32 (our 7-zip32 library, natively)"
"$NATIVE/sevenzip32" "x \"$OUT/demo-setup.exe\" -hide -y \"$OUT/payload/\" * -p\"$safe\""
(cd "$OUT/payload" && find . -type f | sort | sed 's|^\./|  |')

# The package started under Wine in background mode: start-up writes the archive library to the temp
# folder, unpacks the settings with the package's own key, loads them and removes the work folder.
# SETUP_LOG collects every step.
echo
echo "== starting the package under Wine (demo-setup.exe -hp), first start of the prefix takes ~20 s"
bash tests/e2e/make_prefix.sh
mkdir -p "$(drive_c)/qmbdemo"
cp "$OUT/demo-setup.exe" "$(drive_c)/qmbdemo/"
rm -f "$(drive_c)/qmbdemo/setup.log"
SETUP_LOG='C:\qmbdemo\setup.log' run_wine 'C:\qmbdemo\demo-setup.exe' -hp || true
echo "setup log (GBK, shown in UTF-8):"
iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/setup.log" | tr -d '\r' | sed 's/^/  /'

# The installed product removed again by its uninstaller, hidden: uninst.exe starts its working
# copy of the program from the temp folder, which removes the files, links, folders and registry
# values the install made and ends by itself.
echo
found=$(cd "$(drive_c)" && find . -path ./qmbdemo -prune -o -name uninst.exe -path '*演示软件*' -print | head -1)
if [[ -z $found ]]; then
  echo "== no installed uninst.exe found; the install above did not finish"
else
  install_dir=$(dirname "$(drive_c)/${found#./}")
  install_win="C:\\$(dirname "${found#./}" | tr '/' '\\')"
  echo "== installed into $install_win:"
  (cd "$install_dir" && find . -mindepth 1 | sort | sed 's|^\./|  |')
  echo
  echo "== uninstalling under Wine ($install_win\\uninst.exe -hp)"
  rm -f "$(drive_c)/qmbdemo/uninstall.log"
  SETUP_LOG='C:\qmbdemo\uninstall.log' run_wine "$install_win\\uninst.exe" -hp || true
  wineserver -w
  echo "uninstaller log (GBK, shown in UTF-8), its last lines:"
  iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/uninstall.log" | tr -d '\r' | tail -n 12 | sed 's/^/  /'
  echo
  echo "== what is left of the product:"
  left=$(find "$(drive_c)" -path "$(drive_c)/qmbdemo" -prune -o -path '*/Temp' -prune -o -name '*演示软件*' -print)
  entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\演示软件'
  for view in /reg:32 /reg:64; do
    if wine_reg_query "$entry" $view | grep -q .; then left+=$'\n'"registry: $entry ($view)"; fi
  done
  if [[ -z $left ]]; then
    echo "  nothing: no install folder, no link, no start-menu group, no uninstall entry"
  else
    echo "$left" | sed 's/^/  /'
  fi
fi

cat <<'TEXT'

What this stage of the project does with the package:
  - mkpackage builds it: the runtime image with a fresh key resource, the package kind "qmb-1",
    the payload archive (password from data.ini "safe", names encrypted) and the settings archive
    (texts converted to GBK, GUItext.ini / Except.ini / choolantern.ini enciphered, opened with the
    key derived from the package's own key resource).
  - Our archive library unpacks the payload straight out of the package (above, natively; the same
    code is 7-zip32.dll on Windows).
  - Started under Wine, the package runs its start-up (above): archive library to the temp folder,
    package kind, settings archive unpacked with the package's own key, settings loaded and
    expanded, work folder removed. Split volumes, the payload copy of packaging mode "-N" and the
    command-line switches are covered by the end-to-end tests (make test).
  - Its uninstaller (above) removes the product again in the hidden mode; the window and the other
    run modes are covered by the end-to-end tests (make test).
What it does not do yet:
  - The six-page wizard arrives with later work.
TEXT
