#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent and quiet: prints nothing when everything is already there.
#
# A bad day at the package mirror must not stop the set-up: the index update is tried a few times
# and the set-up goes on with the indexes it has as long as they still offer every needed package.
# The 32-bit Wine is installed on its own: without it the Windows tests and the demo take the
# x86-64 way (scripts/windows-arch.sh), so its absence is one line of output, not a failure. A
# needed package that cannot be had ends the set-up with its name.
#
# QMB_APT_SIMULATE=1 only simulates the installs (apt-get -s): a dry run that changes nothing.
# QMB_APT_RETRY_DELAY sets the seconds between two tries of the index update (default 10).
set -euo pipefail

packages=(
  build-essential cmake make pkg-config git
  g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  zlib1g-dev libz-mingw-w64-dev
  libgcrypt20-dev libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev
  lzma-dev 7zip
  libgtest-dev libgmock-dev googletest
  wine wine64 xvfb xauth file
  # Wine's bcrypt.dll ciphers through GnuTLS (only recommended by the Wine packages); the 32-bit
  # Wine's GnuTLS comes with it below
  libgnutls30
  fonts-wqy-microhei imagemagick
  osslsigncode openssl
)
wine32=wine32:i386
wine32_gnutls=libgnutls30:i386
# `install-deps.sh fuzz` adds clang with its libFuzzer runtime (make fuzz only), `profile32` the
# i686 compiler and QEMU's user-mode emulation (make profile32 only).
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
elif [ "${1:-}" = profile32 ]; then
  packages+=(g++-multilib qemu-user xz-utils)
fi
tries=3
retry_delay=${QMB_APT_RETRY_DELAY:-10}
simulate=()
[ "${QMB_APT_SIMULATE:-0}" = 1 ] && simulate=(-s)
export DEBIAN_FRONTEND=noninteractive

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Whether apt could install all the given packages from the indexes it has now.
installable() {
  apt-get install -s -qq --no-install-recommends "$@" >/dev/null 2>&1
}

# The index update, a few times: a mirror in the middle of a sync serves an index of the wrong size
# for a while. Returns non-zero when no try updated every index.
update_indexes() {
  local try
  for ((try = 1; try <= tries; try++)); do
    apt-get update -qq >/dev/null 2>"$apt_errors" && return 0
    echo "install-deps: apt-get update failed (try $try of $tries): $(grep -m1 '^E:' "$apt_errors" || tail -n1 "$apt_errors")"
    [ "$try" -lt "$tries" ] && sleep "$retry_delay"
  done
  return 1
}

# Ends the set-up with MESSAGE and the names of the missing packages apt cannot install (all
# missing ones where each alone could be, as when a download failed).
stop_without() {
  local p unavailable=()
  for p in "${missing[@]}"; do installable "$p" || unavailable+=("$p"); done
  echo "install-deps: $1: ${unavailable[*]:-${missing[*]}}" >&2
  exit 1
}

wine32_fallback() {
  echo "install-deps: the 32-bit Wine ($wine32) cannot be installed now ($1); the Windows tests" \
    "and the demo run the x86-64 build under 64-bit Wine. For the 32-bit way later, run" \
    "'scripts/install-deps.sh' again once 'apt-get update' succeeds."
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
want_wine32=0
{ installed "$wine32" && installed "$wine32_gnutls"; } || want_wine32=1
[ ${#missing[@]} -eq 0 ] && [ "$want_wine32" = 0 ] && exit 0

apt_errors=$(mktemp)
trap 'rm -f "$apt_errors"' EXIT
new_arch=0
if [ "$want_wine32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  new_arch=1
fi

updated=0
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  updated=1
  if ! update_indexes; then
    installable "${missing[@]}" ||
      stop_without "the package index could not be updated and these needed packages cannot be installed"
    echo "install-deps: going on with the package indexes at hand; they offer every needed package"
  fi
  if ! apt-get install -y -qq "${simulate[@]}" --no-install-recommends "${missing[@]}" >/dev/null 2>"$apt_errors"; then
    cat "$apt_errors" >&2
    stop_without "cannot install the needed packages"
  fi
fi

# The 32-bit Wine, on its own. Where only it is missing the indexes are not updated again (unless
# the i386 architecture is new): a run of `make test` after a failed day stays quick and says once
# more why it takes the x86-64 way.
if [ "$want_wine32" = 1 ]; then
  [ "$new_arch" = 1 ] && [ "$updated" = 0 ] && { update_indexes || :; }
  if ! installable "$wine32"; then
    wine32_fallback "no installable candidate in the package indexes"
  elif ! apt-get install -y -qq "${simulate[@]}" --no-install-recommends "$wine32" "$wine32_gnutls" >/dev/null 2>"$apt_errors"; then
    wine32_fallback "$(grep -m1 -E '^E:' "$apt_errors" || tail -n1 "$apt_errors")"
  elif [ ${#missing[@]} -eq 0 ]; then
    echo "installed: $wine32"
  fi
fi
exit 0
