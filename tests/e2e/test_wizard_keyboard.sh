#!/bin/bash
# The wizard with the keyboard alone, under Wine (non-Chinese locale), driven by real key presses
# (tests/e2e/win/drive_window.cpp sends them with SendInput), on the demo under another name with
# its data.ini in LF line ends:
#  - Esc asks to cancel and "No" keeps the wizard; Enter presses Next; Tab reaches the licence box
#    (whose LF lines show as lines) and the agreement box, Space ticks it and Alt+I accepts; Tab
#    reaches the components tree, Down and Space untick an item; Alt+N goes on; Tab reaches the
#    folder box, typing replaces its text, Enter installs there; Enter on the finish page ends;
#  - a package whose GUItext.ini is empty, walked through every page: no control shows a built-in
#    placeholder ("禾木软件", "禾木公司"), the texts name the product and the page frames keep
#    their built-in colour.
# Screenshots and the driver's listings go to build/native/e2e-wizard-keyboard/.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

product=键盘测试
caption="$product 1.0.0 安装程序"
install_win='C:\KeyDemo'
install=$(unix_path "$install_win")
rm -rf "$install"
e2e_work qmbkeys e2e-wizard-keyboard

project=$work/project
plain_demo_project "$project"
ini=$project/settings/data.ini
sed -i -e "s|演示软件|$product|g" -e 's|^安装位置=.*|安装位置=C:\\Elsewhere\r|' "$ini"
sed -i 's/\r$//' "$ini"  # written on Linux
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null

# The same product without any look: GUItext.ini empty, no images.
bare=$work/bare
plain_demo_project "$bare"
rm -rf "$bare/look"
sed -i -e "s|演示软件|$product|g" -e 's|^安装位置=.*|安装位置=C:\\KeyDemo\r|' "$bare/settings/data.ini"
: >"$bare/settings/GUItext.ini"
"$mkpackage" --runtime "$runtime" "$bare" -o "$work/bare-setup.exe" >/dev/null

clean_up() {
  rm -rf "$install"
  timeout "$QMB_WINE_TIMEOUT" wine reg delete \
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" /f >/dev/null 2>&1 || :
  timeout "$QMB_WINE_TIMEOUT" wine reg delete \
    "HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" /f >/dev/null 2>&1 || :
  timeout "$QMB_WINE_TIMEOUT" wineserver -w
}
session() {
  local name=$1 script=$2
  SETUP_LOG="C:\\qmbkeys\\$name.log.gbk" driven_session 'C:\qmbkeys\drive_window.exe' "$script" "$name" ||
    { code=$?; log "$name"; fail "$name: step $code failed"; }
  log "$name"
}
log() { iconv -f GBK -t UTF-8 "$work/$1.log.gbk" 2>/dev/null | tr -d '\r' >"$shots/$1.log" || :; }
next='下一步(&N)' accept='我接受(&I)' install_button='安装(&I)' finish='完成(&F)'
export shots caption next accept install_button finish product

# 1. The keyboard walk.
clean_up
session keyboard '
  wine C:\\qmbkeys\\setup.exe &
  setup=$!
  d wait "$caption" >"$shots/1-welcome.txt" || exit 1
  shot 1-welcome
  d keys "$caption" esc >/dev/null || exit 2
  d answer "$caption" no >"$shots/1-esc.txt" || exit 3
  d keys "$caption" enter >/dev/null && d await "$caption" 许可协议 >"$shots/2-licence.txt" || exit 4
  shot 2-licence
  d keys "$caption" tab space >"$shots/2-agreed.txt" || exit 5
  shot 2-agreed
  d keys "$caption" alt+i >/dev/null && d await "$caption" 选择组件 >"$shots/3-components.txt" || exit 6
  d keys "$caption" tab tab down space >"$shots/3-unticked.txt" || exit 7
  shot 3-unticked
  d keys "$caption" alt+n >/dev/null && d await "$caption" 选择安装位置 >"$shots/4-folder.txt" || exit 8
  d keys "$caption" tab tab "text:C:\\KeyDemo" >"$shots/4-typed.txt" || exit 9
  shot 4-typed
  d keys "$caption" enter >/dev/null || exit 10
  d await "$caption" "$finish" >"$shots/6-finish.txt" || exit 11
  shot 6-finish
  d keys "$caption" enter >/dev/null || exit 12
  wait $setup'
expect 1-welcome.txt "title: $caption" "button: $next (default)" "focus: button: $next (default)" \
  "button: 取消(&C)"
expect 1-esc.txt "text: 当前未完成安装 ${product}1.0.0，是否退出安装？"
expect 2-licence.txt "text: 许可协议" "button: $accept (disabled)"
grep -q "^lines: \([4-9]\|[1-9][0-9]\)$" "$shots/2-licence.txt" ||
  { cat "$shots/2-licence.txt"; fail "the licence's LF lines do not show as lines"; }
expect 2-agreed.txt "focus: option: [x] 同意本协议的条款" "button: $accept"
expect 3-components.txt "item: 1 1 [x] 桌面快捷方式"
expect 3-unticked.txt "focus: tree:" "item: 1 1 [ ] 桌面快捷方式" "item: 0 0 [x] 主程序"
expect 4-typed.txt "focus: edit: $install_win" "button: $install_button (default)"
expect 6-finish.txt "text: $product 安装完成" "focus: button: $finish (default)"
! grep -q "^button: 取消(&C)" "$shots/6-finish.txt" || fail "Cancel is offered on the finish page"
[ -f "$install/demo.exe" ] || fail "the keyboard walk installed nothing in $install_win"
clean_up

# 2. No look at all: every page names the product, no placeholder anywhere, built-in colours.
session bare '
  wine C:\\qmbkeys\\bare-setup.exe &
  setup=$!
  caption="$product 1.0.0-安装向导"
  d wait "$caption" >"$shots/b1-welcome.txt" && shot b1-welcome || exit 1
  d click "$caption" "$next" >/dev/null && d await "$caption" 许可证协议 >"$shots/b2-licence.txt" || exit 2
  shot b2-licence
  d tick "$caption" 同意本协议的条款 on >/dev/null || exit 3
  d click "$caption" "$accept" >/dev/null && d await "$caption" 选择组件 >"$shots/b3-components.txt" || exit 4
  shot b3-components
  d click "$caption" "$next" "$install_button" >"$shots/b4-folder.txt" && shot b4-folder || exit 5
  d click "$caption" "$install_button" "$finish" >"$shots/b6-finish.txt" && shot b6-finish || exit 6
  d click "$caption" "$finish" >/dev/null || exit 7
  wait $setup'
expect b1-welcome.txt "title: $product 1.0.0-安装向导" "text: 欢迎使用 $product 1.0.0-安装向导"
expect b2-licence.txt "text: 在安装“$product 1.0.0”之前，请阅读授权协议"
expect b6-finish.txt "text: 已完成 $product 1.0.0-安装程序"
if grep -l "禾木" "$shots"/b*.txt; then fail "a built-in placeholder reached the user"; fi
# The page frames keep the dialog face (Wine's is a light grey, about 240,240,240) where no colour
# list gives one: the welcome page's side frame and page, and the licence page's header.
read -r x y < <(origin b1-welcome.txt "text: 欢迎使用 $product 1.0.0-安装向导" 176 14)
near b1-welcome $((x + 80)) $((y + 200)) 240,240,240 "welcome side frame"
near b1-welcome $((x + 300)) $((y + 276)) 240,240,240 "welcome page"
read -r x y < <(origin b2-licence.txt "text: 许可证协议" 15 8)
near b2-licence $((x + 300)) $((y + 3)) 240,240,240 "licence header"
[ -f "$install/demo.exe" ] || fail "the bare package installed nothing"
clean_up
echo "PASS: the wizard with the keyboard alone, and without any look"
