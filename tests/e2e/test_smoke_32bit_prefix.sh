#!/bin/bash
# The shipped 32-bit build once on 32-bit Windows: in a 32-bit-only prefix of its own, the demo
# installs in the background and its uninstaller removes it again. There the registry has one view
# (no WOW6432Node: the "view=64" value and the uninstall entry sit in the plain keys), there is one
# program folder and "%ProgramFiles%" is it. The rest of the suite runs in the way
# scripts/windows-arch.sh picks (on 64-bit prefixes).
set -euo pipefail

export QMB_E2E_WAY=win32
unset WINEPREFIX QMB_WINDOWS_DIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
reason=$(bash "$qmb_root/scripts/windows-arch.sh" --skip-reason win32)
if [ -n "$reason" ]; then
  record_way "skipped: $reason"
  skip "no 32-bit prefix: $reason"
fi
QMB_WAYS_LOG='' bash "$qmb_root/tests/e2e/make_prefix.sh" || fail "no 32-bit prefix"
record_way ran
[ "$(sed -n 's/^#arch=//p' "$WINEPREFIX/system.reg")" = win32 ] || fail "$WINEPREFIX is not a 32-bit prefix"
[ ! -e "$(drive_c)/windows/syswow64" ] || fail "a 32-bit prefix has no SysWOW64"

mkpackage=$(native_program mkpackage)
runtime=$(windows_program setup.exe)
product=演示软件
work=$(drive_c)/qmbsmoke
folder_win="$(program_files 32)\\$product"
folder=$(unix_path "$folder_win")
keys=("HKLM\\Software\\$product" "HKCU\\Software\\$product"
      "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product")
cleanup() {
  local key
  for key in "${keys[@]}"; do timeout "$QMB_WINE_TIMEOUT" wine reg delete "$key" /f >/dev/null 2>&1 || :; done
  rm -rf "$work" "$folder"
  find "$(drive_c)/users" \( -name "$product.lnk" -o -type d -name "$product" \) -prune -exec rm -rf {} + 2>/dev/null || :
}
cleanup
mkdir -p "$work"
"$mkpackage" --runtime "$runtime" "$qmb_root/examples/demo" -o "$work/demo-setup.exe" >/dev/null

# The install folder of data.ini, "%ProgramFiles%\演示软件": the one program folder.
code=0
SETUP_LOG='C:\qmbsmoke\setup.log' run_wine 'C:\qmbsmoke\demo-setup.exe' -hp >/dev/null 2>&1 || code=$?
log() { iconv -f GBK -t UTF-8 "$work/$1" | tr -d '\r' | tail -n 15; }
[ "$code" = 0 ] || { log setup.log; fail "the install ended with $code"; }
[ -f "$folder/demo.exe" ] && [ -f "$folder/uninst.exe" ] || { log setup.log; fail "nothing installed in $folder_win"; }
[ ! -e "$(drive_c)/Program Files (x86)" ] || fail "a Program Files (x86) folder in a 32-bit prefix"
[ -n "$(find "$(drive_c)/users" -name "$product.lnk")" ] || fail "no link made"
exported=$(wine_reg_export "HKLM\\Software\\$product") || fail "no HKLM\\Software\\$product"
grep -qx '"Build"=dword:000000ff' <<<"$exported" && grep -qF '"InstallPath"="C:\\Program Files\\演示软件"' <<<"$exported" ||
  fail "32-bit Windows keeps both views' values in the one key:"$'\n'"$exported"
wine_reg_export "HKLM\\Software\\Wow6432Node\\$product" >/dev/null && fail "a WOW6432Node key in a 32-bit prefix"
wine_reg_export "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" |
  grep -qF '"UninstallString"="\"C:\\Program Files\\演示软件\\uninst.exe\""' || fail "no uninstall entry in the one registry"
echo "ok the demo installed in a 32-bit prefix: one program folder, one registry view"

SETUP_LOG='C:\qmbsmoke\uninstall.log' run_wine "$folder_win\\uninst.exe" -hp >/dev/null 2>&1 || :
# The demo's uninstall-time command removes what its own programs wrote, so the folder goes.
[ ! -e "$folder" ] || { log uninstall.log; fail "the uninstaller left $folder_win: $(cd "$folder" && find . -mindepth 1)"; }
[ -z "$(find "$(drive_c)/users" -path '*/Temp' -prune -o -name "$product*" -print)" ] || fail "links left behind"
! wine_reg_export "${keys[2]}" >/dev/null || fail "the uninstaller left the uninstall entry"
! wine_reg_export "${keys[0]}" | grep -q '^"' || fail "the uninstaller left values in ${keys[0]}"
# Every value the demo writes under HKCU is marked for removal, and the key it created goes too.
! wine_reg_export "${keys[1]}" | grep -q '^["@]' || fail "the uninstaller left values in ${keys[1]}"
echo "ok the uninstaller removed the demo again"
cleanup
