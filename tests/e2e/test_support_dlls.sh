#!/bin/bash
# Support DLLs under Wine, with the test DLL of the Windows build (e2e/support_dll_probe.dll), which
# logs every call it gets. The package carries four records: the DLL's "Again" (installer and
# uninstaller), a file that is no DLL, the DLL with an export it lacks, and the DLL's "Start"
# (installer only, with a text, an integer and a byte parameter).
#  1. A background install whose DLL starts the installation itself (request 1009, sent to the
#     message window) with its own progress callbacks, after adding "skip.txt" to the exclusion list
#     (1021) through the message entry routine found in the message window's caption: the DLL is
#     written once for its records, gets its exact parameters, every percentage up to 100 and the
#     progress lines, and 1005 at the finish; the broken records are logged and the install goes on.
#  2. A plain background install honours the exclusion the DLL added at its start.
#  3. The uninstaller starts only the record meant for it and sends 2000 before and after removal.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

mkpackage=$(native_program mkpackage)
runtime=$(windows_program setup.exe)
probe=$(windows_program e2e/support_dll_probe.dll)

product=DLL测试
work=$(drive_c)/qmbdll
work_win='C:\qmbdll'
install_win='C:\qmbdll\target'
install=$work/target
rm -rf "$work"
mkdir -p "$work"
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
mkdir "$project/support"
cp "$probe" "$project/support/probe.dll"
echo 'not a DLL' >"$project/support/notdll.dll"
cat >"$project/support/support.ini" <<'INI'
[again]
file=probe.dll
export=Again
run=both
param1=integer,7
[broken]
file=notdll.dll
export=Start
[missing]
file=probe.dll
export=Missing
INI
# Last: its start installs, and the background install then ends the process.
cat >>"$project/support/support.ini" <<'INI'
[start]
file=probe.dll
export=Start
param1=text,演示 文本,带逗号
param2=integer,-42
param3=bytes,AB01
INI
"$mkpackage" --runtime "$runtime" "$project" -o "$work/setup.exe" >/dev/null

utf8() { iconv -f GBK -t UTF-8 "$1" | tr -d '\r'; }
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
