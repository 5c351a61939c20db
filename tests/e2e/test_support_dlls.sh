#!/bin/bash
# Support DLLs under Wine, with the test DLL of the Windows build (e2e/support_dll_probe.dll), which
# logs every call it gets. The package carries four records: the DLL's "Again" (installer and
# uninstaller), a file that is no DLL, the DLL with an export it lacks, and the DLL's "Start"
# (installer only, with a text, an integer and a byte parameter). `mkpackage check` refuses the
# two broken ones in a support/ folder (0.), so the package takes them as ready store files.
#  0. `mkpackage check` names a file that is no DLL, a missing export and an integer parameter
#     that is no number, each with its file and line.
#  1. A background install whose DLL starts the installation itself (request 1009, sent to the
#     message window) with its own progress callbacks, after adding "skip.txt" to the exclusion list
#     (1021) through the message entry routine found in the message window's caption: the DLL is
#     written once for its records, gets its exact parameters, every percentage up to 100 and the
#     progress lines, and 1005 at the finish; the broken records are logged and the install goes on.
#  2. A plain background install honours the exclusion the DLL added at its start.
#  3. The uninstaller starts only the record meant for it and sends 2000 before and after removal.
#  4. The wizard, driven with the UI driver (screenshots in build/native/e2e-support-dlls): the DLL
#     finds the wizard's buttons and page frames, switches topmost on and off, gets 1002 before
#     and 1001 after every page change, vetoes the exit once and Next on the components page once
#     (the page stays), adds a page with its own title and subtitle and shows it, reads the
#     install folder through its address (1011) and replaces the install script (1012), whose
#     added line then keeps "dropped.txt" out of the install. The DLL reads the page table and
#     the shown flags as 32-bit integers, gets its cdecl page callback for every page, the
#     installing page's too, and puts its own components into the tree (1012, then the fill
#     routine of 1010): the visible tree lists them, and the one the user ticks and the one the
#     DLL ticks on the tree view itself are installed, the unticked one not.
#  5. The DLL installs through 1009 from the folder page: Next then leads to the finish page, and
#     the product is installed once.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

probe=$(windows_program e2e/support_dll_probe.dll)
e2e_work qmbdll e2e-support-dlls

product=DLL测试
install_win='C:\qmbdll\target'
install=$work/target
find_temp_folder
# The written DLL would outlive the test in the prefix the later tests share.
trap 'rm -rf "$temp/qmb_dll" "$temp/Uninstall"' EXIT
rm -rf "$temp/qmb_dll" "$temp/Uninstall"

# The demo without its links and program runs, a file for the DLL to exclude, and the support DLLs.
project=$work/project
plain_demo_project "$project"
ini=$project/settings/data.ini
sed -i -e "s|^禾木软件名称=.*|禾木软件名称=$product\r|" \
  -e "s|^安装位置=.*|安装位置=C:\\\\qmbdll\\\\target\r|" -e 's|^hp=.*|hp=-hp\r|' "$ini"
echo skipped >"$project/payload/skip.txt"
echo dropped >"$project/payload/dropped.txt"
for name in probe_pick dll_pick unpicked; do echo "$name" >"$project/payload/$name.txt"; done

# 0. What `mkpackage check` says of broken support DLLs.
checked=$work/checked
cp -r "$project" "$checked"
mkdir "$checked/support"
cp "$probe" "$checked/support/probe.dll"
echo 'not a DLL' >"$checked/support/notdll.dll"
printf '[broken]\nfile=notdll.dll\nexport=Start\n[missing]\nfile=probe.dll\nexport=Missing\nparam1=integer,sieben\n' \
  >"$checked/support/support.ini"
"$mkpackage" check --runtime "$runtime" "$checked" 2>"$work/check.txt" && fail "mkpackage check passed broken support DLLs"
for line in 'support/support.ini:2: error: [broken] file: notdll.dll is no DLL (not a Windows program (no MZ header))' \
    'support/support.ini:6: error: [missing] Missing: probe.dll exports no Missing (undecorated: link with --kill-at or a .def file)' \
    'support/support.ini:7: error: [missing] param1: "sieben" is no integer; the DLL would get 0'; do
  grep -qxF -- "$line" "$work/check.txt" || { cat "$work/check.txt"; fail "mkpackage check: no line \"$line\""; }
done
echo "ok mkpackage check names broken support DLLs with file and line"

# The store as ready settings files: fields "DLLname", "DLLmd" (0 installer, 2 both) and
# "DLLparam", records joined by the separator, the DLL's bytes behind each record's fields.
record() { printf 'DLLname%sDLLname_endDLLmd%sDLLmd_endDLLparam%sDLLparam_end' "$1" "$2" "$3"; }
item() { printf '%s$参数，%s$参数，%s' "$1" "$2" "$3"; }
next_item=$'\r\nDLL标记$'
separator=禾木DLL分割标记
again=$(record Again 2 "$(item param1 整数型 7)")
broken=$(record Start 0 '')
missing=$(record Missing 0 '')
# Last: its start installs, and the background install then ends the process.
start=$(record Start 0 "$(item param1 文本型 '演示 文本,带逗号')$next_item$(item param2 整数型 -42)$next_item$(item param3 字节集 AB01)")
printf '%s' "$again$separator$broken$separator$missing$separator$start" >"$project/settings/QMBDLL_s.ini"
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }
{ gbk "$again"; cat "$probe"; gbk "$separator$broken"; echo 'not a DLL'
  gbk "$separator$missing"; cat "$probe"; gbk "$separator$start"; cat "$probe"; } >"$project/settings/QMBDLL.db"
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null

utf8() { iconv -f GBK -t UTF-8 "$1" | tr -d '\r'; }
session_failed() {  # session_failed GBK-LOG WHAT STEP: the DLL's last lines, then the failure
  utf8 "$1" | tail -n 12 >&2
  fail "the $2 session failed at step $3"
}
has() {  # has FILE LINE: the log holds that exact line
  grep -qxF -- "$2" "$1" || { cat "$1"; fail "$(basename "$1"): no line \"$2\""; }
}
check_installed() {
  [ -f "$install/demo.exe" ] && [ -f "$install/uninst.exe" ] || fail "$1: the product was not installed"
  [ ! -e "$install/skip.txt" ] || fail "$1: skip.txt was extracted despite the DLL's exclusion"
}

# 1. The DLL drives the installation.
PROBE_LOG="$work_win\\probe1.gbk" PROBE_INSTALL=1 SETUP_LOG="$work_win\\setup1.gbk" \
  run_wine "$work_win\\setup.exe" -hp || fail "the DLL-driven install ended with $?"
utf8 "$work/probe1.gbk" >"$work/probe1.log"
utf8 "$work/setup1.gbk" >"$work/setup1.log"
probe_log=$work/probe1.log
has "$probe_log" "start text=演示 文本,带逗号 integer=-42 bytes=AB01"
has "$probe_log" "again integer=7"
has "$probe_log" "CometLoadDialog window made"
has "$probe_log" "unknown 0"
grep -q '^ansi lookup (code page [0-9]*): the entry$' "$probe_log" ||
  fail "a DLL using the ANSI functions does not find the message window: $(grep '^ansi' "$probe_log")"
grep -q '^folder ' "$probe_log" || fail "the DLL could not read the install folder"
has "$probe_log" "install request"
has "$probe_log" "percent 100"
percents=$(sed -n 's/^percent //p' "$probe_log" | tr '\n' ' ')
sort -n -C <(sed -n 's/^percent //p' "$probe_log") || fail "percentages went back: $percents"
[ "$(grep -c '^line ' "$probe_log")" -ge 3 ] || fail "too few progress lines reached the DLL"
has "$probe_log" "message 1005 0 0"
[ "$(grep -c '^start ' "$probe_log")" = 1 ] || fail "the broken records reached the DLL"
check_installed "DLL-driven install"
dll_files=$(cd "$temp/qmb_dll" && ls | tr '\n' ' ')
[ "$dll_files" = "$(md5sum "$probe" | cut -c1-32).dll " ] || fail "the support DLL folder holds: $dll_files"
grep -q "support DLL: loaded .*$(md5sum "$probe" | cut -c1-32).dll" "$work/setup1.log" || fail "no load logged"
[ "$(grep -c 'support DLL: loaded' "$work/setup1.log")" = 1 ] || fail "the DLL was loaded more than once"
grep -q 'does not load after 50 attempts; given up' "$work/setup1.log" || fail "the non-DLL was not given up"
grep -q 'no export Missing' "$work/setup1.log" || fail "the missing export was not logged"
grep -q 'end: exit code 0' "$work/setup1.log" || fail "the install did not end well"
echo "ok a DLL-driven install: exact parameters, callbacks, exclusion, broken records passed over"
echo "ok $(grep '^ansi lookup' "$probe_log")"

# 2. The start-up's own background install honours the exclusion.
rm -rf "$install"
PROBE_LOG="$work_win\\probe2.gbk" SETUP_LOG="$work_win\\setup2.gbk" \
  run_wine "$work_win\\setup.exe" -hp || fail "the background install ended with $?"
utf8 "$work/probe2.gbk" >"$work/probe2.log"
has "$work/probe2.log" "message 1005 0 0"
check_installed "background install"
echo "ok a background install honours the DLL's exclusion"

# 3. The uninstaller.
PROBE_LOG="$work_win\\probe3.gbk" SETUP_LOG="$work_win\\uninstall.gbk" \
  run_wine "$install_win\\uninst.exe" -hp || fail "the uninstaller ended with $?"
utf8 "$work/probe3.gbk" >"$work/probe3.log"
has "$work/probe3.log" "again integer=7"
grep -q '^start ' "$work/probe3.log" && fail "the installer-only record started in the uninstaller"
has "$work/probe3.log" "message 2000 1 0"
has "$work/probe3.log" "message 2000 2 0"
[ "$(grep -n '^message 2000' "$work/probe3.log" | cut -d: -f2 | tr '\n' ' ')" = "message 2000 1 0 message 2000 2 0 " ] \
  || fail "2000 not once before and once after"
[ ! -e "$install/demo.exe" ] || fail "the uninstaller removed nothing"
echo "ok the uninstaller's DLL gets 2000 before and after the removal"

# 4. The wizard. The driver's clicks are posted, so a vetoed one is waited for in the DLL's log.
caption="$product 1.0.0 安装程序"
next='下一步(&N)' accept='我接受(&I)' install_button='安装(&I)' finish='完成(&F)'
export shots caption product next accept install_button finish
rm -rf "$install"
PROBE_LOG="$work_win\\probe4.gbk" PROBE_WIZARD=1 PROBE_VETO=1003,1002:2 SETUP_LOG="$work_win\\wizard.gbk" \
  driven_session 'C:\qmbdll\drive_window.exe' '
    logged() {  # waits until the DLL logged that line
      for _ in $(seq 100); do grep -q "$1" "$0" && return 0; sleep 0.1; done; return 1; }
    vetoed() { logged "vetoed $1"; }
    wine C:\\qmbdll\\setup.exe &
    setup=$!
    d wait "$caption" >"$shots/1-welcome.txt" || exit 1
    d click "$caption" "取消(&C)" >/dev/null && d answer "$caption" yes >/dev/null || exit 2
    vetoed "1003 1 0" && d wait "$caption" >"$shots/1-exit-vetoed.txt" || exit 3
    d click "$caption" "$next" >/dev/null && d await "$caption" 探针附加页 >"$shots/2-own-page.txt" || exit 4
    shot 2-own-page
    d click "$caption" "$next" >/dev/null && d await "$caption" "欢迎安装 $product" >/dev/null || exit 5
    d click "$caption" "$next" >/dev/null && d await "$caption" 许可协议 >/dev/null || exit 6
    d tick "$caption" 同意本协议的条款 on >/dev/null || exit 7
    d click "$caption" "$accept" >/dev/null && d await "$caption" 选择组件 >/dev/null || exit 8
    logged "ticked on the view" && d wait "$caption" >"$shots/3-components.txt" || exit 14
    d tree "$caption" 1 >/dev/null && d wait "$caption" >"$shots/3-components-ticked.txt" || exit 15
    shot 3-components
    d click "$caption" "$next" >/dev/null && vetoed "1002 2 1" || exit 9
    d wait "$caption" >"$shots/3-next-vetoed.txt" || exit 10
    shot 3-next-vetoed
    d click "$caption" "$next" >/dev/null && d await "$caption" "$install_button" >/dev/null || exit 11
    d click "$caption" "$install_button" >/dev/null && d await "$caption" "$finish" >/dev/null || exit 12
    shot 4-finish
    d click "$caption" "$finish" >/dev/null || exit 13
    wait $setup' "$work/probe4.gbk" || session_failed "$work/probe4.gbk" wizard $?
utf8 "$work/probe4.gbk" >"$shots/probe.log"
utf8 "$work/wizard.gbk" >"$shots/setup.log"
probe_log=$shots/probe.log
has "$probe_log" "buttons 3"
has "$probe_log" "page frames with children 6"
[ "$(grep '^wizard: topmost' "$shots/setup.log" | tr '\n' /)" = "wizard: topmost on/wizard: topmost off/" ] ||
  fail "the topmost switch did not reach the wizard"
has "$probe_log" "own page added: pages 7, frame made"
has "$probe_log" "own page shown: current 6"
grep -qxF "text: 探针附加页" "$shots/2-own-page.txt" && grep -qxF "text: 由支持库添加的说明" "$shots/2-own-page.txt" ||
  { cat "$shots/2-own-page.txt"; fail "the DLL's page does not show its title and subtitle"; }
grep -qxF "title: $caption" "$shots/1-exit-vetoed.txt" || fail "the wizard did not survive the vetoed exit"
grep -qxF "text: 选择组件" "$shots/3-next-vetoed.txt" && ! grep -qxF "text: 选择安装位置" "$shots/3-next-vetoed.txt" ||
  { cat "$shots/3-next-vetoed.txt"; fail "the vetoed Next changed the page"; }
# Every page change: 1002 with the page and the direction before, 1001 with the new page after;
# a vetoed one has no 1001, and the pages the DLL chooses (1008) bring their 1001 too.
pages=$(sed -n 's/^message \(100[123] [-0-9]* [-0-9]*\)$/\1/p' "$probe_log" | tr '\n' '/')
expected="1001 0 0/1003 1 0/1002 0 1/1001 6 0/1002 6 1/1001 0 0/1002 0 1/1001 1 0/1002 1 1/1001 2 0/\
1002 2 1/1002 2 1/1001 3 0/1002 3 1/1001 4 0/1002 4 1/1001 5 0/1002 5 1/"
[ "$pages" = "$expected" ] || fail "page messages: $pages"
callbacks=$(sed -n 's/^callback page //p' "$probe_log" | tr '\n' ' ')
[ "$callbacks" = "0 6 0 1 2 3 4 5 " ] || fail "the cdecl page callback got: $callbacks"
has "$probe_log" "page table 0:1 1:1 2:1 3:1 4:1 5:1"
has "$probe_log" "page flags 1 1 1 1 1 1"
has "$probe_log" "tree filled 1"
expect 3-components.txt "item: 0 0 [x] 主程序" "item: 1 1 [ ] 探针组件" "item: 2 1 [x] 支持库组件" \
  "item: 3 1 [ ] 未选组件"
expect 3-components-ticked.txt "item: 1 1 [x] 探针组件" "item: 2 1 [x] 支持库组件" "item: 3 1 [ ] 未选组件"
for name in probe_pick dll_pick; do
  [ -f "$install/$name.txt" ] || fail "the ticked component's $name.txt was not installed"
done
[ ! -e "$install/unpicked.txt" ] || fail "the unticked component's section did not run"
has "$probe_log" "folder by address $install_win"
grep -q '^script replaced: \([0-9]*\) -> ' "$probe_log" || fail "the DLL could not replace the install script"
[ -f "$install/demo.exe" ] || fail "the wizard installed nothing"
[ ! -e "$install/dropped.txt" ] || fail "the replaced install script was not the one that ran"
[ ! -e "$install/skip.txt" ] || fail "the wizard install lost the DLL's exclusion"
echo "ok the wizard: page messages and vetoes, the DLL's own page, folder and script requests"
echo "ok the DLL's tables, cdecl callbacks and tree: as documented, and what the view shows installs"

# 5. The DLL installs from the folder page; Next then shows the finish page.
rm -rf "$install"
PROBE_LOG="$work_win\\probe5.gbk" PROBE_INSTALL_AT_FOLDER=1 SETUP_LOG="$work_win\\wizard5.gbk" \
  driven_session 'C:\qmbdll\drive_window.exe' '
    logged() {
      for _ in $(seq 100); do grep -q "$1" "$0" && return 0; sleep 0.1; done; return 1; }
    wine C:\\qmbdll\\setup.exe &
    setup=$!
    d wait "$caption" >/dev/null || exit 1
    d click "$caption" "$next" >/dev/null && d await "$caption" 许可协议 >/dev/null || exit 2
    d tick "$caption" 同意本协议的条款 on >/dev/null || exit 3
    d click "$caption" "$accept" >/dev/null && d await "$caption" 选择组件 >/dev/null || exit 4
    d click "$caption" "$next" >/dev/null && d await "$caption" "$install_button" >/dev/null || exit 5
    d click "$caption" "$install_button" >/dev/null && d await "$caption" "$finish" >/dev/null || exit 6
    shot 5-installed-by-dll
    d click "$caption" "$finish" >/dev/null && logged "message 1001 5 0" || exit 7
    shot 5-finish
    d click "$caption" "$finish" >/dev/null || exit 8
    wait $setup' "$work/probe5.gbk" || session_failed "$work/probe5.gbk" DLL-install $?
utf8 "$work/probe5.gbk" >"$shots/probe5.log"
utf8 "$work/wizard5.gbk" >"$shots/setup5.log"
has "$shots/probe5.log" "folder install answered 0"
has "$shots/probe5.log" "message 1001 4 0"
has "$shots/probe5.log" "message 1002 4 1"
[ "$(grep -c 'install: start in' "$shots/setup5.log")" = 1 ] || fail "the DLL's install ran more than once"
[ -f "$install/demo.exe" ] || fail "the DLL's install installed nothing"
echo "ok a DLL's install from the folder page: Next reaches the finish page, one installation"
