#!/bin/bash
# The folders of 64-bit Windows as the shipped 32-bit setup.exe sees them under WoW64, where the
# system folder a 32-bit program names is redirected to SysWOW64:
#  - a package installing into "%System32%\qmbfolders" puts its files into the 64-bit system folder
#    (a 32-bit program reaches it as "Sysnative"), not into SysWOW64;
#  - its registry values record "%ProgramFiles%" (the 64-bit program folder: the " (x86)" of the
#    32-bit program's environment is dropped), "%ProgramFiles_x86%" (the folder a program of the
#    running build uses) and "%System32%" ("Sysnative" on 64-bit Windows).
#  - under WoW64 its uninstall entry names the folder as 64-bit programs do ("System32", which is
#    where Windows' installed-programs list runs "UninstallString"), and that command with "-hp"
#    removes everything the install made and ends with 0, the user's own file in that folder intact.
# In a 32-bit prefix there is one system folder and one program folder.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

mkpackage=$(native_program mkpackage)
runtime=$(windows_program setup.exe)
work=$(drive_c)/qmbfolders
project=$work/project
key='HKCU\Software\qmbfolders'
uninstall_key=$(reg_view_key 32 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\演示软件')
installed64=$(unix_path "$(system_folder 64)\\qmbfolders")
installed32=$(unix_path "$(system_folder 32)\\qmbfolders")
cleanup() {
  timeout "$QMB_WINE_TIMEOUT" wine reg delete "$key" /f >/dev/null 2>&1 || :
  timeout "$QMB_WINE_TIMEOUT" wine reg delete "$uninstall_key" /f >/dev/null 2>&1 || :
  rm -rf "$work" "$installed64" "$installed32" "$(drive_c)/windows/Sysnative"
}
cleanup
mkdir -p "$work" "$installed64"
# The user's own file where the product goes.
printf 'mine\r\n' >"$installed64/mine.txt"

plain_demo_project "$project"
mkdir -p "$project/registry"
for name in ProgramFiles ProgramFiles_x86 System32; do
  printf '[%s]\npath=%s\nname=%s\ntype=REG_SZ\ndata=%%%s%%\nremove=yes\n\n' "$name" "$key" "$name" "$name"
  printf '[%%%s%%]\n数据=\n\n' "$name" >>"$project/settings/variable.ini"
done >"$project/registry/folders.ini"
sed -i 's/^安装位置=[^\r]*/安装位置=%System32%\\qmbfolders/' "$project/settings/data.ini"
# A link to the program, which the 64-bit shell must be able to open.
printf '[新建快捷方式参数]\n欲运行的次数=1\n参数快捷方式名1=演示软件\n参数文件名1=demo.exe\n参数生成位置1=C:\\qmbfolders\\links\n参数是否卸载1=真\n' \
  >>"$project/settings/data.ini"
cp "$(windows_program e2e/read_links.exe)" "$work/"
grep -q '^安装位置=%System32%\\qmbfolders' "$project/settings/data.ini" || fail "the install folder was not set"
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null

code=0
SETUP_LOG='C:\qmbfolders\setup.log' run_wine 'C:\qmbfolders\setup.exe' -hp >/dev/null 2>&1 || code=$?
log() { iconv -f GBK -t UTF-8 "$work/$1" | tr -d '\r' | tail -n 15; }
[ "$code" = 0 ] || { log setup.log; fail "the install ended with $code"; }

# The expanded folders, as the install wrote them.
exported=$(wine_reg_export "$key") || { log setup.log; fail "no key $key"; }
# "Sysnative" names the real system folder for a 32-bit program on 64-bit Windows alone.
if [ "$QMB_E2E_WAY" = wow64 ]; then system32='C:\windows\Sysnative'; else system32='C:\windows\System32'; fi
expect_value() {  # expect_value NAME WINDOWS-PATH (Windows compares names without case)
  local want="\"$1\"=\"${2//\\/\\\\}\""
  grep -qixF -- "$want" <<<"$exported" || fail "$1 should be $2:"$'\n'"$exported"
}
expect_value ProgramFiles "$(program_files 64)"
expect_value ProgramFiles_x86 "$(program_files "$(process_view)")"
expect_value System32 "$system32"
echo "ok %ProgramFiles% $(program_files 64), %ProgramFiles_x86% $(program_files "$(process_view)"), %System32% $system32"

[ -f "$installed64/demo.exe" ] || { log setup.log; fail "no demo.exe in $(system_folder 64)\\qmbfolders"; }
if [ "$installed32" != "$installed64" ]; then
  [ ! -e "$installed32" ] || fail "the files went to $(system_folder 32), not the 64-bit system folder"
fi
[ ! -e "$(drive_c)/windows/Sysnative" ] || fail "a real folder named Sysnative was made"
echo "ok the payload is in $(system_folder 64)\\qmbfolders"

# Under WoW64 the program reaches the folder as "Sysnative", a name 64-bit programs do not have.
links=$(run_wine 'C:\qmbfolders\read_links.exe' 'C:\qmbfolders\links' | tr -d '\r')
want='C:\qmbfolders\links\演示软件.lnk => C:\windows\system32\qmbfolders\demo.exe|'
grep -qiF -- "$want" <<<"$links" || { echo "$links"; fail "the link does not name C:\windows\system32\qmbfolders\demo.exe"; }
echo "ok the link names the folder as the 64-bit shell does"

# The uninstall entry as Windows' installed-programs list (a 64-bit program in a 64-bit prefix, as
# `wine` is here) reads and runs it.
entry=$(wine_reg_export "$uninstall_key") || fail "no uninstall entry $uninstall_key"
want='"UninstallString"="\"C:\\windows\\system32\\qmbfolders\\uninst.exe\""'
grep -qixF -- "$want" <<<"$entry" || fail "the entry should name the 64-bit system folder:"$'\n'"$entry"
code=0
SETUP_LOG='C:\qmbfolders\uninstall.log' run_wine 'C:\windows\system32\qmbfolders\uninst.exe' -hp \
  >/dev/null 2>&1 || code=$?
[ "$code" = 0 ] || { log uninstall.log; fail "uninst.exe -hp ended with $code"; }
left=$(cd "$installed64" && find . -mindepth 1 | sort)
[ "$left" = ./mine.txt ] || { log uninstall.log; fail "the uninstall left in the install folder:"$'\n'"$left"; }
[ "$(cat "$installed64/mine.txt")" = $'mine\r' ] || fail "the user's file changed"
wine_reg_export "$uninstall_key" >/dev/null && fail "the uninstall entry is still there"
wine_reg_export "$key" >/dev/null && fail "the product's key $key is still there"
echo "ok uninst.exe -hp named by the entry removed the install and kept the user's file"
cleanup
