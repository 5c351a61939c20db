# Shared settings and helpers of the end-to-end tests; every tests/e2e script sources this file.
# Wine runs quietly, without the .NET and HTML add-ons, under a non-Chinese locale (the program must
# not depend on the machine's ANSI code page).
#
# The way the Windows programs run (scripts/windows-arch.sh): where the machine can execute 32-bit
# programs, the shipped 32-bit build (build/win32) in a 64-bit prefix under Wine's WoW64, as most
# users run it; where it cannot (or QMB_WINE64=1), the x86-64 build (build/win64) in a 64-bit prefix.
# A test that sets QMB_E2E_WAY=win32 before sourcing this file runs the 32-bit build in a
# 32-bit-only prefix. What a test may use:
#   QMB_E2E_WAY        wow64, win32 or win64
#   QMB_WINDOWS_BUILD  the build that runs: win32 or win64
#   QMB_WINDOWS_DIR    its folder
#   QMB_WINDOWS_ARCH   the prefix's architecture: win64 (32-bit views under WOW6432Node, "Program
#                      Files (x86)", SysWOW64) or win32 (one registry, one program folder)
# and the helpers reg_view_key, program_files and system_folder below, which name where a view's
# key or folder lies in this prefix.

qmb_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export QMB_E2E_WAY="${QMB_E2E_WAY:-$(bash "$qmb_root/scripts/windows-arch.sh" --way)}"
case $QMB_E2E_WAY in
  wow64) QMB_WINDOWS_BUILD=win32 QMB_WINDOWS_ARCH=win64 ;;
  win32) QMB_WINDOWS_BUILD=win32 QMB_WINDOWS_ARCH=win32 ;;
  win64) QMB_WINDOWS_BUILD=win64 QMB_WINDOWS_ARCH=win64 ;;
  *) echo "FAIL: unknown QMB_E2E_WAY $QMB_E2E_WAY (wow64, win32 or win64)" >&2; exit 1 ;;
esac
export QMB_WINDOWS_BUILD QMB_WINDOWS_ARCH
export QMB_WINDOWS_DIR="${QMB_WINDOWS_DIR:-$qmb_root/build/$QMB_WINDOWS_BUILD}"
export WINEDEBUG=-all
# winemenubuilder would turn every link the tests make into menu entries in the machine's home.
# Wine's debugger, started when a process crashes, would write its settings into the prefix (a
# crash in Wine's own device service happens now and then under Xvfb); a crash still shows as
# Wine's "Unhandled ..." line and the process's exit code.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEARCH=$QMB_WINDOWS_ARCH
# ctest runs two tests at once, each in the prefix slot it hands out (tests/e2e/prefix_slots.json):
# slot 1 is the prefix every other caller uses too, slot 2 its copy beside it (make_prefix.sh).
qmb_slot=${CTEST_RESOURCE_GROUP_0_WINEPREFIXES:-id:1}
qmb_slot=${qmb_slot#id:}
qmb_slot=${qmb_slot%%,*}
qmb_prefix="${QMB_NATIVE_DIR:-$qmb_root/build/native}/wineprefix-$QMB_E2E_WAY"
[ "$qmb_slot" = 1 ] || qmb_prefix+="-$qmb_slot"
export WINEPREFIX="${WINEPREFIX:-$qmb_prefix}"
QMB_WINE_TIMEOUT="${QMB_WINE_TIMEOUT:-300}"
# The first number a virtual display tries (`xvfb-run -a -n "$(qmb_display)"`), random for each
# display: xvfb-run returns while its server is still going down, and a display started at once on
# the same number can lose its socket to the old server's clean-up, and its windows with it. The
# slots take their numbers from ranges of their own, so two tests at once never race for one.
qmb_display() {
  echo $((100 + 400 * ((qmb_slot - 1) % 2) + RANDOM % 400))
}

# In a 64-bit prefix `wine` is Debian's 64-bit loader and server, called directly through small
# stand-ins for `wine`, `wine-stable` and `wineserver` put first on PATH (the `wine` wrapper picks
# the 32-bit loader whenever it is installed; the system's `wineboot` and friends call
# `wine-stable`). As on 64-bit Windows, `wine reg` and `wine cmd` are then the 64-bit programs that
# see the 64-bit registry view, and a 32-bit program such as the shipped setup.exe is handed on to
# the 32-bit loader by Wine itself and runs under WoW64.
if [ "$QMB_WINDOWS_ARCH" = win64 ]; then
  export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
  qmb_wine_bin="$(dirname "$WINEPREFIX")/wine64-bin"
  if [ ! -x "$qmb_wine_bin/wineserver" ]; then
    mkdir -p "$qmb_wine_bin"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$qmb_wine_bin/$name"
    done
    printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$qmb_wine_bin/wineserver"
    chmod +x "$qmb_wine_bin"/*
  fi
  export PATH="$qmb_wine_bin:$PATH"
fi

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Ends a test that cannot run in this way of running, with its reason; ctest reports it as skipped.
skip() {
  echo "SKIP: $*"
  exit 77
}

# record_way WHAT: a line for the summary of the ways `make test` and `make e2e` print at the end
# (scripts/e2e-ways.sh): this test's way and WHAT ("ran", or "skipped: REASON").
record_way() {
  [ -z "${QMB_WAYS_LOG:-}" ] || echo "$QMB_E2E_WAY $*" >>"$QMB_WAYS_LOG"
}

# A Windows program of the build this run uses (setup.exe, 7-zip32.dll, e2e/NAME.exe).
windows_program() {
  local path="$QMB_WINDOWS_DIR/$1"
  [ -f "$path" ] || fail "$path is missing; run 'make build' first"
  echo "$path"
}

# The registry view a process of the running build writes to when it names none: the 32-bit one
# for the 32-bit build (under WoW64 too), the 64-bit one for the x86-64 build.
process_view() {
  if [ "$QMB_WINDOWS_BUILD" = win32 ]; then echo 32; else echo 64; fi
}

# reg_view_key VIEW KEY: where `wine reg` (the 64-bit one in a 64-bit prefix) finds KEY of the
# registry view VIEW (32, 64, or "process" for the running build's own) in this prefix. 64-bit
# Windows keeps the 32-bit view of HKLM\Software under WOW6432Node; HKCU\Software is one key for
# both views, and a 32-bit prefix has one registry.
reg_view_key() {
  local view=$1 key=$2
  [ "$view" = process ] && view=$(process_view)
  if [ "$view" = 32 ] && [ "$QMB_WINDOWS_ARCH" = win64 ]; then
    local root=${key%%\\*} rest=${key#*\\}
    local first=${rest%%\\*}
    case ${root^^} in
      HKLM | HKEY_LOCAL_MACHINE)
        [ "${first^^}" = SOFTWARE ] && [ "$rest" != "$first" ] && key="$root\\$first\\Wow6432Node\\${rest#*\\}" ;;
    esac
  fi
  echo "$key"
}

# program_files VIEW: the program-files folder (Windows path) a VIEW (32 or 64) program of this
# prefix's Windows uses: "C:\Program Files (x86)" for 32-bit programs on 64-bit Windows.
program_files() {
  if [ "$1" = 32 ] && [ "$QMB_WINDOWS_ARCH" = win64 ]; then
    echo 'C:\Program Files (x86)'
  else
    echo 'C:\Program Files'
  fi
}

# system_folder VIEW: the system folder (Windows path) holding the VIEW (32 or 64) system files:
# SysWOW64 for the 32-bit ones on 64-bit Windows, which a 32-bit program reaches as System32.
system_folder() {
  if [ "$1" = 32 ] && [ "$QMB_WINDOWS_ARCH" = win64 ]; then
    echo 'C:\windows\syswow64'
  else
    echo 'C:\windows\system32'
  fi
}

# A program of the native build (mkpackage).
native_program() {
  local path="${QMB_NATIVE_DIR:-$qmb_root/build/native}/$1"
  [ -x "$path" ] || fail "$path is missing; run 'make build' first"
  echo "$path"
}

# Ends the test unless imagemagick's `import`, which takes the screenshots, is there.
need_screenshots() {
  command -v import >/dev/null || fail "imagemagick's import is missing (scripts/install-deps.sh)"
}

# The Linux path of the prefix's C: drive.
drive_c() {
  echo "$WINEPREFIX/drive_c"
}

# The Linux path of a path on C: (no winepath: a Wine session started without a display cannot
# make windows for the runs that share it).
unix_path() {
  local path=${1#[Cc]:}
  path=${path//\\//}
  echo "$(drive_c)${path%/}"
}

# Sets temp_win (the prefix's temp folder as Windows names it) and temp (its Linux path).
find_temp_folder() {
  temp_win=$(run_wine cmd /c 'echo %TEMP%' | tr -d '\r')
  temp=$(unix_path "$temp_win")
  [ -d "$temp" ] || fail "no temp folder ($temp_win)"
}

# Runs a Windows program under Wine with a virtual display, within a time limit. A Wine session
# still open from an earlier command (one without a display) is waited for first, so the program's
# windows go to this display; afterwards every Wine process of the run has ended, so files and the
# registry are flushed and nothing outlives the display. The program's exit code is returned.
run_wine() {
  timeout "$QMB_WINE_TIMEOUT" xvfb-run -a -n "$(qmb_display)" bash -c \
    'wineserver -w; wine "$@"; code=$?; wineserver -w; exit $code' run_wine "$@"
}

# `wine reg query ARGS` with Windows line ends removed.
wine_reg_query() {
  timeout "$QMB_WINE_TIMEOUT" wine reg query "$@" 2>/dev/null | tr -d '\r'
}

# The text of a registry key and everything below it, as `reg export` writes it, in UTF-8: unlike
# `reg query`, whose output passes through the console code page, it shows Chinese names intact.
wine_reg_export() {
  local file="qmb-export-$$.reg"
  timeout "$QMB_WINE_TIMEOUT" wine reg export "$1" "C:\\windows\\temp\\$file" /y >/dev/null 2>&1 || return 1
  iconv -f UTF-16 -t UTF-8 "$(drive_c)/windows/temp/$file" | tr -d '\r'
  rm -f "$(drive_c)/windows/temp/$file"
}

# drive ARG...: one run of the UI driver $QMB_DRIVER, its output on stdout. Now and then Wine does
# not start a program at all; the driver's first line (asked for with QMB_DRIVER_MARK) tells that
# from a driver that ran, and only a driver that never ran, and so did nothing, is started once
# more. A failed run names itself and its output on stderr: the files a session writes its output
# to are not in the test's log.
drive() {
  local out code
  for _ in 1 2; do
    code=0
    out=$(QMB_DRIVER_MARK=1 wine "$QMB_DRIVER" "$@" | tr -d "\r"; exit "${PIPESTATUS[0]}") || code=$?
    [[ $out == "drive_window: started"* ]] && break
    echo "drive $1: the driver did not start (exit code $code)" >&2
    code=125
  done
  out=${out#drive_window: started}
  out=${out#$'\n'}
  [ -z "$out" ] || printf '%s\n' "$out"
  [ "$code" = 0 ] && return 0
  echo "drive $*: exit code $code" >&2
  [ -z "$out" ] || printf '%s\n' "$out" >&2
  return "$code"
}

# driven_session DRIVER SCRIPT [NAME]: runs the bash text SCRIPT (its $0 is NAME) on one virtual
# display of the size run_wine's displays have (Wine keeps the screen size in the prefix's registry,
# which other tests compare). In SCRIPT, d runs the UI driver DRIVER (its Windows path) and shot
# NAME saves a screenshot as $shots/NAME.png. Returns the script's exit code.
driven_session() {
  QMB_DRIVER=$1 timeout "$QMB_WINE_TIMEOUT" xvfb-run -a -n "$(qmb_display)" -s '-screen 0 1280x1024x24' bash -c '
      set -u
      wineserver -w
      '"$(declare -f drive)"'
      d() { drive "$@"; }
      shot() { import -window root "$shots/$1.png"; }
      '"$2"'
      wineserver -w' "${3:-session}"
}

# Copies the demo project to $1 without its registry values, its links and its pre- and post-install
# runs (which write files no install log names), for a test that brings its own.
plain_demo_project() {
  cp -r "$qmb_root/examples/demo" "$1"
  rm -rf "$1/registry"
  local ini=$1/settings/data.ini
  awk '/^\[/ { skip = $0 ~ /^\[(新建快捷方式参数|解压后运行的参数)\]/ } !skip' "$ini" >"$ini.new"
  mv "$ini.new" "$ini"
}

# expect FILE LINE...: every line is a whole line of the window driver's output $shots/FILE.
expect() {
  local file=$shots/$1 line
  shift
  for line in "$@"; do
    grep -qxF -- "$line" "$file" || { cat "$file"; fail "$(basename "$file"): no line \"$line\""; }
  done
}

# e2e_work NAME [SHOTS]: the start most tests share. Sets mkpackage, runtime and driver (the
# packaging tool, the runtime image and the window driver), and work and work_win, the test's own
# folder C:\NAME, made afresh with the driver in it; with SHOTS also shots, the screenshot folder
# $QMB_NATIVE_DIR/SHOTS, made afresh. Call it after choosing the prefix.
e2e_work() {
  mkpackage=$(native_program mkpackage)
  runtime=$(windows_program setup.exe)
  driver=$(windows_program e2e/drive_window.exe)
  work=$(drive_c)/$1
  work_win="C:\\$1"
  rm -rf "$work"
  mkdir -p "$work"
  cp "$driver" "$work/"
  [ -n "${2:-}" ] || return 0
  need_screenshots
  shots=${QMB_NATIVE_DIR:-$qmb_root/build/native}/$2
  rm -rf "$shots"
  mkdir -p "$shots"
}

# expect_space_labels FILE: the folder page in $shots/FILE shows the required and the free space
# with real sizes, not the placeholders the layout starts with.
expect_space_labels() {
  grep -q '^text: 所需空间: [0-9.]*[KM]B$' "$shots/$1" || { cat "$shots/$1"; fail "$1: no required-space label"; }
  grep -q '^text: 可用空间: [0-9.]*[KMGT]B$' "$shots/$1" || { cat "$shots/$1"; fail "$1: no free-space label"; }
}

# Screen points in the screenshots a test keeps in $shots, from the window driver's listings.
# origin FILE TEXT DX DY: the screen x,y of the control listed as the line TEXT, minus (DX, DY).
origin() {
  local at
  at=$(grep -xF -A1 -- "$2" "$shots/$1" | sed -n 's/^  at \([0-9-]*\),\([0-9-]*\) .*/\1 \2/p' | head -1)
  [ -n "$at" ] || fail "$1: no rectangle for $2"
  set -- $at "$3" "$4"
  echo $(($1 - $3)) $(($2 - $4))
}
# pixel SHOT X Y: "r,g,b" of the screenshot $shots/SHOT.png.
pixel() {
  convert "$shots/$1.png" -format '%[fx:int(255*p{'"$2,$3"'}.r)],%[fx:int(255*p{'"$2,$3"'}.g)],%[fx:int(255*p{'"$2,$3"'}.b)]' info:
  echo
}
# near SHOT X Y R,G,B WHAT: the pixel is within 12 of the colour in every channel.
near() {
  local got what=$5
  got=$(pixel "$1" "$2" "$3")
  IFS=, read -r r g b <<<"$got"
  IFS=, read -r R G B <<<"$4"
  for pair in "$r $R" "$g $G" "$b $B"; do
    set -- $pair
    [ $(( $1 > $2 ? $1 - $2 : $2 - $1 )) -le 12 ] || fail "$what: pixel is $got, wanted about $R,$G,$B"
  done
}

# reg_export_run NAME INDEX:KEY...: one start of cmd that exports each KEY to INDEX.reg in the
# prefix's C:\windows\temp\NAME and leaves a file "done" there at its end. Without that mark cmd
# never ran (Wine failed to start it now and then), which must not read as keys that are absent: it
# is started once more, and the test fails when it does not run then either.
reg_export_run() {
  local name=$1 commands="" item folder
  shift
  folder="$(drive_c)/windows/temp/$name"
  for item in "$@"; do
    commands+="reg export ${item#*:} C:\\windows\\temp\\$name\\${item%%:*}.reg /y >nul 2>nul & "
  done
  commands+="echo done>C:\\windows\\temp\\$name\\done"
  for _ in 1 2; do
    rm -f "$folder/done"
    timeout "$QMB_WINE_TIMEOUT" wine cmd /c "$commands" >/dev/null 2>"$folder.err" || :
    [ -f "$folder/done" ] && break
    echo "reg_export_run: cmd did not run ($(tail -1 "$folder.err"))" >&2
  done
  rm -f "$folder.err"
  [ -f "$folder/done" ] || { rm -rf "$folder"; fail "reg_export_run: cmd did not run, twice"; }
}

# wine_reg_export_all KEY...: the `reg export` text (UTF-8) of every KEY below a line "[KEY]", or
# "(absent)" for a key that is not there: what an undone install compares before and after. A key
# counts as absent when a second start of cmd cannot export it either, so that one failed export
# never reads as a key removed. The keys go to cmd unquoted (`wine` would hand quotes on escaped),
# so a key name may not hold a space.
wine_reg_export_all() {
  local name="qmb-exports-$$" i=0 key item items=() missing=()
  local folder
  folder="$(drive_c)/windows/temp/$name"
  for key in "$@"; do
    [ "$key" = "${key// /}" ] || fail "wine_reg_export_all: a key with a space: $key"
    items+=("$i:$key")
    i=$((i + 1))
  done
  rm -rf "$folder"
  mkdir -p "$folder"
  reg_export_run "$name" "${items[@]}"
  for item in "${items[@]}"; do
    [ -f "$folder/${item%%:*}.reg" ] || missing+=("$item")
  done
  [ ${#missing[@]} = 0 ] || reg_export_run "$name" "${missing[@]}"
  for item in "${items[@]}"; do
    echo "[${item#*:}]"
    if [ -f "$folder/${item%%:*}.reg" ]; then
      iconv -f UTF-16 -t UTF-8 "$folder/${item%%:*}.reg" | tr -d '\r'
    else
      echo "(absent)"
    fi
  done
  rm -rf "$folder"
}
