#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing; a warm machine passes
# through in a second. Run as root (or with sudo available).
set -euo pipefail

packages=(cmake make python3 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 xvfb
          fonts-ipafont-gothic x11-apps imagemagick iproute2 clang-format googletest openssl
          util-linux)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
