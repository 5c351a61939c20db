# Makes the Wine prefix of a test run once (about 20 s); an existing finished prefix is reused.
# The prefix's architecture follows the way of running (tests/e2e/lib.sh). With the slot file ctest
# hands out (tests/e2e/prefix_slots.json), every slot but the first gets a copy of the prefix
# beside it, made anew whenever the prefix is.
# Quiet on success; on failure it prints Wine's output.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
record_way ran

ready="$WINEPREFIX/.qmb-prefix-ready"
# Raised whenever the set-up below changes, so that a prefix made by an older set-up is made anew.
prefix_version=2

# Wine links the user's Desktop, Documents, Music ... to the machine's home folder; a test that
# makes a desktop link would write there. They become plain folders of the prefix.
# Windows gives every profile a Quick Launch folder; Wine makes none. Without it the first install
# in a prefix makes (and records) that folder and every later one finds it, so two installs of one
# package would differ by which test ran first in the prefix.
own_user_folders() {  # prefix
  local link roaming
  for link in "$1"/drive_c/users/*/*; do
    [ -L "$link" ] && rm -f "$link" && mkdir -p "$link"
  done
  for roaming in "$1"/drive_c/users/*/AppData/Roaming; do
    mkdir -p "$roaming/Microsoft/Internet Explorer/Quick Launch"
  done
  return 0
}

slot_copies() {
  local slot copy
  [ -n "${1:-}" ] || return 0
  for slot in $(grep -o '"id": *"[^"]*"' "$1" | cut -d'"' -f4); do
    [ "$slot" = 1 ] && continue
    copy="$WINEPREFIX-$slot"
    if [ "$(cat "$copy/.qmb-prefix-ready" 2>/dev/null)" != "$prefix_version" ] ||
      [ "$ready" -nt "$copy/.qmb-prefix-ready" ]; then
      rm -rf "$copy"
      cp -a "$WINEPREFIX" "$copy" || fail "cannot copy $WINEPREFIX to $copy"
    fi
    own_user_folders "$copy"
  done
}

if [ "$(cat "$ready" 2>/dev/null)" = "$prefix_version" ]; then
  own_user_folders "$WINEPREFIX"
  slot_copies "${1:-}"
  exit 0
fi

# A prefix left half-made by an interrupted run starts over.
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
log="$WINEPREFIX.log"
if ! timeout "$QMB_WINE_TIMEOUT" xvfb-run -a -n "$(qmb_display)" bash -c 'wineboot -i && wineserver -w' >"$log" 2>&1; then
  cat "$log" >&2
  fail "wineboot could not make $WINEPREFIX"
fi
[ -f "$WINEPREFIX/system.reg" ] || { cat "$log" >&2; fail "no registry in $WINEPREFIX"; }
rm -f "$log"
own_user_folders "$WINEPREFIX"

# The prefix has no Chinese font: WenQuanYi Micro Hei goes behind the fonts windows use, or every
# Chinese character of a window (and of its screenshots) is drawn as a box.
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$font" ] || fail "missing $font (scripts/install-deps.sh installs fonts-wqy-microhei)"
cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
  timeout "$QMB_WINE_TIMEOUT" wine reg add \
    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 \
    || fail "cannot link the Chinese font behind $face"
done
timeout "$QMB_WINE_TIMEOUT" wineserver -w
echo "$prefix_version" >"$ready"
slot_copies "${1:-}"
