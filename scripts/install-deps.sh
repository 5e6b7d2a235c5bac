#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing; a warm machine passes
# through in a second. Run as root (or with sudo available).
set -euo pipefail

# LLVM's tools make and check the kit's parts for Microsoft's tools: llvm-dlltool the import
# libraries, clang-cl and lld-link a host built that way, llvm-readobj and llvm-symbolizer the
# PDBs and manifests; osslsigncode signs and verifies.
packages=(cmake make python3 g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 xvfb
          fonts-ipafont-gothic x11-apps imagemagick iproute2 clang-format googletest openssl
          util-linux clang lld llvm osslsigncode)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# Wine takes code page 932 from LC_ALL=ja_JP.UTF-8 either way; with the locale generated the
# Linux tools around it (bash, python) stay quiet about it too.
has_locale() { locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; }
has_locale || dpkg -s locales >/dev/null 2>&1 || missing+=(locales)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if ! has_locale; then
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
# The i686 suite's 32-bit Wine, under emulation; a machine that cannot have one is told why.
"$(dirname "$0")/install-wine32.sh"
