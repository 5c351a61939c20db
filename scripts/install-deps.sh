#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent and quiet: prints nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config git
  g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  zlib1g-dev libz-mingw-w64-dev
  libgcrypt20-dev libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev
  lzma-dev 7zip
  libgtest-dev libgmock-dev googletest
  wine wine32:i386 wine64 xvfb xauth file
  # Wine's bcrypt.dll ciphers through GnuTLS (only recommended by the Wine packages)
  libgnutls30 libgnutls30:i386
  fonts-wqy-microhei imagemagick
)
# `install-deps.sh fuzz` adds clang with its libFuzzer runtime (make fuzz only), `profile32` the
# i686 compiler and QEMU's user-mode emulation (make profile32 only).
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
elif [ "${1:-}" = profile32 ]; then
  packages+=(g++-multilib qemu-user xz-utils)
fi

missing=()
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
