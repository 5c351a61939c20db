#!/bin/bash
# The uninstaller launcher under Wine, as a user starts it from an install folder whose name holds
# a space and Chinese characters:
#  - the package's uninst.exe (the launcher mkpackage named after the product) beside an uninst.dat
#    laid out as the install writes it makes its working copy in TEMP\Uninstall\<product>, writes
#    uninst.ico there, runs the copy with the install folder, the working folder, "卸载" and its
#    own switches and waits for it; the copy recognises that it is an uninstaller, finds that this
#    record holds no file list, removes nothing and cleans up its working folder (all but itself,
#    which runs); the launcher ends with the copy's exit code 2 (damaged data);
#  - without uninst.dat it says "卸载数据丢失，无法启动卸载程序！" and starts nothing; started with
#    switch words (a script's run, "-hp") it shows no box: a log line and exit code 1.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

mkpackage=$(native_program mkpackage)
runtime=$(windows_program setup.exe)
answer=$(windows_program e2e/drive_window.exe)

work=$(drive_c)/qmbuninst
rm -rf "$work"
mkdir -p "$work"
cp "$answer" "$work/"

find_temp_folder

"$mkpackage" --runtime "$runtime" "$QMB_SOURCE_DIR/examples/demo" -o "$work/setup.exe" >/dev/null
report=$("$mkpackage" --inspect "$work/setup.exe")
image_end=$(sed -n 's/^runtime image *0\.\.\([0-9]*\),.*$/\1/p' <<<"$report")
launcher=$(sed -n 's/^uninstaller *launcher at \([0-9]*\), \([0-9]*\) bytes, named "\(.*\)"$/\1 \2 \3/p' <<<"$report")
read -r launcher_at launcher_size product <<<"$launcher"
[ -n "$image_end" ] && [ -n "$launcher_at" ] || { echo "$report"; fail "mkpackage --inspect: no image end or launcher"; }
[ "$product" = 演示软件 ] || fail "the launcher is named \"$product\", not after the product"

# The install folder, as the install leaves it: the launcher out of the package's image (carried
# gzip-compressed, zero bytes of room behind it), and the data file: "{", the image up to the
# package's sections, the uninstaller's sections, kind "qmb-2".
folder_win='C:\qmbuninst\Program Files\演示 软件'
folder=$(unix_path "$folder_win")
mkdir -p "$folder"
dd if="$work/setup.exe" iflag=skip_bytes,count_bytes bs=64K skip="$launcher_at" count="$launcher_size" \
  status=none | gzip -dc >"$folder/uninst.exe"
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }
section() {  # section NAME: standard input framed by the marks NAME + "A" and NAME + "B"
  gbk "QMB-mark=$1A"; printf '\001'; cat; gbk "QMB-mark=$1B"; printf '\001'
}
{
  printf '{'
  head -c "$image_end" "$work/setup.exe"
  gbk 'QMBDLL_s.ini#！★！##！★！##！★！##！★！#' | section uninst_dat
  gbk $'[软件卸载配置]\r\n软件名称=演示软件\r\n' | section uninst_ini
  { gbk 卸载程序图标; printf '\001ICON-BYTES'; gbk 卸载程序图标; printf end; } | section skin
  printf 'qmb-2' | section 配置包
} >"$folder/uninst.dat"

# 1. The launcher starts its working copy.
rm -rf "$temp/Uninstall" "$work/launcher.log.gbk"
mkdir -p "$temp/Uninstall/earlier"
code=0
SETUP_LOG='C:\qmbuninst\launcher.log.gbk' run_wine "$folder_win\\uninst.exe" -hp || code=$?
iconv -f GBK -t UTF-8 "$work/launcher.log.gbk" | tr -d '\r' >"$work/launcher.log"
has_line() {
  grep -qF -- "$1" "$work/launcher.log" || { cat "$work/launcher.log" >&2; fail "no log line \"$1\""; }
}
[ "$code" = 2 ] || { cat "$work/launcher.log"; fail "uninst.exe ended with $code, not the uninstaller's 2"; }
[ ! -e "$temp/Uninstall/earlier" ] || fail "TEMP\\Uninstall was not emptied"
working_win="$temp_win\\Uninstall\\演示软件"
working=$(unix_path "$working_win")
cmp -s "$working/uninst.exe" <(tail -c +2 "$folder/uninst.dat"; head -c 10485760 /dev/zero) \
  || fail "the working copy is not uninst.dat without its lead byte, plus 10 MiB of zeros"
has_line "launcher: wrote uninst.ico, 10 bytes"
arguments="\"$folder_win\" \"$working_win\" 卸载 -hp"
has_line "launcher: starting \"$working_win\\uninst.exe\" $arguments"
has_line "launcher: the uninstaller ended with exit code 2"
# The working copy's own start-up: its arguments, and the uninstaller kind recognised.
has_line "package: $working_win\\uninst.exe, arguments \"$arguments\""
has_line 'package: kind "qmb-2"'
has_line "start-up: uninstaller kind"
has_line "uninstall: the record lacks its list 卸载路径; nothing is removed"
[ ! -e "$working/uninst.ico" ] && [ -f "$working/uninst.exe" ] \
  || fail "the uninstaller did not clean up its working folder (all but its running self)"
echo "ok the launcher runs its working copy and ends with its exit code: $arguments"

# 2. Without uninst.dat: the message, and nothing started.
mkdir -p "$work/empty"
cp "$folder/uninst.exe" "$work/empty/"
rm -rf "$temp/Uninstall"
QMB_DRIVER='C:\qmbuninst\drive_window.exe' timeout "$QMB_WINE_TIMEOUT" xvfb-run -a -n "$(qmb_display)" bash -c '
  '"$(declare -f drive)"'
  wine "C:\\qmbuninst\\empty\\uninst.exe" & launcher=$!
  drive answer "" ok - 60 >"$1/answer.txt"; answered=$?
  wait $launcher; code=$?
  wineserver -w
  echo "$code $answered" >"$1/empty.codes"' missing "$work"
read -r code answered <"$work/empty.codes"
tr -d '\r' <"$work/answer.txt"
[ "$answered" = 0 ] || fail "missing data: no message box"
grep -qF 'text: 卸载数据丢失，无法启动卸载程序！' "$work/answer.txt" || fail "missing data: message text"
[ "$code" = 1 ] || fail "missing data: exit code $code"
[ -z "$(ls -A "$temp/Uninstall")" ] || fail "missing data: something was made in TEMP\\Uninstall"
echo "ok a launcher without uninst.dat says so"

# 3. The same in a script's run (switch words): no box to wait for, only a log line and code 1.
code=0
SETUP_LOG='C:\qmbuninst\empty.log.gbk' run_wine 'C:\qmbuninst\empty\uninst.exe' -hp >/dev/null 2>&1 || code=$?
[ "$code" = 1 ] || fail "missing data, -hp: exit code $code"
iconv -f GBK -t UTF-8 "$work/empty.log.gbk" | tr -d '\r' | grep -qiF 'launcher: no C:\qmbuninst\empty\uninst.dat' \
  || fail "missing data, -hp: no log line"
echo "ok a hidden run of a launcher without uninst.dat ends with 1 and a log line"

rm -rf "$work" "$temp/Uninstall"
