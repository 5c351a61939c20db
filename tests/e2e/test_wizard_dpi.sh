#!/bin/bash
# The wizard at 96, 144 and 192 DPI under Wine (its "LogPixels"), in a copy of the test prefix so
# that no other test sees the changed DPI: the demo under another name walked through every page
# (the post-install run waits 3 s, so the installing page stays up for its screenshot), then the
# product removed again through its uninstall window (its page and its finished page). The
# program declares itself DPI-aware, so Wine draws its text at the real DPI and the layout must
# follow: the buttons of both windows grow with the DPI. Screenshots of every page at every DPI go to
# build/native/e2e-wizard-dpi/DPI-*.png; look at them: sharp text, nothing clipped.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

shared_prefix=$WINEPREFIX
export WINEPREFIX=$QMB_NATIVE_DIR/wineprefix-dpi
rm -rf "$WINEPREFIX"
cp -a "$shared_prefix" "$WINEPREFIX"
trap 'timeout "$QMB_WINE_TIMEOUT" wineserver -k 2>/dev/null || :; rm -rf "$WINEPREFIX"' EXIT

product=缩放测试
caption="$product 1.0.0 安装程序"
e2e_work qmbdpi e2e-wizard-dpi
project=$work/project
cp -r "$QMB_SOURCE_DIR/examples/demo" "$project"
ini=$project/settings/data.ini
sed -i -e "s|演示软件|$product|g" -e 's|^选择框_显示空间=.*|选择框_显示空间=真\r|' "$ini"
sed -i "s|演示软件|$product|g" "$project/registry/"*
sed -i 's|^参数运行文件名2=.*|参数运行文件名2=C:\\qmbdpi\\drive_window.exe wait no-such-window 3\r|' "$ini"
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null

next='下一步(&N)' accept='我接受(&I)' install_button='安装(&I)' finish='完成(&F)'
uninstall_title="${product}1.0.0 卸载向导"
export shots caption next accept install_button finish product uninstall_title
for dpi in 96 144 192; do
  for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    timeout "$QMB_WINE_TIMEOUT" wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
      fail "cannot set LogPixels $dpi"
  done
  timeout "$QMB_WINE_TIMEOUT" wineserver -w
  rm -rf "$(drive_c)/Program Files/$product"
  export dpi
  SETUP_LOG="C:\\qmbdpi\\$dpi.log.gbk" driven_session 'C:\qmbdpi\drive_window.exe' '
    shot() { sleep 0.5; import -window root "$shots/$dpi-$1.png"; }
    wine C:\\qmbdpi\\setup.exe &
    setup=$!
    d wait "$caption" >"$shots/$dpi-1-welcome.txt" && shot 1-welcome || exit 1
    d click "$caption" "$next" >/dev/null && d await "$caption" 许可协议 >"$shots/$dpi-2-licence.txt" || exit 2
    d tick "$caption" 同意本协议的条款 on >/dev/null && shot 2-licence || exit 3
    d click "$caption" "$accept" >/dev/null && d await "$caption" 选择组件 >"$shots/$dpi-3-components.txt" || exit 4
    shot 3-components
    d click "$caption" "$next" >/dev/null && d await "$caption" 选择安装位置 >"$shots/$dpi-4-folder.txt" || exit 5
    shot 4-folder
    d click "$caption" "$install_button" - >/dev/null || exit 6
    sleep 1.5
    shot 5-installing
    d await "$caption" "$finish" 30 >"$shots/$dpi-6-finish.txt" && shot 6-finish || exit 7
    d click "$caption" "$finish" >/dev/null || exit 8
    wait $setup
    # The uninstaller of the folder the folder page showed.
    wine "$(sed -n "s/^edit: //p" "$shots/$dpi-4-folder.txt")\\uninst.exe" & launcher=$!
    d wait "$uninstall_title" 60 >"$shots/$dpi-7-uninstall.txt" && shot 7-uninstall || exit 9
    d click "$uninstall_title" 卸载 完成 60 >"$shots/$dpi-8-uninstalled.txt" && shot 8-uninstalled || exit 10
    d click "$uninstall_title" 完成 - 60 >/dev/null || exit 11
    wait $launcher' "dpi-$dpi" || fail "$dpi DPI: step $? failed"
  iconv -f GBK -t UTF-8 "$work/$dpi.log.gbk" 2>/dev/null | tr -d '\r' >"$shots/$dpi.log" || :
  # Next is 80 x 25 pixels of the 96-DPI layout.
  size=$(grep -xF -A1 "button: $next (default)" "$shots/$dpi-1-welcome.txt" | sed -n 's/^  at [0-9-]*,[0-9-]* //p' || :)
  [ "$size" = "$(((80 * dpi + 48) / 96))x$(((25 * dpi + 48) / 96))" ] ||
    fail "$dpi DPI: Next is $size, not scaled from 80x25"
  # The uninstaller's action button is 85 x 26.
  size=$(grep -xF -A1 "button: 卸载 (default)" "$shots/$dpi-7-uninstall.txt" | sed -n 's/^  at [0-9-]*,[0-9-]* //p' || :)
  [ "$size" = "$(((85 * dpi + 48) / 96))x$(((26 * dpi + 48) / 96))" ] ||
    fail "$dpi DPI: the uninstall button is $size, not scaled from 85x26"
  [ ! -e "$(drive_c)/Program Files/$product/demo.exe" ] || fail "$dpi DPI: the uninstaller left the product"
done
echo "PASS: the wizard and the uninstall window laid out at 96, 144 and 192 DPI (screenshots in $shots)"
