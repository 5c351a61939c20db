#!/bin/bash
# The project that `mkpackage new` writes packs as it stands, and its package installs and
# uninstalls under Wine in the background mode: the install (with the template's own "/D" folder
# switch) leaves the payload, the uninstaller and the start-menu link; "uninst.exe -hp" removes
# them again without a window.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

mkpackage=$(native_program mkpackage)
runtime=$(windows_program setup.exe)

work=$(drive_c)/qmbnew
install_win='C:\qmbnew\安装 目录'
install=$work/'安装 目录'
rm -rf "$work"
mkdir -p "$work"
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
cleanup
