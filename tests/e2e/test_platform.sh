# The Win32 ports against Wine: platform_check.exe writes a file with a Chinese name, registry
# values in both views, starts a hidden cmd, makes a link, answers its own dialogs and logs to
# SETUP_LOG; this script checks the results from the Linux side (names in UTF-8 there, contents as
# the program wrote them in GBK).
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

exe="$QMB_WINDOWS_DIR/e2e/platform_check.exe"
[ -f "$exe" ] || fail "$exe is missing: build the Windows target platform_check in $QMB_WINDOWS_DIR"

test_dir="$(drive_c)/qmbtest"
rm -rf "$test_dir"
for key in 'HKCU\Software\qmbtest' 'HKLM\Software\qmbtest' 'HKLM\Software\Wow6432Node\qmbtest'; do
  timeout "$QMB_WINE_TIMEOUT" wine reg delete "$key" /f >/dev/null 2>&1
done

output="$(SETUP_LOG='C:\qmbtest\setup.log' run_wine "$exe")" || fail "platform_check.exe failed:"$'\n'"$output"
grep -q "all checks passed" <<<"$output" || fail "platform_check.exe did not finish:"$'\n'"$output"

[ -f "$test_dir/测试文件.txt" ] || fail "no 测试文件.txt in $test_dir: $(ls "$test_dir")"
content="$(iconv -f GBK -t UTF-8 "$test_dir/测试文件.txt" | tr -d '\r')"
[ "$content" = $'内容 ok\n追加' ] || fail "unexpected content: $content"
[ -f "$test_dir/副本.txt" ] || fail "the copy is missing"
[ ! -e "$test_dir/树" ] || fail "the removed tree is still there"
[ "$(iconv -f GBK -t UTF-8 "$test_dir/setup.log")" = $'日志一行\r' ] || fail "setup.log is wrong"
grep -q '^ok' "$test_dir/proc.txt" 2>/dev/null || fail "the hidden cmd did not write proc.txt"
head -c 4 "$test_dir/链接.lnk" | od -An -tx1 | grep -q '4c 00 00 00' || fail "链接.lnk is not a shell link"

# HKCU\Software is one key for both views (and on 32-bit Windows the one registry), so both values
# sit in the same key.
exported="$(wine_reg_export 'HKCU\Software\qmbtest')" || fail "reg export failed"
grep -qx '"名称"="值"' <<<"$exported" || fail "string value missing or mis-encoded:"$'\n'"$exported"
grep -qx '"v64"=dword:0000002a' <<<"$exported" || fail "64-bit view value missing:"$'\n'"$exported"
grep -q 'gone' <<<"$exported" && fail "deleted key is still there:"$'\n'"$exported"
wine_reg_query 'HKCU\Software\qmbtest' /v v64 | grep -q 'REG_DWORD *0x2a' || fail "reg query disagrees"

# HKLM\Software: the 32-bit-view value where the 32-bit view lies in this prefix (under WOW6432Node
# on 64-bit Windows), and a value written without a view in the process's own view: the 32-bit one
# for the 32-bit build, also under WoW64, the 64-bit one for the x86-64 build.
key32=$(reg_view_key 32 'HKLM\Software\qmbtest')
key64=$(reg_view_key 64 'HKLM\Software\qmbtest')
own=$(reg_view_key process 'HKLM\Software\qmbtest')
wine_reg_query "$key32" /v v32 | grep -q 'REG_SZ *32' || fail "the 32-bit view value is not in $key32"
wine_reg_query "$own" /v natural | grep -q 'REG_SZ *n' \
  || fail "a value without a view is not in the $(process_view)-bit process's own view $own"
if [ "$key32" != "$key64" ]; then
  wine_reg_query "$key64" /v v32 | grep -q v32 && fail "the 32-bit view value is in the 64-bit view"
  other=$key32
  [ "$own" = "$key32" ] && other=$key64
  wine_reg_query "$other" /v natural | grep -q natural && fail "a value without a view is in $other"
fi
if [ "$QMB_WINDOWS_ARCH" = win64 ]; then windows64=yes; else windows64=no; fi
grep -qx "64-bit windows: $windows64" <<<"${output//$'\r'/}" || fail "Is64BitWindows is wrong in a $QMB_WINDOWS_ARCH prefix:"$'\n'"$output"

rm -rf "$test_dir"
for key in 'HKCU\Software\qmbtest' 'HKLM\Software\qmbtest' 'HKLM\Software\Wow6432Node\qmbtest'; do
  timeout "$QMB_WINE_TIMEOUT" wine reg delete "$key" /f >/dev/null 2>&1
done
echo "platform checks passed"
