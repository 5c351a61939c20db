#!/bin/bash
# The wizard under Wine (non-Chinese locale), driven only through tests/e2e/win/drive_window.cpp as
# a user drives it, on a package made from examples/demo with a licence, a components tree with a
# fixed and a spreading item, two finish options and an installer password:
#  - normal mode: Cancel asks and "No" keeps the wizard; Next and Back walk every page and the GBK
#    texts read back exactly; Next on the licence page waits for the agreement box; ticking a
#    parent in the tree ticks its children and the fixed item never changes; a folder with Chinese
#    characters is refused ("ch"), a wrong installer password keeps the folder page, the right one
#    installs with the progress bar at 100; a ticked finish option runs, an unticked one does not;
#    the files, links and registry values equal those of a direct-mode install of the same package;
#  - direct mode ("-jp"): the installing page comes without a click and the install finishes;
#  - background mode ("-hp"): asks for no password and ends at once with 6, installing nothing;
#  - too little space: the install is refused with its message, and Cancel "Yes" ends the wizard.
# Screenshots of every step go to build/native/e2e-wizard/*.png.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

product=向导测试
caption="$product 1.0.0 安装程序"
install_win='C:\Program Files\WizardDemo'
install=$(unix_path "$install_win")
e2e_work qmbwizard e2e-wizard

# The test package: the demo under another name, installing into an ASCII folder, with the path
# rule "ch", an installer password (the payload's), a tree whose "附加组件" spreads to two children
# beside the fixed "主程序", and two finish options that leave a mark when they run.
project=$work/project
cp -r "$QMB_SOURCE_DIR/examples/demo" "$project"
ini=$project/settings/data.ini
sed -i -e "s|演示软件|$product|g" \
  -e "s|^安装位置=.*|安装位置=$(printf '%s' "$install_win" | sed 's/\\/\\\\/g')\r|" \
  -e 's|^ch=.*|ch=真\r|' "$ini"
sed -i "s|演示软件|$product|g" "$project/registry/"*
# The installer password is the payload's archive password: a right one replaces "safe".
password=Demo-Payload-7z
sed -i "1a 安装密码=$(printf %s "$password" | md5sum | cut -d' ' -f1)\r" "$ini"
cat >>"$ini" <<INI

[完成后选项_列表]
次数=2
标题1=写入完成标记
可视1=真
选中1=假
程序1=cmd /c echo ran>"%InstallPath%\\finish-one.txt"
标题2=不要运行
可视2=真
选中2=真
程序2=cmd /c echo ran>"%InstallPath%\\finish-two.txt"
INI
python3 - "$project/settings/choolantern.ini" <<'PY'
import re, sys
path = sys.argv[1]
text = open(path, encoding="utf-8", newline="").read()
tree = "\r\n".join(["主程序$,-1$,1$,真$,$,1", "桌面快捷方式$,0$,1$,$,", "快速启动栏$,0$,1$,$,",
                    "附加组件$,-1$,1$,真$,", "使用说明$,3$,1$,$,", "示例数据$,3$,0$,$,", ""])
text = re.sub(r"(Treelists\s*｛\s*Install\(\)\{\r\n)(.*?)(\})", lambda m: m.group(1) + tree + m.group(3),
              text, count=1, flags=re.S)
open(path, "w", encoding="utf-8", newline="").write(text)
PY
grep -q "附加组件" "$project/settings/choolantern.ini" || fail "the test tree did not go into the script"
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null
# The same package needing more space than any disk has.
sed -i -e 's|^选择框_显示空间=.*|选择框_显示空间=真\r|' -e '/^压缩原大小=/d' "$ini"
sed -i '1a 压缩原大小=999999999999999\r' "$ini"
"$mkpackage" --runtime "$runtime" "$project" -o "$work/full-setup.exe" >/dev/null

# What an install leaves, for comparing two installs: the install folder's files with their sizes,
# the product's links and every registry key that names the product, read from the prefix's
# registry files (no Wine session runs between the sessions below, so they are complete; starting
# `reg` a dozen times would take longer than the whole walk). "registry delete" removes those keys.
registry() {
  python3 - "$1" "$WINEPREFIX" "$product" <<'PY'
import re, sys
command, prefix, product = sys.argv[1:]
mark = "".join("\\x%04x" % ord(c) for c in product)
for name in ("system.reg", "user.reg"):
    path = f"{prefix}/{name}"
    text = open(path, encoding="utf-8", newline="").read()
    sections = re.split(r"\n(?=\[)", text)
    ours = [s for s in sections if s.startswith("[") and mark in s.split("]", 1)[0]]
    if command == "delete":
        open(path, "w", encoding="utf-8", newline="").write(
            "\n".join(s for s in sections if s not in ours))
        continue
    for section in ours:  # without the times of the writes
        head, _, rest = section.partition("\n")
        print(name, head.split("] ")[0] + "]")
        print("\n".join(l for l in rest.splitlines() if l and not l.startswith("#time=")))
PY
}
snapshot() {
  { (cd "$(drive_c)" && find "./Program Files/WizardDemo" -printf '%y %s %p\n' 2>/dev/null | sort) || :
    (cd "$(drive_c)" && find users ProgramData -path '*/Temp' -prune -o -name "*$product*" -print | sort)
    registry list; } >"$1"
  cp "$install/uninst.dat" "$shots/$(basename "$1" .txt)-uninst.dat" 2>/dev/null || :
}
clean_up() {  # clean_up [check]: removes the product; with check, makes sure nothing is left
  rm -rf "$install"
  find "$(drive_c)/users" "$(drive_c)/ProgramData" -path '*/Temp' -prune -o -name "*$product*" \
    -prune -exec rm -rf {} + 2>/dev/null || :
  timeout "$QMB_WINE_TIMEOUT" wineserver -w
  registry delete
  [ "${1:-}" = check ] || return 0
  snapshot "$work/clean.txt"
  [ ! -s "$work/clean.txt" ] || { cat "$work/clean.txt"; fail "an earlier install is still there"; }
}
# Runs the commands of a session (a bash script text, d runs the driver, shot takes a screenshot).
session() {
  local name=$1 script=$2
  SETUP_LOG="C:\\qmbwizard\\$name.log.gbk" driven_session 'C:\qmbwizard\drive_window.exe' "$script" "$name" ||
    { code=$?; log "$name"; fail "$name: step $code failed"; }
  log "$name"
}
log() { iconv -f GBK -t UTF-8 "$work/$1.log.gbk" 2>/dev/null | tr -d '\r' >"$shots/$1.log" || :; }
next='下一步(&N)' back='上一步(&P)' accept='我接受(&I)' install_button='安装(&I)' finish='完成(&F)'
export shots caption password next back accept install_button finish

clean_up
# 1. A background run has nobody to type the installer password into a box: it asks for none and
#    ends at once with "not given" (6), installing nothing.
session background '
  code=0
  wine C:\\qmbwizard\\setup.exe -hp || code=$?
  echo "$code" >"$shots/background-code.txt"'
[ "$(cat "$shots/background-code.txt")" = 6 ] ||
  fail "background run without the installer password ended with $(cat "$shots/background-code.txt")"
grep -qxF "end: exit code 6 (installer password not given)" "$shots/background.log" ||
  { cat "$shots/background.log"; fail "background run: no log line for the missing password"; }
clean_up check

# 2. The direct mode: the installing page comes by itself; only the password is asked. Its install
#    is the one the normal mode's must equal.
session direct '
  wine C:\\qmbwizard\\setup.exe -jp &
  setup=$!
  d answer "$caption" ok "$password" >/dev/null || exit 1
  shot 5-direct-installing
  d await "$caption" "$finish" >"$shots/5-direct-finish.txt" || exit 2
  shot 5-direct-finish
  d tick "$caption" 不要运行 off >/dev/null || exit 3
  d click "$caption" "$finish" >/dev/null || exit 4
  wait $setup'
expect 5-direct-finish.txt "progress: 100 (hidden)"
grep -qF "wizard: direct install" "$shots/direct.log" || fail "direct mode: no timer"
[ -f "$install/demo.exe" ] || fail "direct mode: no product"
snapshot "$work/direct.txt"
clean_up check

# 3. The normal mode, page by page.
session normal '
  wine C:\\qmbwizard\\setup.exe &
  setup=$!
  d wait "$caption" >"$shots/1-welcome.txt" || exit 1
  shot 1-welcome
  d click "$caption" "取消(&C)" >/dev/null || exit 2
  d answer "$caption" no >"$shots/1-cancel.txt" || exit 3
  d click "$caption" "$next" >/dev/null && d await "$caption" 许可协议 >"$shots/2-licence.txt" || exit 4
  shot 2-licence
  d tick "$caption" 同意本协议的条款 on >/dev/null && d wait "$caption" >"$shots/2-agreed.txt" || exit 5
  shot 2-agreed
  d click "$caption" "$accept" >/dev/null && d await "$caption" 选择组件 >"$shots/3-components.txt" || exit 6
  shot 3-components
  d tree "$caption" 3 >"$shots/3-extras-off.txt" || exit 7
  shot 3-extras-off
  d tree "$caption" 0 >"$shots/3-fixed.txt" || exit 8
  d tree "$caption" 3 >/dev/null && d tree "$caption" 5 >"$shots/3-restored.txt" || exit 9
  d click "$caption" "$back" >/dev/null && d await "$caption" 许可协议 >"$shots/2-back.txt" || exit 10
  d click "$caption" "$accept" >/dev/null && d await "$caption" 选择组件 >/dev/null || exit 11
  d click "$caption" "$next" >/dev/null && d await "$caption" 选择安装位置 >"$shots/4-folder.txt" || exit 12
  shot 4-folder
  d type "$caption" "C:\\程序\\向导" >/dev/null && d click "$caption" "$install_button" >/dev/null || exit 13
  d answer "$caption" ok >"$shots/4-chinese.txt" || exit 14
  d type "$caption" "C:\\Program Files\\WizardDemo" >/dev/null || exit 15
  d click "$caption" "$install_button" >/dev/null && d answer "$caption" ok guess >/dev/null || exit 16
  d await "$caption" 选择安装位置 >"$shots/4-wrong-password.txt" || exit 17
  d click "$caption" "$install_button" >/dev/null && d answer "$caption" ok "$password" >/dev/null || exit 18
  d await "$caption" "$finish" >"$shots/6-finish.txt" || exit 19
  shot 6-finish
  d tick "$caption" 写入完成标记 on >/dev/null && d tick "$caption" 不要运行 off >/dev/null || exit 20
  shot 6-ticked
  d click "$caption" "$finish" >/dev/null || exit 21
  wait $setup
  sleep 2  # the finish option runs on its own'
expect 1-welcome.txt "title: $caption" "text: 欢迎安装 $product" "button: $next (default)" \
  "button: 取消(&C)"
! grep -qF "button: $back" "$shots/1-welcome.txt" || fail "Back shows on the welcome page"
expect 1-cancel.txt "text: 当前未完成安装 ${product}1.0.0，是否退出安装？"
expect 2-licence.txt "text: 许可协议" "text: 按 [PgDn] 阅读“授权协议”的其余部分。" \
  "button: $accept (disabled)" "option: [ ] 同意本协议的条款" "button: $back"
grep -qF "edit: $product 最终用户许可协议" "$shots/2-licence.txt" || fail "no licence text"
expect 2-agreed.txt "button: $accept" "option: [x] 同意本协议的条款"
expect 3-components.txt "item: 0 0 [x] 主程序" "item: 3 0 [x] 附加组件" "item: 4 1 [x] 使用说明" \
  "item: 5 1 [ ] 示例数据" "button: $next (default)"
expect 3-extras-off.txt "item: 3 0 [ ] 附加组件" "item: 4 1 [ ] 使用说明" "item: 5 1 [ ] 示例数据" \
  "item: 0 0 [x] 主程序"
expect 3-fixed.txt "item: 0 0 [x] 主程序" "item: 1 1 [x] 桌面快捷方式"
expect 3-restored.txt "item: 3 0 [x] 附加组件" "item: 4 1 [x] 使用说明" "item: 5 1 [ ] 示例数据"
expect 2-back.txt "text: 许可协议" "option: [x] 同意本协议的条款"
expect 4-folder.txt "text: 选择安装位置" "edit: $install_win" "button: $install_button (default)" \
  "button: 浏览目录..."
# The demo switches the space display on.
expect_space_labels 4-folder.txt
expect 4-chinese.txt "text: 选择的路径含有中文字符，请重新选择"
expect 4-wrong-password.txt "button: $install_button (default)" "button: $back"
expect 6-finish.txt "progress: 100 (hidden)" "option: [ ] 写入完成标记" "option: [x] 不要运行" \
  "text: $product 安装完成"
! grep -qF "button: $back" "$shots/6-finish.txt" || fail "Back shows on the finish page"
[ -f "$install/finish-one.txt" ] || fail "the ticked finish option did not run"
[ ! -f "$install/finish-two.txt" ] || fail "the unticked finish option ran"
rm -f "$install/finish-one.txt"
snapshot "$work/normal.txt"
diff -u "$work/direct.txt" "$work/normal.txt" >"$shots/normal-vs-direct.diff" ||
  { cat "$shots/normal-vs-direct.diff"; fail "the normal install differs from the direct install"; }

# 4. Too little space: refused before anything is written; Cancel "Yes" ends the wizard.
clean_up
session space '
  wine C:\\qmbwizard\\full-setup.exe -jp &
  setup=$!
  d answer "$caption" ok >"$shots/7-space.txt" || exit 1
  d wait "$caption" >"$shots/7-after-space.txt" || exit 2
  shot 7-space-refused
  d click "$caption" "取消(&C)" >/dev/null && d answer "$caption" yes >/dev/null || exit 3
  wait $setup'
expect 7-space.txt "text: 当前释放的数据将会占满磁盘空间，建议换其他盘重试"
expect 7-after-space.txt "title: $caption"
[ ! -e "$install" ] || fail "too little space: something was written"
clean_up
echo "PASS: the wizard's walk, checks, install, finish options, direct mode and space refusal"
