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

# The package installed under Wine in the background mode into a folder with a space and Chinese
# characters, given by the package's "p" switch ("/D"). SETUP_LOG collects every step.
bash tests/e2e/make_prefix.sh
read_links=$(windows_program e2e/read_links.exe)
product=演示软件
folder_win='C:\演示 程序\Demo App'
folder=$(unix_path "$folder_win")
if [ "$QMB_WINDOWS_ARCH" = win64 ]; then wow='Wow6432Node\'; else wow=; fi
uninstall_key="HKLM\\Software\\${wow}Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
# A fresh start: the demo's earlier install, its links and values are taken away first.
rm -rf "$folder" "$(drive_c)/qmbdemo"
for key in "HKLM\\Software\\$product" "HKLM\\Software\\Wow6432Node\\$product" \
           "HKCU\\Software\\$product" "$uninstall_key"; do
  timeout "$QMB_WINE_TIMEOUT" wine reg delete "$key" /f >/dev/null 2>&1 || :
done
find "$(drive_c)/users" \( -name "$product.lnk" -o -type d -name "$product" \) -prune \
  -exec rm -rf {} + 2>/dev/null || :
mkdir -p "$(drive_c)/qmbdemo"
cp "$OUT/demo-setup.exe" "$read_links" "$(drive_c)/qmbdemo/"

echo
echo "== demo-setup.exe -hp /D \"$folder_win\" under Wine ($QMB_WINDOWS_ARCH; a new prefix takes ~20 s)"
code=0
SETUP_LOG='C:\qmbdemo\setup.log' run_wine 'C:\qmbdemo\demo-setup.exe' -hp /D "$folder_win" || code=$?
echo "exit code $code; the setup log's last lines (GBK, shown in UTF-8):"
iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/setup.log" | tr -d '\r' | tail -n 12 | sed 's/^/  /'

echo
echo "== the installed files in $folder_win"
(cd "$folder" && find . -type f | sort | sed 's|^\./|  |')
echo "  pre-install.txt:  $(tr -d '\r' <"$folder/pre-install.txt")"
echo "  post-install.txt: $(tr -d '\r' <"$folder/post-install.txt")"

echo
echo "== the links, read back through the shell's link object (target|arguments|description|icon)"
run_wine 'C:\qmbdemo\read_links.exe' 'C:\users' | tr -d '\r' | grep -F "$product" |
  sed -e 's/^link //' -e 's/|[0-9]*$//' -e 's/ => /\n      => /' | sed 's/^/  /'

echo
echo "== the registry values ($QMB_WINDOWS_ARCH prefix: 32-bit values under WOW6432Node)"
for key in "HKLM\\Software\\$product" "HKLM\\Software\\Wow6432Node\\$product" \
           "HKCU\\Software\\$product" "$uninstall_key"; do
  echo "  [$key]"
  { wine_reg_export "$key" || echo "(no such key)"; } | grep -v '^Windows Registry\|^$\|^\[' | sed 's/^/    /'
done

# The installed product removed again by its uninstaller, hidden: uninst.exe copies uninst.dat into
# the temp folder and starts the copy, which removes the files, links, folders and registry values
# the install made and ends by itself.
echo
echo "== uninstalling under Wine ($folder_win\\uninst.exe -hp)"
rm -f "$(drive_c)/qmbdemo/uninstall.log"
SETUP_LOG='C:\qmbdemo\uninstall.log' run_wine "$folder_win\\uninst.exe" -hp || true
echo "uninstaller log (GBK, shown in UTF-8): the launcher's start and the last lines"
iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/uninstall.log" | tr -d '\r' |
  grep -E '^launcher: started|^package: kind|^start-up: uninstaller' | sed 's/^/  /' || :
iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/uninstall.log" | tr -d '\r' | tail -n 8 | sed 's/^/  /'
echo
echo "== what is left of the product:"
left=$(find "$(drive_c)" -path "$(drive_c)/qmbdemo" -prune -o -path '*/Temp' -prune -o \
  \( -name "*$product*" -o -path "$folder" \) -print)
for key in "HKLM\\Software\\$product" "HKLM\\Software\\Wow6432Node\\$product" \
           "HKCU\\Software\\$product" "$uninstall_key"; do
  if wine_reg_query "$key" | grep -q .; then left+=$'\n'"registry: $key"; fi
done
if [[ -z ${left//$'\n'/} ]]; then
  echo "  nothing: no install folder, no link, no start-menu group, no registry value, no uninstall entry"
else
  echo "$left" | sed '/^$/d; s/^/  /'
fi

cat <<'TEXT'

What the demo shows:
  - mkpackage builds the package: the runtime image with a fresh key resource, the package kind,
    the payload archive (password from data.ini "safe", names encrypted), the settings archive
    (texts in GBK, GUItext.ini / Except.ini / choolantern.ini enciphered, the registry folder turned
    into QMBREG.db) and the uninstaller launcher named after the product.
  - Started with -hp it installs at once with its window hidden: the install script's sections, the
    pre-install run, the payload (the "配置" assignment group flat in its folder), the links, the
    registry values in their views, a registry script through regedit, the uninstall entry, the
    uninstall record uninst.dat with the launcher uninst.exe, the post-install run; it ends with
    exit code 0 (README: the exit codes of a background install).
  - uninst.exe -hp copies uninst.dat into the temp folder and starts the copy, which removes the
    product again with its window hidden (the uninstall window and the other run modes are covered
    by the end-to-end tests, make test).
The wizard window (normal and direct installs, with the demo's own look) is shown and driven by
the end-to-end tests test_wizard and test_wizard_look, which keep screenshots of every page.
TEXT
