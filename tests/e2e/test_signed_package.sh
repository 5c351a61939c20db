#!/bin/bash
# Signed and reproducible packages:
#  - two builds of the demo project in different folders, at different times, with the same
#    SOURCE_DATE_EPOCH are byte for byte the same; another epoch or another payload file changes
#    the package;
#  - a package signed with a self-signed certificate made here (openssl) passes `osslsigncode
#    verify`, and one changed byte in its image or its payload makes verify fail;
#  - the signed reproducible package installs under Wine in the background mode and its uninstaller
#    (whose image copy no longer names a signature) removes it again.
set -euo pipefail

: "${QMB_SOURCE_DIR:=$(cd "$(dirname "$0")/../.." && pwd)}"
: "${QMB_NATIVE_DIR:=$QMB_SOURCE_DIR/build/native}"
source "$QMB_SOURCE_DIR/tests/e2e/lib.sh"

command -v osslsigncode >/dev/null || fail "osslsigncode is missing (scripts/install-deps.sh)"
e2e_work qmbsign
product=签名演示
if [ "$QMB_WINDOWS_ARCH" = win64 ]; then wow='Wow6432Node\'; else wow=; fi
entry="HKLM\\Software\\${wow}Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
cleanup() { timeout "$QMB_WINE_TIMEOUT" wine reg delete "$entry" /f >/dev/null 2>&1 || :; }
cleanup

# The demo without its registry values and links, under its own name.
plain_demo_project "$work/a"
sed -i "s|^禾木软件名称=.*|禾木软件名称=$product\r|" "$work/a/settings/data.ini"
sleep 1  # another time for every file of the second copy
cp -r "$work/a" "$work/b"
touch "$work/b/payload/readme.txt"
export SOURCE_DATE_EPOCH=1700000000
"$mkpackage" --runtime "$runtime" "$work/a" -o "$work/a.exe" >/dev/null
"$mkpackage" --runtime "$runtime" "$work/b" -o "$work/b.exe" >/dev/null
cmp "$work/a.exe" "$work/b.exe" || fail "two builds with the same SOURCE_DATE_EPOCH differ"
SOURCE_DATE_EPOCH=1700000001 "$mkpackage" --runtime "$runtime" "$work/b" -o "$work/c.exe" >/dev/null
! cmp -s "$work/a.exe" "$work/c.exe" || fail "another SOURCE_DATE_EPOCH gave the same package"
printf 'changed\r\n' >>"$work/b/payload/readme.txt"
"$mkpackage" --runtime "$runtime" "$work/b" -o "$work/d.exe" >/dev/null
! cmp -s "$work/a.exe" "$work/d.exe" || fail "another payload gave the same package"
echo "ok reproducible"

# A self-signed code-signing certificate with a password kept in a file.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=QMB Test Signer" -addext extendedKeyUsage=codeSigning 2>/dev/null
printf 'pfx password\n' >"$work/pass.txt"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.pfx" \
  -passout "file:$work/pass.txt"
"$mkpackage" --runtime "$runtime" "$work/a" -o "$work/signed.exe" --sign "$work/cert.pfx" \
  --sign-password-file "$work/pass.txt" >/dev/null || fail "signing failed"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >"$work/verify.txt" 2>&1 ||
  { cat "$work/verify.txt"; fail "the signed package does not verify"; }
"$mkpackage" --inspect "$work/signed.exe" | grep -qF "signed by /CN=QMB Test Signer, the file matches" ||
  fail "--inspect does not show the signer"
size=$(stat -c %s "$work/signed.exe")
for at in 200 $((size / 2)) $((size - 9000)); do
  cp "$work/signed.exe" "$work/flipped.exe"
  byte=$(od -An -tu1 -j "$at" -N1 "$work/flipped.exe" | tr -d ' ')
  printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$work/flipped.exe" bs=1 seek="$at" conv=notrunc 2>/dev/null
  if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/flipped.exe" >/dev/null 2>&1; then
    fail "a package with byte $at changed still verifies"
  fi
done
echo "ok signed; a changed byte fails verification"

# The signed package installs and uninstalls like any other.
folder_win='C:\qmbsign\签名 目录'
folder="$work/签名 目录"
SETUP_LOG='C:\qmbsign\install.log' run_wine 'C:\qmbsign\signed.exe' -hp /D "$folder_win" >/dev/null 2>&1 ||
  { iconv -f GBK -t UTF-8 "$work/install.log" || :; fail "the signed package did not install"; }
for f in demo.exe readme.txt uninst.exe uninst.dat; do
  [ -f "$folder/$f" ] || fail "the install left no $f"
done
cmp -s "$work/a/payload/demo.exe" "$folder/demo.exe" || fail "demo.exe differs from the payload's"
SETUP_LOG='C:\qmbsign\uninstall.log' run_wine "$folder_win\\uninst.exe" -hp >/dev/null 2>&1 ||
  { iconv -f GBK -t UTF-8 "$work/uninstall.log" || :; fail "the uninstaller failed"; }
[ ! -e "$folder/demo.exe" ] && [ ! -e "$folder/uninst.dat" ] || fail "the uninstall left the product"
cleanup
echo "PASS"
