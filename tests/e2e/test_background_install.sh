#!/bin/bash
# A background install under Wine of a package that uses every feature, into a folder with a space
# and Chinese characters given by the "p" switch:
#  - the payload lands (the assignment group flat in its folder, the entries an unticked component
#    removes absent), the "Install" and "Unzip" sections and both program lists run in their order
#    (the "finish" sections do not: the background mode ends without a finish page), the links are
#    in the desktop, start-menu group, quick launch and another folder with target, arguments, icon
#    and description (read back through the shell's link object), the registry values are in the
#    view each asks for (in a win64 prefix the 32-bit ones under WOW6432Node), the uninstall entry
#    has its values, uninst.exe and uninst.dat are written and uninst.exe starts its working copy,
#    the temporary files are gone and the exit code is 0;
#  - test mode installs nothing; without "是否生成卸载程序" 1 there is no uninstaller, record or
#    uninstall entry, but the links and the package's own values are there;
#  - a damaged payload, a wrong "safe" password, a refused folder and too little space each end with
#    their own non-zero code and a log line saying why, without a box to wait for; a failed unpacking
#    is undone: the install folder holds what it held before (a user's read-only file of a payload
#    name included), nothing changes outside the temp folder, and the product's registry keys (a
#    user's value in one of them) export as they did before.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

mkpackage=$(native_program mkpackage)
runtime=$(windows_program setup.exe)
answer=$(windows_program e2e/drive_window.exe)
read_links=$(windows_program e2e/read_links.exe)

work=$(drive_c)/qmbinstall
work_win='C:\qmbinstall'
rm -rf "$work"
mkdir -p "$work"
cp "$answer" "$read_links" "$work/"
caption='E2E 安装向导'
folder_win='C:\qmbinstall\安装 目录\E2E 演示'
folder=$work/'安装 目录/E2E 演示'

find_temp_folder
product=E2E演示
# The uninstall entry and the package's "view=32" values go to the 32-bit view, "view=64" to the
# 64-bit one: on 64-bit Windows two keys, on 32-bit Windows one.
uninstall_key=$(reg_view_key 32 "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product")
key32=$(reg_view_key 32 "HKLM\\Software\\$product")
key64=$(reg_view_key 64 "HKLM\\Software\\$product")
registry_keys=("HKLM\\Software\\$product" "HKLM\\Software\\Wow6432Node\\$product"
               "HKCU\\Software\\$product" "$uninstall_key")
cleanup() {  # what the installs leave in the prefix outside the test's folder
  local key
  for key in "${registry_keys[@]}"; do
    timeout "$QMB_WINE_TIMEOUT" wine reg delete "$key" /f >/dev/null 2>&1 || :
  done
  find "$(drive_c)/users" -name "$product*.lnk" -delete 2>/dev/null || :
  find "$(drive_c)/users" -depth -type d -name "$product" -exec rm -rf {} + 2>/dev/null || :
  rm -rf "$temp/Uninstall"
}
cleanup

# Files of a text given with LF line ends, written with CR LF as package authors keep them.
crlf() { sed 's/$/\r/' >"$1"; }

# The project of the package: payload and settings (UTF-8; mkpackage converts and enciphers).
project=$work/project
make_project() {
  rm -rf "$project"
  mkdir -p "$project/settings" "$project/payload/文档" "$project/payload/data" \
    "$project/payload/conf" "$project/payload/removed"
  local p=$project/payload
  printf 'MZ e2e main program\n' >"$p/app.exe"
  printf 'readme\n' >"$p/readme.txt"
  printf '使用说明\n' >"$p/文档/说明.txt"
  head -c 2000000 /dev/urandom >"$p/data/big.bin"
  printf '[conf]\nx=1\n' >"$p/conf/settings.ini"
  printf 'icon\n' >"$p/app.ico"
  printf 'removed\n' >"$p/removed/gone.txt"

  local s=$project/settings
  crlf "$s/data.ini" <<INI
[禾木软件安装配置]
禾木软件名称=E2E演示
软件版本=2.0
公司名称=E2E工作室
包内的程序名=app.exe
安装位置=C:\\qmbinstall\\默认位置
safe=E2E-pass 1
是否生成卸载程序=1
选择框_优先二次路径=假
基本组件勾选=真，真，真
安装模式=正常安装
安装后是否显示完成界面=真
安装过程_列表=0

[安装包命令行]
p=/D
hp=-hp

[解压后运行的参数]
欲运行的次数=2
是否外部运行1=真
参数运行文件名1=cmd /c echo pre-install>>C:\\qmbinstall\\order.txt
作用方案1=解压前运行
是否隐藏窗口1=真
是否等待返回1=真
是否外部运行2=真
参数运行文件名2=cmd /c if exist "%InstallPath%\\app.exe" echo post-install>>C:\\qmbinstall\\order.txt
作用方案2=解压后运行
是否隐藏窗口2=真
是否等待返回2=真

[ml]
ch=假

[新建快捷方式参数]
欲运行的次数=3
参数快捷方式名1=E2E演示
参数文件名1=app.exe
参数命令行1=--from-link "两个 词"
参数生成位置1=%Desktop%，%MenuDir%\\E2E演示,%QuickLaunch%
参数是否卸载1=真
快捷方式图标1=app.ico
快捷方式描述1=E2E 演示程序
参数快捷方式名2=卸载 E2E演示
参数文件名2=%Uninst.exe%
参数生成位置2=%MenuDir%\\E2E演示
参数是否卸载2=真
快捷方式描述2=卸载程序
参数快捷方式名3=说明.lnk
参数文件名3=文档\\说明.txt
参数生成位置3=C:\\qmbinstall\\其他%AC%位置
快捷方式描述3=使用说明
INI
  crlf "$s/variable.ini" <<'INI'
[%InstallPath%]
数据=

[%Desktop%]
数据=

[%MenuDir%]
数据=

[%QuickLaunch%]
数据=
INI
  mkdir -p "$project/registry"
  crlf "$project/registry/values.ini" <<'INI'
[32 位视图]
path=HKLM\Software\E2E演示
name=Folder
type=REG_SZ
data=%InstallPath%
remove=yes

[64 位视图]
path=HKLM\Software\E2E演示
name=Build
type=REG_DWORD
data=255
view=64

[默认值]
path=HKCU\Software\E2E演示
type=REG_SZ
data=默认 值
INI
  crlf "$project/registry/script.reg" <<'INI'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\E2E演示\脚本]
"路径"="SXG(%InstallPath%)\\bin"
INI
  crlf "$s/Except.ini" <<'INI'
%InstallPath%\配置,-1
conf\settings.ini,1
INI
  # Program lines of the sections write the order they run in.
  crlf "$s/choolantern.ini" <<'INI'
Treelists
｛
Install(){
主程序$,-1$,1$,真$,$,1
开始菜单$,0$,1$,$,
快速启动$,0$,1$,$,
可选文件$,0$,0$,$,
}
Unzip(){
}
finish(){
}
describe(){
}
｝

主程序
｛
Install(){
[真]setdesktop()
[真]cmd /c echo install-main>>C:\qmbinstall\order.txt
}
Unzip(){
[真]cmd /c echo unzip-main>>C:\qmbinstall\order.txt
}
finish(){
[真]cmd /c echo finish-main>>C:\qmbinstall\order.txt
}
describe(){
}
｝

开始菜单
｛
Install(){
[真]setstartmenu()
}
Unzip(){
}
finish(){
}
describe(){
}
｝

快速启动
｛
Install(){
[真]setquicklaunch()
}
Unzip(){
}
finish(){
}
describe(){
}
｝

可选文件
｛
Install(){
[假]removezip(removed)
[真]cmd /c echo install-optional-ticked>>C:\qmbinstall\order.txt
}
Unzip(){
[假]cmd /c echo unzip-optional>>C:\qmbinstall\order.txt
}
finish(){
}
describe(){
}
｝

INI
  printf '窗口标题\001%s窗口标题end安装3\001解压 %%Default%%,快捷方式 %%Default%%,运行 %%Default%%,卸载程序 %%Default%%安装3end' \
    "$caption" >"$s/GUItext.ini"
}

# set_value KEY VALUE: sets a value of data.ini's main section in the project.
set_value() {
  local ini=$project/settings/data.ini
  if grep -q "^$1=" "$ini"; then
    sed -i "s|^$1=.*|$1=$2\r|" "$ini"
  else
    sed -i "s|^\[禾木软件安装配置\].*|&\n$1=$2\r|" "$ini"
  fi
}

# pack NAME: the project packed into $work/NAME/setup.exe.
pack() {
  mkdir -p "$work/$1"
  "$mkpackage" --runtime "$runtime" "$project" -o "$work/$1/setup.exe" >/dev/null
}

# install NAME [ARGUMENTS...]: runs C:\qmbinstall\NAME\setup.exe with SETUP_LOG; the exit code goes
# to NAME.code, the log to NAME.log (UTF-8). With ANSWER=SECONDS the window driver watches beside
# it for a message box titled with the package's caption for that long and answers it; what it saw
# goes to NAME.box.
install() {
  local name=$1
  shift
  rm -f "$work/$name.log.gbk" "$work/$name.code" "$work/$name.box" "$work/order.txt"
  SETUP_LOG="C:\\qmbinstall\\$name.log.gbk" QMB_DRIVER='C:\qmbinstall\drive_window.exe' \
    timeout "$QMB_WINE_TIMEOUT" xvfb-run -a -n "$(qmb_display)" bash -c '
    '"$(declare -f drive)"'
    work=$1 name=$2 answer=$3 caption=$4
    shift 4
    wineserver -w
    wine "C:\\qmbinstall\\$name\\setup.exe" "$@" &
    setup=$!
    if [ "$answer" -gt 0 ]; then
      drive answer "$caption" ok - "$answer" >"$work/$name.box"
    fi
    wait $setup
    echo $? >"$work/$name.code"
    wineserver -w' install "$work" "$name" "${ANSWER:-0}" "$caption" "$@" >/dev/null 2>&1 || :
  { iconv -f GBK -t UTF-8 "$work/$name.log.gbk" 2>/dev/null || :; } | tr -d '\r' >"$work/$name.log"
}

has_line() {  # has_line NAME FIXED-TEXT
  grep -qF -- "$2" "$work/$1.log" || { cat "$work/$1.log" >&2; fail "$1: no log line \"$2\""; }
}
exit_code_is() {  # exit_code_is NAME CODE
  local code
  code=$(cat "$work/$1.code")
  [ "$code" = "$2" ] || { cat "$work/$1.log" >&2; fail "$1: exit code $code, expected $2"; }
}

# Every file below drive_c outside the test's own folder and the temp folder: what a run may not
# change unless the package asked for it.
snapshot() {
  (cd "$(drive_c)" && find . -path ./qmbinstall -prune -o -path "./${temp#"$(drive_c)"/}" -prune \
    -o -print | LC_ALL=C sort)
}
# The settings work folder that start-up made, from the log; it must be gone again.
work_folder_gone() {
  local made
  made=$(sed -n 's/^package: settings unpacked into \(.*\)$/\1/p' "$work/$1.log")
  [ -n "$made" ] || { cat "$work/$1.log" >&2; fail "$1: settings not unpacked"; }
  [ ! -e "$(unix_path "$made")" ] || fail "$1: work folder $made left behind"
  ! ls "$temp"/*.7zqmb >/dev/null 2>&1 || fail "$1: a payload copy is left in the temp folder"
}

# 1. The full package in the background mode.
make_project
pack full
install full -hp /D "$folder_win"
exit_code_is full 0
has_line full "install: start in $folder_win"
has_line full "end: exit code 0"
for f in app.exe readme.txt 文档/说明.txt data/big.bin; do
  cmp -s "$project/payload/$f" "$folder/$f" || fail "full: $f not installed"
done
cmp -s "$project/payload/conf/settings.ini" "$folder/配置/settings.ini" ||
  fail "full: the assignment group did not land flat in 配置"
[ ! -e "$folder/conf/settings.ini" ] || fail "full: the assigned entry was unpacked again"
[ ! -e "$folder/removed" ] || fail "full: the entries the unticked component removes are there"
printf 'install-main\npre-install\npost-install\nunzip-main\nunzip-optional\n' >"$work/order.expected"
tr -d '\r ' <"$work/order.txt" | diff "$work/order.expected" - ||
  fail "full: the sections and program lists ran in another order"
work_folder_gone full
echo "ok background install: payload, sections and program lists in order, exit code 0"

# The links, as the shell's link object reads them back.
links() {  # links NAME: every link of the user's folders and the extra folder into NAME.links
  run_wine 'C:\qmbinstall\read_links.exe' 'C:\users' 'C:\qmbinstall\其他，位置' |
    tr -d '\r' >"$work/$1.links"
}
has_link() {  # has_link NAME FOLDER-SUFFIX LINK-NAME FIELDS
  grep -qF -- "$2\\$3 => $4" "$work/$1.links" || { cat "$work/$1.links" >&2; fail "$1: no link $2\\$3 => $4"; }
}
links full
app_link="$folder_win\app.exe|--from-link \"两个 词\"|E2E 演示程序|$folder_win\app.ico,0|0"
has_link full '\Desktop' "$product.lnk" "$app_link"
has_link full "\Programs\\$product" "$product.lnk" "$app_link"
has_link full '\Quick Launch' "$product.lnk" "$app_link"
has_link full "\Programs\\$product" "卸载 $product.lnk" "$folder_win\uninst.exe||卸载程序|,0|0"
grep -qF 'C:\qmbinstall\其他，位置\说明.lnk => '"$folder_win"'\文档\说明.txt||使用说明|,0|0' "$work/full.links" ||
  { cat "$work/full.links"; fail "full: no link in the package's own folder"; }
echo "ok links in the desktop, start-menu group, quick launch and the package's folder"

# The registry values, each in the view it asked for.
reg_value() {  # reg_value KEY LINE: the exported key holds the line
  local exported
  exported=$(wine_reg_export "$1") || fail "no registry key $1"
  grep -qxF -- "$2" <<<"$exported" || { echo "$exported" >&2; fail "$1 lacks $2"; }
}
folder_reg=${folder_win//\\/\\\\}
reg_value "$key32" "\"Folder\"=\"$folder_reg\""
reg_value "$key64" '"Build"=dword:000000ff'
if [ "$key32" != "$key64" ]; then
  wine_reg_export "$key64" | grep -q '"Folder"' && fail "the 32-bit value is in the 64-bit view"
  wine_reg_export "$key32" | grep -q '"Build"' && fail "the 64-bit value is in the 32-bit view"
fi
reg_value "HKCU\\Software\\$product" '@="默认 值"'
reg_value "HKCU\\Software\\$product\\脚本" "\"路径\"=\"$folder_reg\\\\bin\""
for line in "\"DisplayName\"=\"$product 2.0\"" '"DisplayVersion"="2.0"' \
            "\"DisplayIcon\"=\"$folder_reg\\\\app.exe\"" \
            "\"UninstallString\"=\"\\\"$folder_reg\\\\uninst.exe\\\"\"" \
            "\"InstallLocation\"=\"$folder_reg\""; do
  reg_value "$uninstall_key" "$line"
done
echo "ok registry values in their views ($QMB_WINDOWS_ARCH prefix, 32-bit view $key32) and the uninstall entry"

# The uninstaller: its files, and the launcher starting its working copy. The launcher passes its
# own arguments on, so the package's "-hp" lets the copy remove the product hidden and end instead
# of waiting for a click in its window.
[ -f "$folder/uninst.exe" ] && [ -f "$folder/uninst.dat" ] || fail "full: no uninst.exe or uninst.dat"
rm -f "$work/launcher.log.gbk"
code=0
SETUP_LOG='C:\qmbinstall\launcher.log.gbk' run_wine "$folder_win\\uninst.exe" -hp >/dev/null 2>&1 || code=$?
iconv -f GBK -t UTF-8 "$work/launcher.log.gbk" | tr -d '\r' >"$work/launcher.log"
[ "$code" = 0 ] || fail "full: uninst.exe -hp ended with $code"
has_line launcher "launcher: starting \"$temp_win\\Uninstall\\$product\\uninst.exe\" \"$folder_win\""
has_line launcher "start-up: uninstaller kind"
echo "ok uninst.exe starts its working copy, which knows it is an uninstaller"

# 1b. Without an uninstaller: no launcher, record or entry, but links and the package's values.
cleanup
make_project
set_value 是否生成卸载程序 0
pack nouninst
install nouninst -hp /D "$work_win\\nouninst\\App"
exit_code_is nouninst 0
[ -f "$work/nouninst/App/app.exe" ] || fail "nouninst: nothing installed"
[ ! -e "$work/nouninst/App/uninst.exe" ] && [ ! -e "$work/nouninst/App/uninst.dat" ] ||
  fail "nouninst: uninstaller files written"
! wine_reg_export "$uninstall_key" >/dev/null || fail "nouninst: uninstall entry written"
reg_value "$key32" "\"Folder\"=\"${work_win//\\/\\\\}\\\\nouninst\\\\App\""
links nouninst
has_link nouninst '\Desktop' "$product.lnk" "$work_win\\nouninst\\App\\app.exe|"
grep -qF "卸载 $product.lnk" "$work/nouninst.links" && fail "nouninst: uninstaller link made"
cleanup
echo "ok without an uninstaller: no launcher, record or entry; links and values are there"

# 2. Test mode: "test" as the only argument reads the settings beside the program and installs
#    nothing (the package here is set to install in the background by its own data.ini).
mkdir -p "$work/testmode"
cp "$work/full/setup.exe" "$work/testmode/"
printf '[禾木软件安装配置]\r\n禾木软件名称=E2E演示\r\n安装位置=C:\\qmbinstall\\testmode\\App\r\nsafe=E2E-pass 1\r\n安装模式=后台安装\r\n' |
  iconv -f UTF-8 -t GBK >"$work/testmode/data.ini"
install testmode test
exit_code_is testmode 0
has_line testmode "install: test mode, nothing is installed"
[ ! -e "$work/testmode/App" ] || fail "testmode: something was installed"
echo "ok test mode installs nothing"

# 3. Failures: each ends with its own code and reason, and writes nothing outside the install
#    folder, the temp folder and what the package asked for.
# A failed extraction is undone, so no link, value or folder of the package stays behind.
failing_install() {  # failing_install NAME CODE LOG-TEXT [ARGUMENTS...]
  local name=$1 code=$2 text=$3 before
  shift 3
  before=$(snapshot)
  wine_reg_export_all "${registry_keys[@]}" >"$work/$name.keys-before"
  install "$name" "$@"
  exit_code_is "$name" "$code"
  has_line "$name" "$text"
  has_line "$name" "end: exit code $code ("
  work_folder_gone "$name"
  diff <(echo "$before") <(snapshot) | grep '^[<>]' >"$work/$name.changed" &&
    { cat "$work/$name.changed"; fail "$name: files changed outside the install and temp folders"; }
  wine_reg_export_all "${registry_keys[@]}" | diff -u "$work/$name.keys-before" - >"$work/$name.keys-changed" ||
    { cat "$work/$name.keys-changed"; fail "$name: the product's registry keys changed"; }
  cleanup
}

# no_box NAME: the run ended by itself, and the window driver watching beside it saw no box come.
no_box() {
  grep -qxF "no dialog box titled $caption" "$work/$1.box" ||
    { cat "$work/$1.box"; fail "$1: a box came up in the background run"; }
}

# A damaged payload: bytes in the middle of the payload section overwritten.
mkdir -p "$work/damaged"
cp "$work/full/setup.exe" "$work/damaged/"
span=$("$mkpackage" --inspect "$work/damaged/setup.exe" |
  sed -n 's/^payload section .*content at \([0-9]*\), \([0-9]*\) bytes$/\1 \2/p')
read -r at size <<<"$span"
[ -n "${size:-}" ] || fail "mkpackage --inspect gave no payload section"
head -c 4096 /dev/zero | dd of="$work/damaged/setup.exe" bs=1 seek=$((at + size / 2)) conv=notrunc status=none
# The user's install folder already holds a read-only file of a payload name and one of its own.
mkdir -p "$work/damaged/App"
printf "user's app\n" >"$work/damaged/App/app.exe"
printf "user's notes\n" >"$work/damaged/App/notes.txt"
timeout "$QMB_WINE_TIMEOUT" wine attrib +r "$work_win\\damaged\\App\\app.exe" >/dev/null 2>&1 || :
# And a value of the user's own in a key the package writes to.
timeout "$QMB_WINE_TIMEOUT" wine reg add "HKCU\\Software\\$product" /v 用户设置 /d 保留 /f >/dev/null 2>&1 ||
  fail "cannot add the user's registry value"
failing_install damaged 2 "install: the payload could not be unpacked into" -hp /D "$work_win\\damaged\\App"
has_line damaged "rollback: complete"
grep -qF '"用户设置"="保留"' "$work/damaged.keys-before" || fail "damaged: the user's value was not there"
[ "$(cd "$work/damaged/App" && find . | sort | tr '\n' ' ')" = ". ./app.exe ./notes.txt " ] ||
  { ls -laR "$work/damaged/App"; fail "damaged: the install folder is not as it was"; }
[ "$(cat "$work/damaged/App/app.exe")" = "user's app" ] || fail "damaged: the user's app.exe was not put back"
! wine_reg_export "$uninstall_key" >/dev/null || fail "damaged: uninstall entry written"
echo "ok damaged payload ends with 2, undone, the user's files as they were"

# A wrong "safe" password: the payload comes as a volume beside the package (压缩分卷数 1), packed
# with another password than the package's.
make_project
set_value 压缩分卷数 1
set_value 压缩分卷文件名 payload.7z
pack wrongsafe
(cd "$project/payload" && 7zz a -bd -mhe=on '-pnot the safe one' "$work/wrongsafe/payload.7z" -- * >/dev/null)
failing_install wrongsafe 2 "install: the payload could not be unpacked into" -hp /D "$work_win\\wrongsafe\\App"
echo "ok wrong safe password ends with 2"

# A folder the package's path rules refuse: no box waits for a click, nothing is unpacked.
make_project
sed -i 's|^ch=.*|ch=真\r|' "$project/settings/data.ini"
pack refused
ANSWER=5 failing_install refused 4 "install folder refused: $folder_win" -hp /D "$folder_win"
no_box refused
has_line refused "message not shown in the background run: 选择的路径含有中文字符，请重新选择"
[ ! -e "$work/order.txt" ] || fail "refused: the install sections ran"
! wine_reg_export "$uninstall_key" >/dev/null || fail "refused: uninstall entry written"
echo "ok refused folder ends with 4"

# Too little space: the payload's unpacked size is larger than any drive.
make_project
set_value 选择框_显示空间 真
set_value 压缩原大小 999999999999999999
pack nospace
ANSWER=5 failing_install nospace 5 "too little space for $work_win\\nospace\\App" -hp /D "$work_win\\nospace\\App"
no_box nospace
has_line nospace "message not shown in the background run: 当前释放的数据将会占满磁盘空间，建议换其他盘重试"
[ ! -e "$work/nospace/App" ] || fail "nospace: the install folder was made"
echo "ok too little space ends with 5"

cleanup
rm -rf "$work"
