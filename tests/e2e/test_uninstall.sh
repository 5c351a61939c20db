#!/bin/bash
# The round trip under Wine: a package installs in the background (setup.exe -hp), then its
# uninst.exe removes it again, once in each run mode:
#  - normal: the window shows, the test helper clicks "卸载", then "完成";
#  - "-jp": the removal starts at once in the shown window, the last page waits for "完成";
#  - "-jp -hideend": the removal starts at once and the program ends by itself;
#  - "-hp" (and the record's mode "后台卸载"): no window at all.
# Each time every installed file, link, folder and registry value is gone (the uninstall entry in
# both views), a file the user made in the install folder survives with its folders, and the
# uninstall-time command and the ticked option's program ran. A snapshot of the prefix (files under
# drive_c with their sizes, `reg export` of HKLM and HKCU) taken before the first install equals
# the one after the last uninstall, apart from the reviewed list below.
# Then the damaged cases: a data file whose record section is cut, and a file list with a line that
# climbs out of the install folder with "..": nothing that the install did not write is deleted.
# Screenshots of the window go to build/native/e2e-uninstall/*.png.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

product=卸载测试
title="${product}2.0 卸载向导"
e2e_work qmbuninstall e2e-uninstall
mkdir -p "$work/marks"
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }

# The test product: the demo's payload, shortcuts on the desktop and in a start-menu group (one to
# the uninstaller), registry values in both views, an uninstall-time command and an option.
project=$work/project
plain_demo_project "$project"
ini=$project/settings/data.ini
# The test's own uninstall-time command takes the place of the demo's.
awk '/^\[/ { skip = ($0 ~ /^\[卸载时运行命令\]/) } !skip' "$ini" >"$ini.own" && mv "$ini.own" "$ini"
sed -i -e "s|^禾木软件名称=.*|禾木软件名称=$product\r|" -e 's|^软件版本=.*|软件版本=2.0\r|' \
  -e "s|^安装位置=.*|安装位置=C:\\\\Program Files\\\\$product\r|" \
  -e 's|^jp=.*|jp=-jp\r|' -e 's|^hp=.*|hp=-hp\r|' -e 's|^hideend=.*|hideend=-hideend\r|' "$ini"
cat >>"$ini" <<INI
[新建快捷方式参数]
欲运行的次数=2
参数快捷方式名1=$product
参数文件名1=demo.exe
参数生成位置1=%Desktop%,%MenuDir%\\$product
参数是否卸载1=真
参数快捷方式名2=卸载$product
参数文件名2=%Uninst.exe%
参数生成位置2=%MenuDir%\\$product
参数是否卸载2=真

[卸载时运行命令]
欲运行的次数=1
是否外部运行1=真
参数运行文件名1=cmd /c echo ran>C:\\qmbuninstall\\marks\\command.txt
是否隐藏窗口1=真
是否等待返回1=真

[卸载选项_列表]
y=24,150
次数=2
标题1=同时删除用户数据
可视1=真
选中1=真
程序1=[真]cmd /c echo option>C:\\qmbuninstall\\marks\\option.txt
标题2=发送反馈
可视2=真
选中2=假
程序2=[真]cmd /c echo feedback>C:\\qmbuninstall\\marks\\feedback.txt
INI
printf '\r\n[%%MenuDir%%]\r\n数据=\r\n' >>"$project/settings/variable.ini"
# The registry data as the raw store: two values marked for removal, and for each key a script
# record marked for removal whose path names the key itself, so that the uninstaller removes the
# emptied key (a key goes only when it has no subkeys). One more script, not marked, makes two
# levels of empty keys below the product's key: the uninstaller removes them as keys the install
# created, also where the product's key is the user's.
record() {  # record NAME VALUE: one named value of the store
  gbk "$1"; printf '\001'; gbk "$2"; gbk "$1"; printf end
}
{
  record num 5
  record REGpath1 'HKEY_CURRENT_USER\Software\QmbUninstallTest'; record REGname1 Version
  record REGtype1 REG_SZ; record REGdata1 2.0; record REGoff1 真; record REGws1 32
  record REGpath2 'HKEY_LOCAL_MACHINE\SOFTWARE\QmbUninstallTest'; record REGname2 InstallPath
  record REGtype2 REG_SZ; record REGdata2 '%InstallPath%'; record REGoff2 真; record REGws2 64
  record REGpath3 'HKEY_CURRENT_USER\Software'; record REGname3 QmbUninstallTest
  record REGtype3 file; record REGdata3 $'REGEDIT4\r\n'; record REGoff3 真; record REGws3 32
  record REGpath4 'HKEY_LOCAL_MACHINE\SOFTWARE'; record REGname4 QmbUninstallTest
  record REGtype4 file; record REGdata4 $'REGEDIT4\r\n'; record REGoff4 真; record REGws4 64
  record REGpath5 'HKEY_CURRENT_USER\Software\QmbUninstallTest'; record REGname5 脚本
  record REGtype5 file; record REGoff5 假; record REGws5 32
  record REGdata5 $'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\QmbUninstallTest\\脚本\\空]\r\n'
} >"$project/settings/QMBREG.db"
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null

find_temp_folder
install_win="C:\\Program Files\\$product"
install=$(unix_path "$install_win")
entry="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"

# snapshot FILE: the files below drive_c with their sizes, and HKLM and HKCU as reg export writes
# them, without the test's own folder.
snapshot() {
  # A folder's own size only grows with its entries, so folders are listed without one.
  { (cd "$(drive_c)" && find . -path ./qmbuninstall -prune -o -type d -printf 'd - %p\n' \
       -o -printf '%y %s %p\n' | sort)
    wine_reg_export HKLM; wine_reg_export HKCU; } >"$1"
}

install_product() {
  rm -f "$work/marks/"*
  [ -z "$(find "$(drive_c)/users" -path '*/Temp' -prune -o -name "*$product*" -print)" ] \
    || fail "links are there before the install"
  SETUP_LOG='C:\qmbuninstall\install.log.gbk' run_wine 'C:\qmbuninstall\setup.exe' -hp \
    || fail "the background install ended with $?"
  [ -f "$install/demo.exe" ] && [ -f "$install/uninst.exe" ] && [ -f "$install/uninst.dat" ] \
    || fail "the install left no product or uninstaller in $install"
  wine_reg_query "$entry" /reg:32 | grep -q UninstallString || fail "no uninstall entry after the install"
  wine_reg_export 'HKCU\Software\QmbUninstallTest\脚本\空' >/dev/null || fail "the registry script made no key"
  mkdir -p "$install/data/用户"
  echo mine >"$install/data/用户/notes.txt"
}

# check_removed MODE: everything the install made is gone; the user's file stays.
check_removed() {
  local mode=$1
  [ -f "$install/data/用户/notes.txt" ] || fail "$mode: the user's own file was removed"
  local left
  left=$(cd "$install" && find . -mindepth 1 | sort | tr '\n' ' ')
  [ "$left" = "./data ./data/用户 ./data/用户/notes.txt " ] || fail "$mode: left in the install folder: $left"
  local links
  links=$(find "$(drive_c)/users" "$(drive_c)/ProgramData" -path '*/Temp' -prune -o -name "*$product*" -print 2>/dev/null)
  [ -z "$links" ] || fail "$mode: links or start-menu groups are left: $links"
  for view in /reg:32 /reg:64; do
    wine_reg_query "$entry" $view | grep -q . && fail "$mode: the uninstall entry is left ($view)"
  done
  wine_reg_query 'HKCU\Software\QmbUninstallTest' | grep -q . && fail "$mode: HKCU values are left"
  wine_reg_query 'HKLM\SOFTWARE\QmbUninstallTest' /reg:64 | grep -q . && fail "$mode: HKLM values are left"
  [ "$(tr -d '\r ' <"$work/marks/command.txt" 2>/dev/null)" = ran ] || fail "$mode: the uninstall-time command did not run"
  [ "$(tr -d '\r ' <"$work/marks/option.txt" 2>/dev/null)" = option ] || fail "$mode: the ticked option's program did not run"
  [ ! -e "$work/marks/feedback.txt" ] || fail "$mode: the unticked option's program ran"
  rm -rf "$install"
  echo "ok $mode: everything the install made is gone; the user's file stays"
}

uninstall_log() {
  iconv -f GBK -t UTF-8 "$work/uninstall.log.gbk" 2>/dev/null | tr -d '\r' >"$work/$1.log" || :
}

# What an earlier, interrupted run of this test may have left.
rm -rf "$install"
find "$(drive_c)/users" "$(drive_c)/ProgramData" -name "*$product*" -prune -exec rm -rf {} + 2>/dev/null || :
rm -rf "$temp/Uninstall"
for key in "$entry /reg:32" "$entry /reg:64" 'HKCU\Software\QmbUninstallTest' \
           'HKLM\SOFTWARE\QmbUninstallTest /reg:64'; do
  timeout "$QMB_WINE_TIMEOUT" wine reg delete $key /f >/dev/null 2>&1 || :
done

snapshot "$work/before.txt"

# 1. Normal mode: the helper waits for the window, clicks "卸载", waits for "完成" and clicks it.
install_product
rm -f "$work/uninstall.log.gbk"
export QMB_DRIVER='C:\qmbuninstall\drive_window.exe'
SETUP_LOG='C:\qmbuninstall\uninstall.log.gbk' timeout "$QMB_WINE_TIMEOUT" xvfb-run -a -n "$(qmb_display)" -s '-screen 0 800x600x24' bash -c '
  wineserver -w  # a session of an earlier command without a display must not get our windows
  '"$(declare -f drive)"'
  wine "$1\\uninst.exe" & launcher=$!  # it waits for the uninstaller
  drive wait "$2" 60 >"$3/page.txt" || exit 2
  import -window root "$4/normal-page.png"
  drive click "$2" 卸载 完成 60 >"$3/done.txt" || exit 3
  import -window root "$4/normal-done.png"
  drive click "$2" 完成 - 60 >/dev/null || exit 4
  wait $launcher || exit 1
  wineserver -w' normal "$install_win" "$title" "$work" "$shots" || fail "normal mode: step $? failed"
uninstall_log normal
tr -d '\r' <"$work/page.txt" >"$shots/normal-page.txt"
tr -d '\r' <"$work/done.txt" >"$shots/normal-done.txt"
grep -qxF "text: 卸载 “${product}2.0”" "$shots/normal-page.txt" || { cat "$shots/normal-page.txt"; fail "normal mode: no heading"; }
grep -qxF "option: [x] 同时删除用户数据" "$shots/normal-page.txt" || fail "normal mode: no ticked option"
grep -qxF "button: 完成 (default)" "$shots/normal-done.txt" || { cat "$shots/normal-done.txt"; fail "normal mode: no finished page"; }
grep -qF "log: 删除文件: $install_win\\demo.exe" "$shots/normal-done.txt" || fail "normal mode: no log line for demo.exe"
check_removed normal

# 2. "-jp": at once, in the shown window; the last page waits for "完成".
install_product
timeout "$QMB_WINE_TIMEOUT" xvfb-run -a -n "$(qmb_display)" -s '-screen 0 800x600x24' bash -c '
  wineserver -w
  '"$(declare -f drive)"'
  wine "$1\\uninst.exe" -jp & launcher=$!
  drive click "$2" 完成 - 60 >/dev/null || exit 2
  wait $launcher || exit 1
  wineserver -w' jp "$install_win" "$title" || fail "-jp: step $? failed"
check_removed "-jp"

# 3. "-jp -hideend" and 4. "-hp": the program ends by itself; a hidden run shows no window. Run
# plainly, as a script would, the launcher returns only after the removal, with its exit code.
for switches in "-jp -hideend" "-hp"; do
  install_product
  rm -f "$work/uninstall.log.gbk" "$work/plain.txt"
  SETUP_LOG='C:\qmbuninstall\uninstall.log.gbk' timeout "$QMB_WINE_TIMEOUT" \
    xvfb-run -a -n "$(qmb_display)" bash -c '
      wineserver -w
      wine "$1\\uninst.exe" $2; code=$?
      if [ -e "$3/demo.exe" ]; then echo "$code present"; else echo "$code gone"; fi >"$4/plain.txt"
      wineserver -w' plain "$install_win" "$switches" "$install" "$work" || :
  [ "$(cat "$work/plain.txt" 2>/dev/null)" = "0 gone" ] \
    || fail "$switches: on its return the launcher said \"$(cat "$work/plain.txt" 2>/dev/null)\", not \"0 gone\""
  uninstall_log "${switches// /}"
  grep -qF "uninstall: done, exit code 0" "$work/${switches// /}.log" || fail "$switches: the uninstaller did not end by itself"
  if [ "$switches" = -hp ]; then
    grep -qF "window hidden" "$work/-hp.log" || fail "-hp: the window was shown"
  fi
  check_removed "$switches"
done

# 5. The damaged cases, in the hidden mode so that no message box waits.
install_product
dat="$install/uninst.dat"
cp "$dat" "$work/uninst.dat.good"
# 5a. The record section's end mark is gone: nothing is removed, the exit code says so.
offset=$(LC_ALL=C grep -obUa 'QMB-mark=uninst_iniB' "$dat" | tail -1 | cut -d: -f1)
[ -n "$offset" ] || fail "no record end mark in uninst.dat"
{ head -c "$offset" "$work/uninst.dat.good"; printf 'X'; tail -c +$((offset + 2)) "$work/uninst.dat.good"; } >"$dat"
cmp -s "$dat" "$work/uninst.dat.good" && fail "uninst.dat was not damaged"
rm -f "$work/uninstall.log.gbk"
code=0
SETUP_LOG='C:\qmbuninstall\uninstall.log.gbk' run_wine "$install_win\\uninst.exe" -hp || code=$?
[ "$code" = 2 ] || fail "damaged record: uninst.exe ended with $code, not 2"
uninstall_log damaged
grep -qF "nothing is removed" "$work/damaged.log" || { cat "$work/damaged.log"; fail "damaged record: not refused"; }
grep -qF "uninstall: done, exit code 2" "$work/damaged.log" || fail "damaged record: no exit code 2"
[ -f "$install/demo.exe" ] && [ -f "$install/文档/说明.txt" ] || fail "damaged record: files were removed"
wine_reg_query "$entry" /reg:32 | grep -q UninstallString || fail "damaged record: the uninstall entry was removed"
echo "ok a damaged record removes nothing and ends with exit code 2"

# 5b. A file list line that climbs out of the install folder: the rest goes, the file outside stays.
echo victim >"$work/victim.txt"
at=$(LC_ALL=C grep -obUa "$(gbk 卸载路径)"$'\001' "$work/uninst.dat.good" | tail -1 | cut -d: -f1)
[ -n "$at" ] || fail "no file list in uninst.dat"
list_start=$((at + $(gbk 卸载路径 | wc -c) + 1))
{ head -c $((list_start)) "$work/uninst.dat.good"
  gbk "$install_win\\..\\..\\qmbuninstall\\victim.txt"; printf '\r\n'
  tail -c +$((list_start + 1)) "$work/uninst.dat.good"; } >"$dat"
rm -f "$work/uninstall.log.gbk"
SETUP_LOG='C:\qmbuninstall\uninstall.log.gbk' run_wine "$install_win\\uninst.exe" -hp || :
uninstall_log climbing
grep -qF "victim.txt\" climbs with \"..\"; not deleted" "$work/climbing.log" || { cat "$work/climbing.log"; fail "climbing line: not refused"; }
[ "$(cat "$work/victim.txt")" = victim ] || fail "climbing line: the file outside the install folder was deleted"
check_removed "climbing file list line"

# What Wine itself changes, reviewed: the list further below.
expected_changes() {
  grep -vE "^. [-0-9]+ \./users/[^/]+/Temp/(7-zip32\.dll|Uninstall|Uninstall/$product|Uninstall/$product/uninst\.exe)$" |
    awk '/^\[/ {
           display = index($0, "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\") == 1 ||
                     index($0, "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\") == 1 ||
                     index($0, "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\DISPLAY\\") == 1
           console = $0 == "[HKEY_CURRENT_USER\\Console]" ||
                     index($0, "[HKEY_CURRENT_USER\\Console\\") == 1
           parent = $0 == "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall]"
         }
         !display && !console && !parent && !/^"DriverDateData"=/'
}

# 6. A prefix that holds the user's own things where the product goes: a file and an empty folder
# in the install folder, a link of the product's name on the desktop, a value of their own in the
# product's registry key, and a "Startup" folder with a link. Install and uninstall in the
# background: everything of theirs is byte for byte as it was, everything the install made is gone,
# and the prefix equals the one before the install (the reviewed list below aside).
user=$(cd "$(drive_c)/users" && ls -d */ | grep -vx 'Public/' | head -1); user=${user%/}
desktop=$(drive_c)/users/$user/Desktop
programs=$(find "$(drive_c)/users/$user" -type d -path '*/Start Menu/Programs' | head -1)
[ -n "$programs" ] || fail "no Programs folder in the prefix"
mine=$work/mine
had_startup=0; [ -d "$programs/Startup" ] && had_startup=1
mkdir -p "$mine" "$install/空的文件夹" "$desktop" "$programs/Startup"
echo "the user's notes" >"$install/我的笔记.txt"
printf 'not a link the install made' >"$desktop/$product.lnk"
printf 'a startup link of theirs' >"$programs/Startup/mine.lnk"
cp "$install/我的笔记.txt" "$desktop/$product.lnk" "$programs/Startup/mine.lnk" "$mine/"
timeout "$QMB_WINE_TIMEOUT" wine reg add 'HKCU\Software\QmbUninstallTest' /v Mine /d theirs /f >/dev/null 2>&1 \
  || fail "cannot write the user's registry value"
snapshot "$work/user-before.txt"
SETUP_LOG='C:\qmbuninstall\install.log.gbk' run_wine 'C:\qmbuninstall\setup.exe' -hp \
  || fail "user data: the background install ended with $?"
[ -f "$install/demo.exe" ] && [ -f "$install/uninst.exe" ] || fail "user data: nothing installed"
cmp -s "$desktop/$product.lnk" "$mine/$product.lnk" || fail "user data: the install replaced the user's desktop link"
code=0
SETUP_LOG='C:\qmbuninstall\uninstall.log.gbk' run_wine "$install_win\\uninst.exe" -hp || code=$?
uninstall_log user-data
[ "$code" = 0 ] || { cat "$work/user-data.log"; fail "user data: uninst.exe ended with $code"; }
cmp -s "$install/我的笔记.txt" "$mine/我的笔记.txt" || fail "user data: the user's file changed"
[ -d "$install/空的文件夹" ] || fail "user data: the user's empty folder was removed"
cmp -s "$desktop/$product.lnk" "$mine/$product.lnk" || fail "user data: the user's desktop link changed"
cmp -s "$programs/Startup/mine.lnk" "$mine/mine.lnk" || fail "user data: the user's startup link changed"
[ "$(wine_reg_query 'HKCU\Software\QmbUninstallTest' /v Mine | grep -c theirs)" = 1 ] \
  || fail "user data: the user's registry value was removed"
left=$(cd "$install" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./我的笔记.txt ./空的文件夹 " ] || fail "user data: left in the install folder: $left"
[ ! -e "$programs/$product" ] || fail "user data: the start-menu group the install made is left"
wine_reg_query 'HKLM\SOFTWARE\QmbUninstallTest' /reg:64 | grep -q . && fail "user data: the install's key is left"
snapshot "$work/user-after.txt"
if ! diff <(expected_changes <"$work/user-before.txt") <(expected_changes <"$work/user-after.txt") \
    >"$work/user-snapshot.diff"; then
  cat "$work/user-snapshot.diff"
  fail "user data: the prefix differs from the one before the install"
fi
echo "ok the user's own things survive an install and an uninstall byte for byte"
rm -rf "$install" "$desktop/$product.lnk" "$programs/Startup/mine.lnk"
[ "$had_startup" = 1 ] || rmdir "$programs/Startup"
timeout "$QMB_WINE_TIMEOUT" wine reg delete 'HKCU\Software\QmbUninstallTest' /f >/dev/null 2>&1 || :

# The prefix as it was before the first install, but for this reviewed list:
#  - Wine's own bookkeeping of the display, set up anew by each Wine session with a display:
#      HKLM\System\CurrentControlSet\Control\Video\{GUID}, one key per display session (with a
#        "DriverError" when a session ran without one);
#      HKLM\System\CurrentControlSet\Control\Class\..., the device classes of the display adapter
#        and monitors, rewritten (their names dropped) when a display is set up;
#      HKLM\System\CurrentControlSet\Enum\DISPLAY\..., the monitors with their properties, among
#        them the screen size of the last session that showed a window: this test's uninstall windows
#        run on 800x600, run_wine's displays are larger, and the prefix comes from other tests;
#      "DriverDateData", the time the display driver was last set up;
#  - HKCU\Console, Wine's console settings, written when the first console program runs (here
#    cmd.exe, the uninstall-time command);
#  - HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall, empty: a fresh 64-bit
#    Wine prefix lacks this key of the 32-bit view, which every Windows has; the install makes it
#    as the parent of the product's entry, and the uninstaller removes only the entry;
#  - the program's own files in the temp folder, which this kind of program leaves by design:
#      7-zip32.dll, written by every start of setup.exe (the uninstaller's copy included) and kept
#        for the next start;
#      Uninstall\<product>\uninst.exe, the uninstaller's running copy, which cannot delete itself
#        (Windows refuses to delete a running program); the next launcher start empties the folder.
snapshot "$work/after.txt"
if ! diff <(expected_changes <"$work/before.txt") <(expected_changes <"$work/after.txt") >"$work/snapshot.diff"; then
  cat "$work/snapshot.diff"
  fail "the prefix differs from the one before the install"
fi
echo "ok the prefix after the uninstalls equals the one before the install (reviewed exceptions aside)"
rm -rf "$work"
