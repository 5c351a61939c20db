#!/bin/bash
# Packages made by mkpackage from examples/demo, started under Wine as a user starts them:
#  - a plain package writes 7-zip32.dll into the temp folder, unpacks its settings with its own key
#    into a work folder that is gone again at the end of start-up, and publishes the message window
#    whose caption carries the message entry's address;
#  - a package in packaging mode "-1" copies its payload into the temp folder (.7zqmb) behind the
#    waiting window;
#  - a package whose second split volume is missing says so under "运行失败" and ends.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

mkpackage=$(native_program mkpackage)
runtime=$QMB_WINDOWS_DIR/setup.exe
finder=$QMB_WINDOWS_DIR/e2e/find_message_window.exe
answer=$QMB_WINDOWS_DIR/e2e/drive_window.exe
for f in "$mkpackage" "$runtime" "$finder" "$answer" "$QMB_WINDOWS_DIR/7-zip32.dll"; do
  [ -f "$f" ] || fail "missing $f (build both targets first)"
done

work=$(drive_c)/qmbstartup
rm -rf "$work"
mkdir -p "$work"
cp "$finder" "$answer" "$work/"

find_temp_folder

# make_package NAME [KEY=VALUE ...]: the demo project with data.ini's main section values replaced
# (the project's settings are UTF-8; mkpackage converts them), packed into $work/NAME/setup.exe.
make_package() {
  local name=$1
  shift
  local project=$work/project-$name
  rm -rf "$project"
  cp -r "$QMB_SOURCE_DIR/examples/demo" "$project"
  local ini=$project/settings/data.ini
  for pair in "$@"; do
    local key=${pair%%=*}
    if grep -q "^$key=" "$ini"; then
      sed -i "s|^$key=.*|$pair\r|" "$ini"
    else
      sed -i "s|^\[禾木软件安装配置\].*|&\n$pair\r|" "$ini"
    fi
  done
  mkdir -p "$work/$name"
  "$mkpackage" --runtime "$runtime" "$project" -o "$work/$name/setup.exe" >/dev/null
}

# start_with CHECKER_COMMAND NAME: starts C:\qmbstartup\NAME\setup.exe with SETUP_LOG set, runs the
# checker command (wine and a program, or drive and the window driver's arguments) beside it in the
# same Wine session and display, and waits for both. Writes the checker's output to NAME.checker and
# the exit codes to NAME.codes; the log is NAME.log (UTF-8).
start_with() {
  local checker=$1 name=$2
  rm -f "$temp/7-zip32.dll" "$work/$name.log.gbk"
  SETUP_LOG="C:\\qmbstartup\\$name.log.gbk" QMB_DRIVER='C:\qmbstartup\drive_window.exe' \
    timeout "$QMB_WINE_TIMEOUT" xvfb-run -a -n "$(qmb_display)" bash -c '
    '"$(declare -f drive)"'
    wine "C:\\qmbstartup\\$1\\setup.exe" & setup=$!
    eval "$2" >"$3.checker"; checker=$?
    wait $setup; code=$?
    wineserver -w
    echo "$code $checker" >"$3.codes"' start_with "$name" "$checker" "$work/$name"
  tr -d '\r' <"$work/$name.checker" >"$work/$name.checker.txt"
  { iconv -f GBK -t UTF-8 "$work/$name.log.gbk" 2>/dev/null || :; } | tr -d '\r' >"$work/$name.log"
}

# start_alone NAME [ARGUMENTS...]: a run that must end by itself; its exit code goes to NAME.codes.
start_alone() {
  local name=$1
  shift
  rm -f "$work/$name.log.gbk"
  local code=0
  SETUP_LOG="C:\\qmbstartup\\$name.log.gbk" run_wine "C:\\qmbstartup\\$name\\setup.exe" "$@" \
    || code=$?
  echo "$code" >"$work/$name.codes"
  { iconv -f GBK -t UTF-8 "$work/$name.log.gbk" 2>/dev/null || :; } | tr -d '\r' >"$work/$name.log"
}

has_line() {  # has_line NAME FIXED-TEXT
  grep -qF -- "$2" "$work/$1.log" || { cat "$work/$1.log" >&2; fail "$1: no log line \"$2\""; }
}

# 1. A plain package.
make_package plain
start_with "wine 'C:\\qmbstartup\\find_message_window.exe' --close 60" plain
read -r code checker <"$work/plain.codes"
[ "$checker" = 0 ] || { cat "$work/plain.checker.txt"; fail "plain: no message window found"; }
# Closing the wizard before anything is installed is a cancel: code 10.
[ "$code" = 10 ] || fail "plain: setup ended with $code"
cmp -s "$temp/7-zip32.dll" "$QMB_WINDOWS_DIR/7-zip32.dll" || fail "plain: 7-zip32.dll not in $temp"
has_line plain "archive library: loaded $temp_win\\7-zip32.dll"
has_line plain 'package: kind "qmb-1"'
# The settings archive is encrypted with the key of the package's own key resource, which
# mkpackage writes per package: it only unpacks with that key.
work_win=$(sed -n 's/^package: settings unpacked into \(.*\)$/\1/p' "$work/plain.log")
[ -n "$work_win" ] || { cat "$work/plain.log"; fail "plain: settings not unpacked"; }
has_line plain "settings: "
has_line plain "temporary files: removed ${work_win:0:-1}"
work_unix=$(unix_path "$work_win")
[ ! -e "$work_unix" ] || fail "plain: work folder $work_unix still there"
has_line plain "start-up: done"
caption=$(sed -n 's/^caption: //p' "$work/plain.checker.txt")
[[ "$caption" =~ ^备用的传递消息I_[0-9]+$ ]] || fail "plain: caption \"$caption\""
has_line plain "start-up: message window $caption"
# The address is the message entry routine's, inside our image (loaded at its preferred base:
# 0x400000 for the 32-bit build, 0x140000000 for the x86-64 one).
base=$((0x$(objdump -p "$runtime" | sed -n 's/^ImageBase[[:space:]]*//p')))
image_end=$("$mkpackage" --inspect "$work/plain/setup.exe" | sed -n 's/^runtime image *0\.\.\([0-9]*\),.*$/\1/p')
[ -n "$image_end" ] || fail "mkpackage --inspect gave no image end"
address=${caption#备用的传递消息I_}
((address > base && address < base + 2 * image_end)) || fail "plain: $address is not in our image"
grep -q "style: 0x54000000 ex-style: 0x00000020 size: 0x0" "$work/plain.checker.txt" \
  || { cat "$work/plain.checker.txt"; fail "plain: message window style"; }
echo "ok plain package: $caption"

# The same settings behind the image of another package (another key resource) do not open.
make_package other
mkdir -p "$work/mixed"
{ head -c "$image_end" "$work/other/setup.exe"; tail -c +"$((image_end + 1))" "$work/plain/setup.exe"; } \
  >"$work/mixed/setup.exe"
start_with "wine 'C:\\qmbstartup\\find_message_window.exe' --close 60" mixed
has_line mixed "package: cannot unpack the settings archive"
if grep -q "package: settings unpacked" "$work/mixed.log"; then
  fail "mixed: settings opened with another package's key"
fi
echo "ok settings open only with the package's own key"

# 2. Packaging mode "-1": the payload travels inside and is copied to the temp folder.
make_package copy "安装包封装模式=-1"
rm -f "$temp"/*.7zqmb
start_with "wine 'C:\\qmbstartup\\find_message_window.exe' --close 60" copy
read -r code checker <"$work/copy.codes"
[ "$checker" = 0 ] && [ "$code" = 10 ] || fail "copy: setup $code, checker $checker"
has_line copy "waiting window: open"
has_line copy "waiting window: closed"
payload_win=$(sed -n 's/^package: payload copied to \(.*\)$/\1/p' "$work/copy.log")
[[ "$payload_win" == *.7zqmb ]] || { cat "$work/copy.log"; fail "copy: payload path \"$payload_win\""; }
payload=$(unix_path "$payload_win")
# Leaving the wizard with Cancel and "yes" removes the copy again.
has_line copy "temporary files: deleted payload $payload_win"
[ ! -e "$payload" ] || fail "copy: the payload copy $payload outlived the wizard"
echo "ok payload copy: $payload_win, removed when the wizard was left"

# 3. A missing split volume ends the run with a message box.
make_package volumes "压缩分卷数=2" "压缩分卷文件名=demo.7z.001+demo.7z.002"
printf 'part one' >"$work/volumes/demo.7z.001"
start_with "drive answer 运行失败 ok - 60" volumes
read -r code checker <"$work/volumes.codes"
cat "$work/volumes.checker.txt"
[ "$checker" = 0 ] || fail "volumes: no message box titled 运行失败"
grep -qF 'text: 缺少分卷文件:C:\qmbstartup\volumes\demo.7z.002' "$work/volumes.checker.txt" \
  || fail "volumes: message text"
[ "$code" = 0 ] || fail "volumes: exit code $code"
if grep -q "start-up: message window" "$work/volumes.log"; then
  fail "volumes: start-up went on after the missing volume"
fi
echo "ok missing volume"

# 4. The background run mode: the window never shows, the package installs into the folder of the
#    "p" switch at once, and the process ends by itself with the installation's exit code.
mkdir -p "$work/background"
cp "$work/plain/setup.exe" "$work/background/"
start_alone background -hp /D 'C:\qmbstartup\background\App'
[ "$(cat "$work/background.codes")" = 0 ] || fail "background: exit code $(cat "$work/background.codes")"
has_line background 'switches: run mode "后台安装"'
has_line background 'install: start in C:\qmbstartup\background\App'
has_line background "end: exit code 0"
[ -f "$work/background/App/demo.exe" ] || fail "background: nothing installed"
if grep -q "start-up: window shown" "$work/background.log"; then fail "background: window shown"; fi
echo "ok background run mode installs and ends"

# 5. An uninstaller kind ("qmb-2") started without arguments ends at once.
mkdir -p "$work/uninstaller"
cp "$work/plain/setup.exe" "$work/uninstaller/"
kind_at=$("$mkpackage" --inspect "$work/plain/setup.exe" | sed -n 's/^kind section .*content at \([0-9]*\),.*$/\1/p')
[ -n "$kind_at" ] || fail "mkpackage --inspect gave no kind section"
printf 'qmb-2' | dd of="$work/uninstaller/setup.exe" bs=1 seek="$kind_at" conv=notrunc status=none
start_alone uninstaller
[ "$(cat "$work/uninstaller.codes")" = 0 ] || fail "uninstaller: exit code $(cat "$work/uninstaller.codes")"
has_line uninstaller 'package: kind "qmb-2"'
has_line uninstaller "start-up: uninstaller kind"
has_line uninstaller "uninstall: no arguments; nothing to do"
echo "ok uninstaller kind closes"

rm -rf "$work"
