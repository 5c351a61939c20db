#!/bin/bash
# The project that `mkpackage new` writes packs as it stands, and its package installs and
# uninstalls under Wine in the background mode: the install (with the template's own "/D" folder
# switch) leaves the payload, the uninstaller and the start-menu link; "uninst.exe -hp" removes
# them again without a window. With one optional component added, the same project shows all six
# pages of the wizard (its licence from licence.txt, the components with the new one, the folder),
# driven through tests/e2e/win/drive_window.cpp; screenshots go to build/native/e2e-new-project/.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

e2e_work qmbnew e2e-new-project
install_win='C:\qmbnew\安装 目录'
install=$work/'安装 目录'
entry=$(reg_view_key 32 "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\示例软件")
links() { find "$(drive_c)/users" -path '*/Temp' -prune -o -name '示例软件说明.lnk' -print; }
cleanup() {
  timeout "$QMB_WINE_TIMEOUT" wine reg delete "$entry" /f >/dev/null 2>&1 || :
  links | xargs -r rm -f
}
cleanup

"$mkpackage" new "$work/project" >/dev/null || fail "mkpackage new failed"
"$mkpackage" --runtime "$runtime" "$work/project" -o "$work/setup.exe" >"$work/pack.txt" 2>&1 \
  || { cat "$work/pack.txt"; fail "the new project does not pack"; }
grep -qF "0 error(s), 0 warning(s)" "$work/pack.txt" || { cat "$work/pack.txt"; fail "the new project has findings"; }
echo "ok the new project packs without findings"

SETUP_LOG='C:\qmbnew\install.log' run_wine 'C:\qmbnew\setup.exe' -hp /D "$install_win" \
  || fail "the background install ended with $?"
for f in readme.txt uninst.exe uninst.dat; do
  [ -f "$install/$f" ] || fail "the install left no $f in $install"
done
[ -n "$(links)" ] || fail "no start-menu link"
echo "ok the package installs in the background"

SETUP_LOG='C:\qmbnew\uninstall.log' run_wine "$install_win\\uninst.exe" -hp || fail "the uninstaller ended with $?"
[ ! -e "$install/readme.txt" ] && [ ! -e "$install/uninst.dat" ] || fail "the uninstall left the product in $install"
[ -z "$(links)" ] || fail "the uninstall left the link $(links)"
wine_reg_query "$entry" >/dev/null && fail "the uninstall entry is still there"
echo "ok its uninstaller removes it in the background"

# The wizard: the new project with one optional component, as an author adds it, in LF lines.
python3 - "$work/project/settings/choolantern.ini" <<'PY'
import sys
path = sys.argv[1]
text = open(path, encoding="utf-8", newline="").read().replace("\r\n", "\n")
text = text.replace("主程序$,-1$,1$,真$,$,1\n", "主程序$,-1$,1$,真$,$,1\n可选组件$,-1$,0$,$,\n", 1)
text += "可选组件\n｛\nInstall(){\n}\nUnzip(){\n}\nfinish(){\n}\ndescribe(){\n可以不装的部分。\n}\n｝\n"
open(path, "w", encoding="utf-8", newline="").write(text)
PY
"$mkpackage" --runtime "$runtime" "$work/project" -o "$work/wizard-setup.exe" >"$work/pack.txt" 2>&1 \
  || { cat "$work/pack.txt"; fail "the project with an optional component does not pack"; }
grep -qF "0 error(s), 0 warning(s)" "$work/pack.txt" || { cat "$work/pack.txt"; fail "findings"; }
caption='示例软件 1.0 安装程序'
next='下一步(&N)' accept='我接受(&I)' install_button='安装(&I)' finish='完成(&F)'
export shots caption next accept install_button finish install_win
SETUP_LOG='C:\qmbnew\wizard.log' driven_session 'C:\qmbnew\drive_window.exe' '
  wine C:\\qmbnew\\wizard-setup.exe &
  setup=$!
  d wait "$caption" >"$shots/1-welcome.txt" || exit 1
  shot 1-welcome
  d click "$caption" "$next" >/dev/null && d await "$caption" 许可证协议 >"$shots/2-licence.txt" || exit 2
  shot 2-licence
  d tick "$caption" 同意本协议的条款 on >/dev/null || exit 3
  d click "$caption" "$accept" >/dev/null && d await "$caption" 选择组件 >"$shots/3-components.txt" || exit 4
  shot 3-components
  d click "$caption" "$next" >/dev/null && d await "$caption" 选择安装位置 >"$shots/4-folder.txt" || exit 5
  shot 4-folder
  d type "$caption" "$install_win" >/dev/null && d click "$caption" "$install_button" >/dev/null || exit 6
  d await "$caption" "$finish" >"$shots/6-finish.txt" || exit 7
  shot 6-finish
  d click "$caption" "$finish" >/dev/null || exit 8
  wait $setup' new-project || { code=$?; fail "wizard step $code failed"; }
iconv -f GBK -t UTF-8 "$work/wizard.log" | tr -d '\r' >"$shots/wizard.log"
grep -qxF "wizard: pages shown 111111" "$shots/wizard.log" || { cat "$shots/wizard.log"; fail "not every page is shown"; }
expect 2-licence.txt "text: 许可证协议"
grep -qF "示例软件 最终用户许可协议" "$shots/2-licence.txt" || { cat "$shots/2-licence.txt"; fail "the licence text is not shown"; }
grep -qF "可选组件" "$shots/3-components.txt" || { cat "$shots/3-components.txt"; fail "no optional component"; }
expect 4-folder.txt "text: 选择安装位置"
[ -f "$install/readme.txt" ] || fail "the wizard install left no readme.txt in $install"
echo "ok the wizard shows all six pages"
SETUP_LOG='C:\qmbnew\uninstall2.log' run_wine "$install_win\\uninst.exe" -hp || fail "the second uninstall ended with $?"
cleanup
