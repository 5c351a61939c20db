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
rm -rf "$folder" "$(drive_c)/qmbdemo" "$(drive_c)/Program Files/$product" "$(drive_c)/Program Files (x86)/$product"
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
# the temp folder, runs the copy and waits for it; the copy removes the files, links, folders and
# registry values the install made and ends by itself.
echo
echo "== uninstalling under Wine ($folder_win\\uninst.exe -hp)"
rm -f "$(drive_c)/qmbdemo/uninstall.log"
SETUP_LOG='C:\qmbdemo\uninstall.log' run_wine "$folder_win\\uninst.exe" -hp || true
echo "uninstaller log (GBK, shown in UTF-8): the launcher's start and the last lines"
iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/uninstall.log" | tr -d '\r' |
  grep -E '^launcher: (starting|the uninstaller ended)|^package: kind|^start-up: uninstaller' | sed 's/^/  /' || :
iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/uninstall.log" | tr -d '\r' | tail -n 8 | sed 's/^/  /'
# What the install left behind after an uninstall: files, links, folders and registry values.
report_left() {
  echo
  echo "== what is left of the product:"
  local left key
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
}
report_left

# The same package through its wizard, as a user installs it: under a virtual display the window
# driver clicks through every page (welcome, licence with its agreement box, components, folder,
# installing, finish) and a screenshot of each page is kept. The product is uninstalled again.
shots=$PWD/$OUT/wizard
rm -rf "$shots"
mkdir -p "$shots"
cp "$(windows_program e2e/drive_window.exe)" "$(drive_c)/qmbdemo/"
echo
echo "== the wizard under Xvfb, driven page by page; screenshots in $OUT/wizard/"
caption="$product 1.0.0 安装程序"
export shots caption product
code=0
SETUP_LOG='C:\qmbdemo\wizard.log' timeout "$QMB_WINE_TIMEOUT" \
  xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
    set -u
    wineserver -w
    d() { wine C:\\qmbdemo\\drive_window.exe "$@" | tr -d "\r"; return ${PIPESTATUS[0]}; }
    # The screen, cut down to the wizard window on its black background.
    shot() { sleep "${2:-0.5}"; import -window root "$shots/$1.png" && convert "$shots/$1.png" -trim +repage "$shots/$1.png"; echo "  $1.png"; }
    wine C:\\qmbdemo\\demo-setup.exe &
    setup=$!
    d wait "$caption" >/dev/null && shot 1-welcome || exit 1
    d click "$caption" "下一步(&N)" >/dev/null && d await "$caption" 许可协议 >/dev/null && shot 2-licence || exit 2
    d tick "$caption" 同意本协议的条款 on >/dev/null && shot 2-licence-agreed || exit 3
    d click "$caption" "我接受(&I)" >/dev/null && d await "$caption" 选择组件 >/dev/null && shot 3-components || exit 4
    d click "$caption" "下一步(&N)" >/dev/null && d await "$caption" 选择安装位置 >/dev/null && shot 4-folder || exit 5
    # The installing page stays up only while the payload unpacks: its screenshot is taken at once.
    d click "$caption" "安装(&I)" >/dev/null && shot 5-installing 0.2 || exit 6
    d await "$caption" "$product 安装完成" 60 >/dev/null && shot 6-finish || exit 7
    d click "$caption" "完成(&F)" >/dev/null || exit 8
    wait $setup
    wineserver -w' || code=$?
if [ "$code" != 0 ]; then
  echo "demo: the wizard stopped at step $code; its log's last lines:" >&2
  iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/wizard.log" | tr -d '\r' | tail -n 12 >&2
  exit 1
fi
installed=$(find "$(drive_c)" \( -path "$(drive_c)/qmbdemo" -o -path '*/Temp' \) -prune -o \
  -path "*/$product/uninst.exe" -print | head -1)
[ -n "$installed" ] || { echo "demo: the wizard left no uninst.exe" >&2; exit 1; }
folder=$(dirname "$installed")
folder_win="C:${folder#"$(drive_c)"}"
folder_win=${folder_win//\//\\}
echo "installed through the wizard into $folder_win:"
(cd "$folder" && find . -type f | sort | sed 's|^\./|  |')
echo
echo "== uninstalling under Wine ($folder_win\\uninst.exe -hp)"
SETUP_LOG='C:\qmbdemo\uninstall2.log' run_wine "$folder_win\\uninst.exe" -hp || true
report_left

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
  - uninst.exe -hp copies uninst.dat into the temp folder, runs the copy and waits for it: the copy
    removes exactly what the install made, with its window hidden, and its exit code is the launcher's (the uninstall window and the other run modes are covered
    by the end-to-end tests, make test).
  - The wizard, with the demo's own look (texts, fonts, colours, the transparent PNG logo and
    header image), is driven under a virtual display through every page to the end, and the
    product removed again: the screenshots of its pages are in build/demo/wizard/*.png.
TEXT
