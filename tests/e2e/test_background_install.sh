#!/bin/bash
# A background install under Wine of a package that uses every feature, into a folder with a space
# and Chinese characters given by the "p" switch:
#  - the payload lands (the assignment group flat in its folder, the entries an unticked component
#    removes absent), the "Install" and "Unzip" sections and both program lists run in their order
#    (the "finish" sections do not: the background mode ends without a finish page), the temporary
#    files are gone and the exit code is 0;
#  - test mode installs nothing;
#  - a damaged payload, a wrong "safe" password, a refused folder and too little space each end with
#    their own non-zero code and a log line saying why, and write nothing outside the install folder,
#    the temp folder and what the package asked for.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

mkpackage=$QMB_NATIVE_DIR/mkpackage
[ -x "$mkpackage" ] || fail "missing $mkpackage (build the native targets first)"
runtime=$(windows_program setup.exe)
answer=$(windows_program e2e/answer_message_box.exe)

work=$(drive_c)/qmbinstall
work_win='C:\qmbinstall'
rm -rf "$work"
mkdir -p "$work"
cp "$answer" "$work/"
caption='E2E 安装向导'
folder_win='C:\qmbinstall\安装 目录\E2E 演示'
folder=$work/'安装 目录/E2E 演示'

# The Linux path of a path on C:.
unix_path() {
  local path=${1#[Cc]:}
  path=${path//\\//}
  echo "$(drive_c)${path%/}"
}
temp_win=$(run_wine cmd /c 'echo %TEMP%' | tr -d '\r')
temp=$(unix_path "$temp_win")
[ -d "$temp" ] || fail "no temp folder ($temp_win)"

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
INI
  crlf "$s/variable.ini" <<'INI'
[%InstallPath%]
数据=
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
# to NAME.code, the log to NAME.log (UTF-8). With ANSWER=1 a message box titled with the package's
# caption is answered beside it, and its text goes to NAME.box.
install() {
  local name=$1
  shift
  rm -f "$work/$name.log.gbk" "$work/$name.code" "$work/$name.box" "$work/order.txt"
  SETUP_LOG="C:\\qmbinstall\\$name.log.gbk" timeout "$QMB_WINE_TIMEOUT" xvfb-run -a bash -c '
    work=$1 name=$2 answer=$3 caption=$4
    shift 4
    wineserver -w
    wine "C:\\qmbinstall\\$name\\setup.exe" "$@" &
    setup=$!
    if [ "$answer" = 1 ]; then
      wine "C:\\qmbinstall\\answer_message_box.exe" "$caption" 60 | tr -d "\r" >"$work/$name.box"
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
failing_install() {  # failing_install NAME CODE LOG-TEXT [ARGUMENTS...]
  local name=$1 code=$2 text=$3 before
  shift 3
  before=$(snapshot)
  install "$name" "$@"
  exit_code_is "$name" "$code"
  has_line "$name" "$text"
  has_line "$name" "end: exit code $code ("
  work_folder_gone "$name"
  diff <(echo "$before") <(snapshot) >"$work/$name.changed" ||
    { cat "$work/$name.changed"; fail "$name: files changed outside the install and temp folders"; }
}

# A damaged payload: bytes in the middle of the payload section overwritten.
mkdir -p "$work/damaged"
cp "$work/full/setup.exe" "$work/damaged/"
span=$("$mkpackage" --inspect "$work/damaged/setup.exe" |
  sed -n 's/^payload section .*content at \([0-9]*\), \([0-9]*\) bytes$/\1 \2/p')
read -r at size <<<"$span"
[ -n "${size:-}" ] || fail "mkpackage --inspect gave no payload section"
head -c 4096 /dev/zero | dd of="$work/damaged/setup.exe" bs=1 seek=$((at + size / 2)) conv=notrunc status=none
failing_install damaged 2 "install: the payload could not be unpacked into" -hp /D "$work_win\\damaged\\App"
echo "ok damaged payload ends with 2"

# A wrong "safe" password: the payload comes as a volume beside the package (压缩分卷数 1), packed
# with another password than the package's.
make_project
set_value 压缩分卷数 1
set_value 压缩分卷文件名 payload.7z
pack wrongsafe
(cd "$project/payload" && 7zz a -bd -mhe=on '-pnot the safe one' "$work/wrongsafe/payload.7z" -- * >/dev/null)
failing_install wrongsafe 2 "install: the payload could not be unpacked into" -hp /D "$work_win\\wrongsafe\\App"
echo "ok wrong safe password ends with 2"

# A folder the package's path rules refuse: the user is told, nothing is unpacked.
make_project
sed -i 's|^ch=.*|ch=真\r|' "$project/settings/data.ini"
pack refused
ANSWER=1 failing_install refused 4 "install folder refused: $folder_win" -hp /D "$folder_win"
grep -qx 'text: 选择的路径含有中文字符，请重新选择' "$work/refused.box" ||
  { cat "$work/refused.box"; fail "refused: message box"; }
[ ! -e "$work/order.txt" ] || fail "refused: the install sections ran"
echo "ok refused folder ends with 4"

# Too little space: the payload's unpacked size is larger than any drive.
make_project
set_value 选择框_显示空间 真
set_value 压缩原大小 999999999999999999
pack nospace
ANSWER=1 failing_install nospace 5 "too little space for $work_win\\nospace\\App" -hp /D "$work_win\\nospace\\App"
grep -qx 'text: 当前释放的数据将会占满磁盘空间，建议换其他盘重试' "$work/nospace.box" ||
  { cat "$work/nospace.box"; fail "nospace: message box"; }
[ ! -e "$work/nospace/App" ] || fail "nospace: the install folder was made"
echo "ok too little space ends with 5"

rm -rf "$work"
