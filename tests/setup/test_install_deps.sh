# scripts/install-deps.sh on a bad day at the package mirror, in a throw-away apt configuration that
# leaves the machine's apt and dpkg state alone: its own copies of the package lists and of dpkg's
# status (in which some installed packages are made missing), a source that cannot be reached (so
# every index update fails) and a preference that pins the 32-bit Wine to -1. Every install is only
# simulated (QMB_APT_SIMULATE=1). Needs root and apt; the index update reaches the real mirror.
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
[ "$(id -u)" = 0 ] || { echo "SKIP: apt's simulation of installs needs root"; exit 77; }
command -v apt-get >/dev/null && [ -f /var/lib/dpkg/status ] || { echo "SKIP: no apt here"; exit 77; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"  # apt downloads as its own user
mkdir -p "$tmp/state/lists/partial" "$tmp/cache/archives/partial" "$tmp/dpkg/updates" "$tmp/log" \
  "$tmp/sources.list.d" "$tmp/preferences.d"
cp -a /var/lib/apt/lists/. "$tmp/state/lists/" 2>/dev/null
rm -f "$tmp/state/lists/lock"
cp /var/lib/dpkg/arch "$tmp/dpkg/" 2>/dev/null || :
grep -qx i386 "$tmp/dpkg/arch" 2>/dev/null || echo i386 >>"$tmp/dpkg/arch"
cp /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources "$tmp/sources.list.d/" 2>/dev/null
cp /etc/apt/sources.list "$tmp/sources.list" 2>/dev/null || : >"$tmp/sources.list"
# dpkg's status without the 32-bit Wine and without xauth, a needed package that apt can still get.
awk 'BEGIN { RS = ""; ORS = "\n\n" }
     /(^|\n)Package: wine32\n/ && /\nArchitecture: i386(\n|$)/ { next }
     /(^|\n)Package: xauth\n/ { next }
     { print }' /var/lib/dpkg/status >"$tmp/dpkg/status"
cat >"$tmp/apt.conf" <<CONF
Dir::State "$tmp/state";
Dir::State::status "$tmp/dpkg/status";
Dir::Cache "$tmp/cache";
Dir::Log "$tmp/log";
Dir::Etc::SourceList "$tmp/sources.list";
Dir::Etc::SourceParts "$tmp/sources.list.d";
Dir::Etc::Preferences "$tmp/preferences";
Dir::Etc::PreferencesParts "$tmp/preferences.d";
CONF
echo "deb [trusted=yes] file:$tmp/unreachable-mirror bookworm main" >"$tmp/sources.list.d/unreachable.list"
printf 'Package: wine32:i386\nPin: release *\nPin-Priority: -1\n' >"$tmp/preferences"

deps() {
  APT_CONFIG="$tmp/apt.conf" DPKG_ADMINDIR="$tmp/dpkg" QMB_APT_SIMULATE=1 QMB_APT_RETRY_DELAY=0 \
    bash "$root/scripts/install-deps.sh" >"$tmp/out" 2>&1
}
# The copy is what the script sees: the two packages are missing there, and apt refuses the pin.
DPKG_ADMINDIR="$tmp/dpkg" dpkg-query -W -f='${Status}' xauth 2>/dev/null | grep -q 'install ok installed' \
  && fail "xauth still counts as installed in the copy of dpkg's status"
APT_CONFIG="$tmp/apt.conf" apt-get install -s -qq wine32:i386 >/dev/null 2>&1 \
  && fail "the pin does not make wine32:i386 uninstallable"

# Every index update fails, the indexes at hand still offer xauth, the 32-bit Wine cannot be had:
# the set-up completes with the fallback line.
deps || { cat "$tmp/out"; fail "install-deps.sh stopped although every needed package can be installed"; }
grep -qF 'apt-get update failed (try 3 of 3)' "$tmp/out" || { cat "$tmp/out"; fail "the index update was not tried three times"; }
grep -qF 'going on with the package indexes at hand' "$tmp/out" || { cat "$tmp/out"; fail "no word of going on"; }
grep -q '^installing: xauth$' "$tmp/out" || { cat "$tmp/out"; fail "xauth was not installed"; }
[ "$(grep -c 'wine32:i386' "$tmp/out")" = 1 ] || { cat "$tmp/out"; fail "no single fallback line for the 32-bit Wine"; }
grep -q '32-bit Wine (wine32:i386) cannot be installed now.*x86-64 build under 64-bit Wine.*scripts/install-deps.sh' "$tmp/out" \
  || { cat "$tmp/out"; fail "the fallback line does not say why and how to get the 32-bit way later"; }
echo "ok a failing index update and an uninstallable 32-bit Wine: the set-up completes in the 64-bit way"
sed 's/^/  | /' "$tmp/out"

# Only the 32-bit Wine missing: no index update, just the fallback line again.
awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Package: xauth\n/ { found = 1 } { print }
     END { if (!found) exit 1 }' /var/lib/dpkg/status >"$tmp/dpkg/status.new" || fail "xauth is not installed here"
awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Package: wine32\n/ && /\nArchitecture: i386(\n|$)/ { next } { print }' \
  "$tmp/dpkg/status.new" >"$tmp/dpkg/status"
deps || { cat "$tmp/out"; fail "install-deps.sh failed with only the 32-bit Wine missing"; }
grep -q 'apt-get update failed' "$tmp/out" && { cat "$tmp/out"; fail "the indexes were updated for the 32-bit Wine alone"; }
[ "$(wc -l <"$tmp/out")" = 1 ] && grep -q 'wine32:i386' "$tmp/out" || { cat "$tmp/out"; fail "not the one fallback line"; }
echo "ok only the 32-bit Wine missing: one line, no index update"

# A needed package that cannot be had ends the set-up, with its name.
printf '\nPackage: xauth xauth:i386\nPin: release *\nPin-Priority: -1\n' >>"$tmp/preferences"
awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Package: xauth\n/ { next } { print }' \
  "$tmp/dpkg/status.new" >"$tmp/dpkg/status"
deps && { cat "$tmp/out"; fail "install-deps.sh completed without xauth"; }
grep -q 'cannot be installed: xauth$' "$tmp/out" || { cat "$tmp/out"; fail "the failure does not name xauth"; }
echo "ok a needed package that cannot be had ends the set-up with its name"

# Without the 32-bit Wine the Windows tests and the demo take the x86-64 way and say why.
why=$(QMB_WINE32_LOADER="$tmp/no-wine32" bash "$root/scripts/windows-arch.sh" --why)
[[ $why == "win64 (the 32-bit Wine"* ]] || fail "windows-arch.sh without the 32-bit Wine: $why"
echo "ok without the 32-bit Wine the Windows tests take the x86-64 way: $why"
