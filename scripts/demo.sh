#!/usr/bin/env bash
# Packs the sample product of examples/demo into build/demo/demo-setup.exe and describes the result.
set -euo pipefail
cd "$(dirname "$0")/.."

NATIVE=${NATIVE:-build/native}
WIN32DIR=${WIN32DIR:-build/win32}
OUT=build/demo
MKPACKAGE=$NATIVE/mkpackage
RUNTIME=$WIN32DIR/setup.exe

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

cat <<'TEXT'

What this stage of the project does with the package:
  - mkpackage builds it: the runtime image with a fresh key resource, the package kind "qmb-1",
    the payload archive (password from data.ini "safe", names encrypted) and the settings archive
    (texts converted to GBK, GUItext.ini / Except.ini / choolantern.ini enciphered, opened with the
    key derived from the package's own key resource).
  - The runtime's start-up logic (package kind, settings archive, payload copy, split volumes,
    command-line switches, settings loader) is built and tested natively against the host platform.
What it does not do yet:
  - Running the package under Wine does not show the wizard or install anything: the wizard, the
    install driver and the uninstaller's windows arrive with later work, and so does the
    install/uninstall round trip of this demo under Wine.
TEXT
