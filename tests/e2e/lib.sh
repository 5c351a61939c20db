# Shared settings and helpers of the end-to-end tests; every tests/e2e script sources this file.
# Wine runs quietly, without the .NET and HTML add-ons, under a non-Chinese locale (the program must
# not depend on the machine's ANSI code page). Only 32-bit Wine is installed, so the prefix is win32.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEARCH=win32
export WINEPREFIX="${WINEPREFIX:-${QMB_NATIVE_DIR:-$PWD/build/native}/wineprefix}"
QMB_WINE_TIMEOUT="${QMB_WINE_TIMEOUT:-300}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The Linux path of the prefix's C: drive.
drive_c() {
  echo "$WINEPREFIX/drive_c"
}

# Runs a Windows program under Wine with a virtual display, within a time limit. A Wine session
# still open from an earlier command (one without a display) is waited for first, so the program's
# windows go to this display; afterwards every Wine process of the run has ended, so files and the
# registry are flushed and nothing outlives the display. The program's exit code is returned.
run_wine() {
  timeout "$QMB_WINE_TIMEOUT" xvfb-run -a bash -c \
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
