# The installer's registry step against Wine's registry: registry_entries_check.exe writes the
# package's values in both views, runs a registry script through regedit and writes the uninstall
# entry; this script reads everything back. In a win64 prefix the 32-bit view is WOW6432Node and the
# 64-bit view the plain key; in a win32 prefix both are the one registry.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

exe="$(windows_program e2e/registry_entries_check.exe)" || exit 1
keys=('HKLM\Software\qmbregtest' 'HKLM\Software\Wow6432Node\qmbregtest' 'HKCU\Software\qmbregtest'
      'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\注册表测试'
      'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\注册表测试')
cleanup() {
  for key in "${keys[@]}"; do timeout "$QMB_WINE_TIMEOUT" wine reg delete "$key" /f >/dev/null 2>&1; done
}
cleanup

output="$(run_wine "$exe" | tr -d '\r')" || fail "registry_entries_check.exe failed:"$'\n'"$output"
grep -qx 'ok temp script removed' <<<"$output" || fail "the registry script stayed in the temp folder:"$'\n'"$output"
grep -q '^log failed' <<<"$output" && fail "a registry write failed:"$'\n'"$output"
[ "$(grep -c '^remove ' <<<"$output")" = 2 ] || fail "the removal list is wrong:"$'\n'"$output"
grep -qx 'remove HKEY_LOCAL_MACHINE\\Software\\qmbregtest\\v64$,64' <<<"$output" \
  || fail "the DWORD's removal line is missing:"$'\n'"$output"
grep -qx 'remove HKEY_LOCAL_MACHINE\\Software\\qmbregtest\\<default>$,64' <<<"$output" \
  || fail "the default value's removal line is missing:"$'\n'"$output"

if [ "$QMB_WINDOWS_ARCH" = win64 ]; then
  key32='HKLM\Software\Wow6432Node\qmbregtest'
  uninstall='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\注册表测试'
  # Each value only in the view it asked for.
  wine_reg_query 'HKLM\Software\qmbregtest' /v v32 | grep -q v32 && fail "the 32-bit value is in the 64-bit view"
  wine_reg_query "$key32" /v v64 | grep -q v64 && fail "the 64-bit value is in the 32-bit view"
  wine_reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' | grep -q qmb \
    && fail "the uninstall entry is in the 64-bit view"
else
  key32='HKLM\Software\qmbregtest'
  uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\注册表测试'
fi

exported="$(wine_reg_export "$key32")" || fail "no key $key32"
grep -qxF '"v32"="C:\\qmbreg 测试\\運行\\a.exe"' <<<"$exported" \
  || fail "the 32-bit value with the install folder is wrong:"$'\n'"$exported"
exported="$(wine_reg_export 'HKLM\Software\qmbregtest')" || fail "no key in the 64-bit view"
grep -qx '"v64"=dword:000000ff' <<<"$exported" || fail "REG_DWORD 255 is wrong:"$'\n'"$exported"
grep -qx '@="默认"' <<<"$exported" || fail "the default value is wrong:"$'\n'"$exported"

exported="$(wine_reg_export 'HKCU\Software\qmbregtest')" || fail "no HKCU key"
grep -qx '"bin"=hex:00,01,ff' <<<"$exported" || fail "the binary value is wrong:"$'\n'"$exported"
# regedit read the script's doubled backslashes as single ones; reg export doubles them again.
grep -qxF '"路径"="C:\\qmbreg 测试\\運行\\bin"' <<<"$exported" \
  || fail "the registry script's value is wrong:"$'\n'"$exported"

exported="$(wine_reg_export "$uninstall")" || fail "no uninstall entry at $uninstall"
for line in '"DisplayName"="注册表测试 2.0"' '"DisplayVersion"="2.0"' '"Publisher"="禾木"' \
            '"DisplayIcon"="C:\\qmbreg 测试\\運行\\demo.exe"' \
            '"UninstallString"="\"C:\\qmbreg 测试\\運行\\uninst.exe\""' \
            '"InstallLocation"="C:\\qmbreg 测试\\運行"'; do
  grep -qxF "$line" <<<"$exported" || fail "uninstall entry lacks $line:"$'\n'"$exported"
done

cleanup
echo "registry entries checked in the $QMB_WINDOWS_ARCH prefix"
