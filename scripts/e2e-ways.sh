#!/usr/bin/env bash
# Prints which ways of running the Windows programs under Wine the end-to-end tests took and which
# they skipped, with the reason (scripts/windows-arch.sh names the ways). LOG is the file the tests
# note their ways in (QMB_WAYS_LOG, tests/e2e/lib.sh); a way that noted nothing did not run.
set -u
log=${1:?usage: e2e-ways.sh LOG}
arch="$(dirname "$0")/windows-arch.sh"

echo "Windows end-to-end tests, ways of running:"
for way in wow64 win32 win64; do
  what="the whole suite"
  [ "$way" = win32 ] && what="smoke run: the demo installed and uninstalled"
  name=$(bash "$arch" --name "$way")
  noted=$(grep -m1 "^$way " "$log" 2>/dev/null | cut -d' ' -f2-)
  if [ "$noted" = ran ]; then
    echo "  ran:     $name, $what"
  elif [ -n "$noted" ]; then
    echo "  ${noted%%:*}: $name (${noted#*: })"
  else
    reason=$(bash "$arch" --skip-reason "$way")
    echo "  skipped: $name (${reason:-not run: left out of this test run or stopped before it began})"
  fi
done
