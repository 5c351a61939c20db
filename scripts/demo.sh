#!/usr/bin/env bash
# Packs the sample product of examples/demo into build/demo/demo-setup.exe and describes the result.
set -euo pipefail
cd "$(dirname "$0")/.."

NATIVE=${NATIVE:-build/native}
OUT=build/demo
MKPACKAGE=$NATIVE/mkpackage
# The Wine settings of the end-to-end tests: the 32-bit build under 32-bit Wine where this machine
# can run 32-bit programs, else the x86-64 build under 64-bit Wine, in the demo's own prefix.
export WINEPREFIX=$PWD/$OUT/wineprefix-$(bash scripts/windows-arch.sh)
source tests/e2e/lib.sh
RUNTIME=$QMB_WINDOWS_DIR/setup.exe
echo "demo: Windows programs from $QMB_WINDOWS_DIR, run under Wine ($(bash scripts/windows-arch.sh --why))"

for f in "$MKPACKAGE" "$RUNTIME"; do
  if [[ ! -f $f ]]; then
    echo "demo: $f is missing; run 'make build' first" >&2
    exit 1
  fi
done

mkdir -p "$OUT"
"$MKPACKAGE" --runtime "$RUNTIME" examples/demo -o "$OUT/demo-setup.exe"
echo
"$MKPACKAGE" --inspect "$OUT/demo-setup.exe"

# The payload, unpacked from the package itself by our own archive library (it finds the archive
# behind the program image), with the password of data.ini "safe".
safe=$(sed -n 's/^safe=\(.*\)\r\?$/\1/p' examples/demo/settings/data.ini | tr -d '\r')
rm -rf "$OUT/payload"
echo
echo "== payload unpacked from the package by sevenzip32 (our 7-zip32 library, natively)"
"$NATIVE/sevenzip32" "x \"$OUT/demo-setup.exe\" -hide -y \"$OUT/payload/\" * -p\"$safe\""
(cd "$OUT/payload" && find . -type f | sort | sed 's|^\./|  |')

# The package started under Wine in background mode: start-up writes the archive library to the temp
# folder, unpacks the settings with the package's own key, loads them and removes the work folder.
# SETUP_LOG collects every step.
echo
echo "== starting the package under Wine (demo-setup.exe -hp), first start of the prefix takes ~20 s"
bash tests/e2e/make_prefix.sh
mkdir -p "$(drive_c)/qmbdemo"
cp "$OUT/demo-setup.exe" "$(drive_c)/qmbdemo/"
rm -f "$(drive_c)/qmbdemo/setup.log"
SETUP_LOG='C:\qmbdemo\setup.log' run_wine 'C:\qmbdemo\demo-setup.exe' -hp || true
echo "setup log (GBK, shown in UTF-8):"
iconv -f GBK -t UTF-8 "$(drive_c)/qmbdemo/setup.log" | tr -d '\r' | sed 's/^/  /'

cat <<'TEXT'

What this stage of the project does with the package:
  - mkpackage builds it: the runtime image with a fresh key resource, the package kind "qmb-1",
    the payload archive (password from data.ini "safe", names encrypted) and the settings archive
    (texts converted to GBK, GUItext.ini / Except.ini / choolantern.ini enciphered, opened with the
    key derived from the package's own key resource).
  - Our archive library unpacks the payload straight out of the package (above, natively; the same
    code is 7-zip32.dll on Windows).
  - Started under Wine, the package runs its start-up (above): archive library to the temp folder,
    package kind, settings archive unpacked with the package's own key, settings loaded and
    expanded, work folder removed. Split volumes, the payload copy of packaging mode "-N" and the
    command-line switches are covered by the end-to-end tests (make test).
What it does not do yet:
  - The six-page wizard, the install driver (unpacking into the install folder, shortcuts,
    registry, uninstall record) and the uninstaller arrive with later work, and so does the
    install/uninstall round trip of this demo under Wine.
TEXT
