#!/bin/bash
# Faults injected into real installs of the program under Wine. Each install is undone: it ends with
# its documented exit code and a log line, and the prefix is as it was before (the install drive's
# files with their sizes and contents, the user's files among them, and the `reg export` of the
# product's keys, a user's value among them):
#  - the install folder on a nearly full drive (a small tmpfs mapped as drive Q: of the prefix)
#    that the payload outgrows halfway through: 2;
#  - a payload file that is there already and held open without sharing by another process: 2
#    (the unpacking stops at the file it may not replace);
#  - Cancel clicked on the installing page while the payload is unpacking (driven with the UI
#    driver; screenshots of the confirmation and the finish page in build/native/e2e-install-faults):
#    10, the finish page says the product was not installed.
# A machine that cannot mount a tmpfs (a container without the right) runs the others and reports
# the test SKIPPED with the reason.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

e2e_work qmbfaults e2e-install-faults
cp "$(windows_program e2e/hold_file.exe)" "$work/"

product=故障演示
caption="$product 1.0.0 安装程序"

user_key="HKCU\\Software\\$product"
product_keys=("$user_key" "$(reg_view_key 32 "HKLM\\Software\\$product")"
              "$(reg_view_key 32 "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product")")
# The user's own value in a key the product writes to: it must survive every undo.
timeout "$QMB_WINE_TIMEOUT" wine reg add "$user_key" /v 用户设置 /d 保留 /f >/dev/null 2>&1 ||
  fail "cannot add the user's registry value"

# The package: the demo without its own runs and links, with registry values, an uninstaller and
# some tens of MB of random bytes in 16 big and 800 small files, so that the unpacking takes a
# while and a cancel finds it halfway. The drive check is off (as in many packages), so a full drive is found
# by the unpacking itself.
project=$work/project
plain_demo_project "$project"
ini=$project/settings/data.ini
sed -i -e "s|演示软件|$product|g" -e 's|^选择框_显示空间=.*|选择框_显示空间=假\r|' "$ini"
mkdir -p "$project/registry" "$project/payload/big" "$project/payload/small"
printf '[值]\r\npath=HKCU\\Software\\%s\r\nname=Folder\r\ntype=REG_SZ\r\ndata=%%InstallPath%%\r\nremove=yes\r\n\r\n[机器]\r\npath=HKLM\\Software\\%s\r\nname=Build\r\ntype=REG_DWORD\r\ndata=7\r\nremove=yes\r\n' \
  "$product" "$product" >"$project/registry/values.ini"
for i in $(seq -w 1 16); do
  head -c $((3 * 1024 * 1024)) /dev/urandom >"$project/payload/big/part$i.bin"
done
# Each file costs the unpacking its own steps, which spreads it over some seconds.
head -c $((800 * 4096)) /dev/urandom | split -b 4096 -a 4 - "$project/payload/small/s"
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null

# The user's data in the install folder: a file of a payload name and one of the user's own.
user_files() {  # user_files FOLDER
  mkdir -p "$1"
  printf "the user's readme\n" >"$1/readme.txt"
  printf "the user's notes\n" >"$1/notes.txt"
}

# state NAME FOLDER WHEN: the folder's files with sizes and checksums, and the product's keys.
state() {
  { (cd "$2" && find . -type f -printf 'f %s %p\n' -o -printf '%y %p\n' | LC_ALL=C sort)
    (cd "$2" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r md5sum)
    wine_reg_export_all "${product_keys[@]}"; } >"$work/$1.$3"
}
# as_before NAME FOLDER: the state after the run equals the one before it.
as_before() {
  state "$1" "$2" after
  diff -u "$work/$1.before" "$work/$1.after" >"$shots/$1.diff" ||
    { cat "$shots/$1.diff"; fail "$1: the machine is not as it was before the install"; }
}
log_of() { iconv -f GBK -t UTF-8 "$work/$1.log.gbk" 2>/dev/null | tr -d '\r' >"$shots/$1.log" || :; }
has_line() {  # has_line NAME FIXED-TEXT
  grep -qF -- "$2" "$shots/$1.log" || { cat "$shots/$1.log" >&2; fail "$1: no log line \"$2\""; }
}
code_is() {  # code_is NAME CODE
  local code
  code=$(cat "$shots/$1.code" 2>/dev/null || echo none)
  [ "$code" = "$2" ] || { cat "$shots/$1.log" >&2; fail "$1: exit code $code, expected $2"; }
}
# run NAME SCRIPT: a session on a virtual display with the program's log in NAME.log; SCRIPT starts
# the install and writes its exit code to $shots/NAME.code.
run() {
  rm -f "$work/$1.log.gbk" "$shots/$1.code"
  SETUP_LOG="C:\\qmbfaults\\$1.log.gbk" driven_session 'C:\qmbfaults\drive_window.exe' "$2" "$1" ||
    { code=$?; log_of "$1"; cat "$shots/$1.log" >&2; fail "$1: step $code failed"; }
  log_of "$1"
}
export shots caption work

skipped=""

# 1. A nearly full drive: a tmpfs smaller than the payload, as drive Q:.
mount_point=$work-drive
drive_link=$WINEPREFIX/dosdevices/q:
mkdir -p "$mount_point"
if [ -e "$drive_link" ] || [ -L "$drive_link" ]; then
  skipped="nearly full drive: the prefix already has a drive Q:"
elif ! mount -t tmpfs -o size=24m qmbfaults "$mount_point" 2>"$work/mount.err"; then
  skipped="nearly full drive: cannot mount a tmpfs here ($(head -1 "$work/mount.err"))"
else
  trap 'rm -f "$drive_link"; umount "$mount_point" 2>/dev/null || :' EXIT
  ln -s "$mount_point" "$drive_link"
  user_files "$mount_point/App"
  state full "$mount_point" before
  run full '
    code=0
    wine C:\\qmbfaults\\setup.exe -hp /D "Q:\\App" || code=$?
    echo $code >"$shots/full.code"'
  code_is full 2
  has_line full "failed: extract: the archive library returned 9: cannot write"
  has_line full "rollback: complete"
  has_line full "end: exit code 2 ("
  as_before full "$mount_point"
  rm -f "$drive_link"
  umount "$mount_point"
  trap - EXIT
  echo "ok a nearly full drive ends with 2, the drive and the product's keys as before"
fi
rmdir "$mount_point" 2>/dev/null || :

# 2. A payload file that another program holds open without sharing: it cannot be kept aside, so
#    nothing may replace it, and what was written before it is undone.
held=$work/held/App
user_files "$held"
state held "$work/held" before
run held '
  mkfifo "$work/held.fifo"
  wine C:\\qmbfaults\\hold_file.exe "C:\\qmbfaults\\held\\App\\readme.txt" 120 \
    <"$work/held.fifo" >"$work/held.holder" 2>&1 &
  holder=$!
  exec 3>"$work/held.fifo"
  for _ in $(seq 600); do grep -q ready "$work/held.holder" 2>/dev/null && break; sleep 0.1; done
  grep -q ready "$work/held.holder" || exit 1
  code=0
  wine C:\\qmbfaults\\setup.exe -hp /D "C:\\qmbfaults\\held\\App" || code=$?
  echo $code >"$shots/held.code"
  exec 3>&-
  wait $holder'
rm -f "$work/held.fifo"
grep -q released "$work/held.holder" || { cat "$work/held.holder"; fail "held: the holder did not hold"; }
code_is held 2
has_line held 'journal: cannot keep the existing C:\qmbfaults\held\App\readme.txt aside; it is not replaced'
has_line held "rollback: complete"
has_line held "end: exit code 2 (the payload could not be unpacked into C:\qmbfaults\held\App"
as_before held "$work/held"
echo "ok a payload file held open ends with 2, the folder and the product's keys as before"

# 3. Cancel on the installing page, clicked once the first payload files are there; the
#    confirmation holds the unpacking, so the files present then show where it was cut.
cancel=$work/cancel/App
user_files "$cancel"
state cancel "$work/cancel" before
export cancel
run cancel '
  # The payload files in the install folder, less readme.txt, which the user has one of too.
  unpacked() {
    find "$cancel" -path "*/~setup-backup*" -prune -o -type f ! -name notes.txt ! -name readme.txt \
      -print 2>/dev/null | wc -l
  }
  wine C:\\qmbfaults\\setup.exe -jp /D "C:\\qmbfaults\\cancel\\App" &
  setup=$!
  d await "$caption" 正在安装 >"$shots/cancel-installing.txt" || exit 1
  for _ in $(seq 600); do [ "$(unpacked)" -gt 0 ] && break; sleep 0.05; done
  d click "$caption" "取消(&C)" >/dev/null || exit 2
  d answer "$caption" none >"$shots/cancel-confirm.txt" || exit 3
  shot cancel-confirm
  unpacked >"$shots/cancel-unpacked.txt"
  d answer "$caption" yes >/dev/null || exit 4
  d await "$caption" "完成(&F)" >"$shots/cancel-finish.txt" || exit 5
  shot cancel-finish
  d click "$caption" "完成(&F)" >/dev/null || exit 6
  code=0
  wait $setup || code=$?
  echo $code >"$shots/cancel.code"'
expect cancel-confirm.txt "text: 当前未完成安装 ${product}1.0.0，是否退出安装？"
parts=$(find "$project/payload" -type f ! -name readme.txt | wc -l)
unpacked=$(cat "$shots/cancel-unpacked.txt")
[ "$unpacked" -gt 0 ] && [ "$unpacked" -lt "$parts" ] ||
  fail "cancel: the click did not come during the unpacking ($unpacked of $parts files were there)"
grep -qF "“$product”的安装已取消，已撤销安装所做的更改，软件未安装。" "$shots/cancel-finish.txt" ||
  { cat "$shots/cancel-finish.txt"; fail "cancel: the finish page does not say the product was not installed"; }
code_is cancel 10
has_line cancel "rollback: complete"
has_line cancel "end: exit code 10 (cancelled by the user"
as_before cancel "$work/cancel"
echo "ok Cancel while unpacking ($unpacked of $parts files there) ends with 10, everything as before"

timeout "$QMB_WINE_TIMEOUT" wine reg delete "$user_key" /f >/dev/null 2>&1 || :
rm -rf "$work"
if [ -n "$skipped" ]; then
  record_way "skipped: $skipped"
  skip "$skipped (the other faults passed)"
fi
record_way "ran"
echo "PASS: a full drive, a held file and a cancel are undone with their exit codes"
