#!/bin/bash
# A project written on Linux (LF line ends, UTF-8: install script, Except.ini, GUItext.ini, data.ini)
# installs under Wine exactly like the same project with CR LF: `mkpackage check` finds nothing, the
# script's sections run in their order and the assignment group lands in its folder. Then an
# unattended start of a file that carries no package (the bare runtime, the runtime with a text
# behind it) ends with exit code 1 and never shows a window.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

e2e_work qmblf

# The LF project: every text as a Linux editor writes it.
lf=$work/project-lf
mkdir -p "$lf/settings" "$lf/payload/conf" "$lf/payload/removed"
printf 'MZ lf main program\n' >"$lf/payload/app.exe"
printf '[conf]\nx=1\n' >"$lf/payload/conf/settings.ini"
printf 'removed\n' >"$lf/payload/removed/gone.txt"
cat >"$lf/settings/data.ini" <<'INI'
[禾木软件安装配置]
禾木软件名称=换行演示
软件版本=1.0
包内的程序名=app.exe
安装位置=C:\qmblf\默认
safe=lf-pass
是否生成卸载程序=0
基本组件勾选=真，真，真

[安装包命令行]
p=/D

[界面_可视]
选择组件可视=真
INI
cat >"$lf/settings/variable.ini" <<'INI'
[%InstallPath%]
数据=
INI
cat >"$lf/settings/Except.ini" <<'INI'
%InstallPath%\配置,-1
conf\settings.ini,1
INI
printf '窗口标题\001换行 演示窗口标题end安装3\001解压 %%Default%%,快捷方式 %%Default%%,运行 %%Default%%,卸载程序 %%Default%%安装3end' \
  >"$lf/settings/GUItext.ini"
cat >"$lf/settings/choolantern.ini" <<'INI'
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
[真]cmd /c echo install-main>>"%InstallPath%\..\order.txt"
}
Unzip(){
[真]cmd /c echo unzip-main>>"%InstallPath%\..\order.txt"
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
}
Unzip(){
[假]cmd /c echo unzip-optional>>"%InstallPath%\..\order.txt"
}
finish(){
}
describe(){
}
｝
INI

# The same project with CR LF.
crlf=$work/project-crlf
cp -r "$lf" "$crlf"
for f in data.ini variable.ini Except.ini choolantern.ini; do
  sed -i 's/$/\r/' "$crlf/settings/$f"
done

"$mkpackage" check "$lf" >"$work/check.out" 2>&1 || { cat "$work/check.out"; fail "check of the LF project failed"; }
grep -q '0 error(s), 0 warning(s)' "$work/check.out" || { cat "$work/check.out"; fail "check reports on the LF project"; }

for kind in lf crlf; do
  mkdir -p "$work/$kind"
  "$mkpackage" --runtime "$runtime" "$work/project-$kind" -o "$work/$kind/setup.exe" >/dev/null
  mkdir -p "$work/$kind-out"  # the script lines write their order beside the install folder
  SETUP_LOG="C:\\qmblf\\$kind.log.gbk" run_wine "C:\\qmblf\\$kind\\setup.exe" -hp /D "C:\\qmblf\\$kind-out\\换行 演示" \
    >/dev/null 2>&1 && code=0 || code=$?
  [ "$code" = 0 ] || fail "$kind: exit code $code"
  out="$work/$kind-out/换行 演示"
  cmp -s "$lf/payload/conf/settings.ini" "$out/配置/settings.ini" || fail "$kind: the assignment group did not land"
  [ ! -e "$out/conf/settings.ini" ] || fail "$kind: the assigned entry was unpacked again"
  [ ! -e "$out/removed" ] || fail "$kind: the entries of the unticked component are there"
  (cd "$out" && find . | LC_ALL=C sort) >"$work/$kind.files"
  tr -d '\r ' <"$work/$kind-out/order.txt" >"$work/$kind.order" || fail "$kind: no script line ran"
done
printf 'install-main\nunzip-main\nunzip-optional\n' | diff - "$work/lf.order" || fail "lf: the sections ran otherwise"
diff "$work/crlf.files" "$work/lf.files" || fail "the LF project installed other files"
diff "$work/crlf.order" "$work/lf.order" || fail "the LF project ran other lines"

# No package: the bare runtime and the runtime with a text behind it. A window would keep the run
# waiting until the time limit; the driver looks for one while it runs.
cp "$runtime" "$work/bare.exe"
{ cat "$runtime"; printf 'just a text file\nwith LF lines\n'; } >"$work/text.exe"
for name in bare text; do
  SETUP_LOG="C:\\qmblf\\$name.log.gbk" run_wine "C:\\qmblf\\$name.exe" -hp >/dev/null 2>&1 && code=0 || code=$?
  [ "$code" = 1 ] || fail "$name: -hp without a package ended with $code, expected 1"
  grep -qa 'end: exit code 1' "$work/$name.log.gbk" || fail "$name: no end line in the log"
  if grep -qa 'start-up: window shown' "$work/$name.log.gbk"; then fail "$name: a window was shown"; fi
done
echo "PASS"
