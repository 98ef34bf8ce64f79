#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quindle needs.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkgconf ccache
  qt6-base-dev fonts-dejavu-core fonts-liberation2
  libgtest-dev libgmock-dev
  xvfb xauth
  # The demo's pictures and the smoke test of the real window under Xvfb; the text and the
  # picture of a message printed to PDF.
  xdotool imagemagick poppler-utils
  # The Debian packages (CPack's generator needs file) and the checks of what they hold.
  file dpkg-dev desktop-file-utils appstream
  # The administrator's guide gives the shared folders a default ACL.
  acl
  # An RTF reader that is not ours, for checking what our writer produces.
  libreoffice-writer-nogui
  # A real Samba share on the loopback, mounted through FUSE, for the office tests.
  samba smbnetfs iproute2
)
# Fuzzing (fuzz/): clang with libFuzzer and its sanitizer runtimes.
packages+=(clang libfuzzer-14-dev libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
