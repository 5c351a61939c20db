#!/bin/bash
# The package's look under Wine (non-Chinese locale), on the demo with its look folder: every page
# shows the package's texts; the side image's transparent pixels show the frame colour the package
# gave, its opaque ones the logo's colour and its half-transparent ones a blend of both; the header
# image likewise; the space labels give the sizes; the folder box, locked by "fb" = "e", is
# read-only and the browse button disabled. The installing page shows the installing-time image, a
# JPEG drawn as a plain picture at its own size. Before the wizard, image_box_check tests the image
# module in windows of its own: the "CometLoadDialog" class (made by name, dragged, destroyed) and a
# PNG over a picture and a striped background. Screenshots go to build/native/e2e-wizard-look/*.png.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

image_check=$(windows_program e2e/image_box_check.exe)

product=外观测试
caption="$product 1.0.0 安装程序"
e2e_work qmblook e2e-wizard-look
cp "$image_check" "$work/"
# Beneath the PNG in image_box_check: a picture with two flat halves.
convert -size 120x320 xc:'rgb(250,220,0)' -fill 'rgb(0,80,160)' -draw 'rectangle 0,160 119,319' "$work/beneath.bmp"
cp "$QMB_SOURCE_DIR/examples/demo/look/logo.png" "$work/"

project=$work/project
cp -r "$QMB_SOURCE_DIR/examples/demo" "$project"
ini=$project/settings/data.ini
sed -i -e "s|演示软件|$product|g" -e 's|^安装位置=.*|安装位置=C:\\LookDemo\r|' -e 's|^fb=.*|fb=e\r|' \
  -e 's|^选择框_显示空间=.*|选择框_显示空间=真\r|' "$ini"
sed -i "s|演示软件|$product|g" "$project/registry/"*
# The installing-time image: a JPEG of two colour blocks. The post-install run waits 3 s (for a
# window that never comes), so the installing page stays up for its screenshot.
convert -size 200x100 xc:'rgb(240,140,30)' -fill 'rgb(30,100,200)' -draw 'rectangle 100,0 199,99' \
  -quality 95 "$project/look/installing.jpg"
sed -i '/^\[images\]/a installing = installing.jpg' "$project/look/look.ini"
sed -i 's|^参数运行文件名2=.*|参数运行文件名2=C:\\qmblook\\drive_window.exe wait no-such-window 3\r|' "$ini"
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null

next='下一步(&N)' accept='我接受(&I)' install_button='安装(&I)' finish='完成(&F)'
export shots caption next accept install_button finish product
SETUP_LOG='C:\qmblook\look.log.gbk' timeout "$QMB_WINE_TIMEOUT" \
  xvfb-run -a -n "$(qmb_display)" -s '-screen 0 1280x1024x24' bash -c '
    set -u
    wineserver -w
    wine C:\\qmblook\\image_box_check.exe comet >"$shots/0-comet.txt" || exit 11
    wine C:\\qmblook\\image_box_check.exe beneath C:\\qmblook\\logo.png C:\\qmblook\\beneath.bmp \
      >"$shots/0-beneath.txt" || exit 12
    d() { wine C:\\qmblook\\drive_window.exe "$@" | tr -d "\r"; return ${PIPESTATUS[0]}; }
    shot() { sleep 0.5; import -window root "$shots/$1.png"; }
    wine C:\\qmblook\\setup.exe &
    setup=$!
    d wait "$caption" >"$shots/1-welcome.txt" && shot 1-welcome || exit 1
    d click "$caption" "$next" >/dev/null && d await "$caption" 许可协议 >"$shots/2-licence.txt" || exit 2
    shot 2-licence
    d tick "$caption" 同意本协议的条款 on >/dev/null || exit 3
    d click "$caption" "$accept" >/dev/null && d await "$caption" 选择组件 >"$shots/3-components.txt" || exit 4
    shot 3-components
    d click "$caption" "$next" >/dev/null && d await "$caption" 选择安装位置 >"$shots/4-folder.txt" || exit 5
    shot 4-folder
    d type "$caption" "C:\\Elsewhere" >"$shots/4-type.txt" && exit 6
    d click "$caption" "$install_button" - >/dev/null || exit 7
    sleep 1.5
    shot 5-installing
    d await "$caption" "$product 安装完成" 20 >"$shots/6-finish.txt" || exit 9
    shot 6-finish
    d click "$caption" "$finish" >/dev/null || exit 8
    wait $setup
    wineserver -w' || { code=$?; cat "$shots"/0-*.txt 2>/dev/null; fail "the wizard session stopped at step $code"; }
tr -d '\r' <"$shots/0-comet.txt"; tr -d '\r' <"$shots/0-beneath.txt"
iconv -f GBK -t UTF-8 "$work/look.log.gbk" 2>/dev/null | tr -d '\r' >"$shots/look.log" || :
expect 1-welcome.txt "title: $caption" "text: 欢迎安装 $product"
expect 2-licence.txt "text: 许可协议"
expect 3-components.txt "text: 选择组件"
expect 4-folder.txt "text: 选择安装位置" "edit: C:\\LookDemo (read-only)" "button: 浏览目录... (disabled)"
expect_space_labels 4-folder.txt
expect 4-type.txt "no edit box"
expect 6-finish.txt "text: $product 安装完成"
[ -f "$(drive_c)/LookDemo/demo.exe" ] || fail "the install left no product"

# The side image's box is at client (0, 0) of the page, the welcome title at (176, 14).
read -r x y < <(origin 1-welcome.txt "text: 欢迎安装 $product" 176 14)
side=220,238,248 logo=30,100,200 bar=240,140,30
near 1-welcome $((x + 10)) $((y + 10)) "$side" "transparent corner of the logo"
near 1-welcome $((x + 82)) $((y + 100)) "$logo" "opaque circle of the logo"
near 1-welcome $((x + 82)) $((y + 215)) "$bar" "opaque bar of the logo"
near 1-welcome $((x + 82)) $((y + 250)) 125,169,224 "half-transparent bar over the frame"
# The header image's box is at (440, 0), the licence title at (15, 8).
read -r x y < <(origin 2-licence.txt "text: 许可协议" 15 8)
near 2-licence $((x + 442)) $((y + 2)) 235,244,252 "transparent corner of the header image"
near 2-licence $((x + 468)) $((y + 28)) "$bar" "opaque centre of the header image"
# The installing page (same place as the folder page) shows the JPEG at its own size in the box
# at (20, 112), the installing page's colour to its right.
read -r x y < <(origin 4-folder.txt "text: 选择安装位置" 15 8)
near 5-installing $((x + 20 + 50)) $((y + 112 + 50)) 240,140,30 "left block of the installing-time JPEG"
near 5-installing $((x + 20 + 150)) $((y + 112 + 50)) 30,100,200 "right block of the installing-time JPEG"
near 5-installing $((x + 20 + 300)) $((y + 112 + 50)) 240,240,240 "the page beside the installing-time JPEG"
# The finish page shows the side image again.
read -r x y < <(origin 6-finish.txt "text: $product 安装完成" 176 14)
near 6-finish $((x + 10)) $((y + 10)) "$side" "transparent corner on the finish page"
near 6-finish $((x + 82)) $((y + 100)) "$logo" "opaque circle on the finish page"
echo "look: texts, images with transparency and the locked folder as the package asks"
