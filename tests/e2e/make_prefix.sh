# Makes the Wine prefix of a test run once (about 20 s); an existing finished prefix is reused.
# Quiet on success; on failure it prints Wine's output.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ready="$WINEPREFIX/.qmb-prefix-ready"

# Wine links the user's Desktop, Documents, Music ... to the machine's home folder; a test that
# makes a desktop link would write there. They become plain folders of the prefix.
own_user_folders() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    [ -L "$link" ] && rm -f "$link" && mkdir -p "$link"
  done
  return 0
}

[ -f "$ready" ] && { own_user_folders; exit 0; }

# A prefix left half-made by an interrupted run starts over.
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
log="$(dirname "$WINEPREFIX")/wineprefix.log"
if ! timeout "$QMB_WINE_TIMEOUT" xvfb-run -a bash -c 'wineboot -i && wineserver -w' >"$log" 2>&1; then
  cat "$log" >&2
  fail "wineboot could not make $WINEPREFIX"
fi
[ -f "$WINEPREFIX/system.reg" ] || { cat "$log" >&2; fail "no registry in $WINEPREFIX"; }
rm -f "$log"
own_user_folders
touch "$ready"
