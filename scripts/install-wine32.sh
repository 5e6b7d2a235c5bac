#!/usr/bin/env bash
# Sets up a 32-bit Wine that runs under user-mode emulation beside the system's 64-bit one, for
# the i686 test run: scripts/install-wine32.sh [TREE]   (default /opt/pelmora-wine32)
# The i386 packages are only unpacked into TREE (never installed: that would change what `wine`
# runs for every user), with qemu 10's static emulator beside them (from the release's backports
# on Debian 12), which is registered for 32-bit x86 programs only, in place of any older one. A warm
# machine passes through in well under a second. When the machine cannot run 32-bit programs
# this way, TREE/unavailable says why and the exit status is still 0, so the 64-bit setup
# stands; the i686 test run reads that file and says it skips.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"
tree=${1:-${PELMORA_WINE32:-/opt/pelmora-wine32}}
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
# The emulator lives in the tree too: qemu 10, whose threads keep their state where 7.2's lost it
# now and then (two Wine threads starting or ending together). Debian 12 has it in backports only.
qemu=$tree/usr/bin/qemu-i386
wine_version=$(dpkg-query -W -f='${Version}' wine64)
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
# Raised when the tree's content changes, so that a machine set up before unpacks it again.
layout=3

unavailable() {
  echo "32-bit Wine: $*" >&2
  mkdir -p "$tree"
  echo "$*" >"$tree/unavailable"
  exit 0
}

# The kernel hands every 32-bit x86 ELF (executable or shared object: the mask's fe takes both
# ET_EXEC and ET_DYN) to qemu; F opens the emulator now, so Wine's own child processes and
# other mount namespaces reach it too. The entry is gone after a reboot, hence every run checks.
register_emulator() {
  if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
      unavailable "binfmt_misc is not available (cannot mount $binfmt), so 32-bit programs cannot start"
  fi
  if [ -e "$entry" ]; then
    grep -qx enabled "$entry" && grep -qx "interpreter $qemu" "$entry" && return 0
    echo -1 >"$entry"   # an older emulator's entry, or a disabled one: ours takes its place
  fi
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:$qemu:F" >"$binfmt/register" ||
    unavailable "the kernel refused the emulator's binfmt_misc entry"
}

# The release's backports, where Debian 12 keeps qemu 10. Its packages are never chosen unless
# asked for by name and suite, and the pin says so in writing: nothing else comes from there.
add_backports() {
  grep -rqs "$codename-backports" /etc/apt/sources.list /etc/apt/sources.list.d/ && return 0
  printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$codename" >/etc/apt/sources.list.d/pelmora-backports.sources
  printf 'Package: *\nPin: release n=%s-backports\nPin-Priority: 100\n' "$codename" \
    >/etc/apt/preferences.d/pelmora-backports
  apt-get update -qq
}

# Only the static emulator out of the package, into the tree: the system's qemu, if any, stays.
unpack_emulator() {
  local root=$1 deb
  (cd "$work/debs" && rm -f ./*.deb &&
    { apt-get download -q=2 -o APT::Sandbox::User=root "qemu-user/$codename-backports" 2>/dev/null ||
      { apt-get update -qq && apt-get download -q=2 -o APT::Sandbox::User=root "qemu-user/$codename-backports"; }; })
  deb=$(ls "$work"/debs/qemu-user_*.deb)
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$root" ./usr/bin/qemu-i386
  "$root/usr/bin/qemu-i386" --version | head -1
}

# The i386 packages that the named ones need, by name from the resolver's simulation, into
# $work/debs; the installed Wine's own version, not the newest: Wine's two halves must match.
download() {
  local closure
  closure=$(apt-get install -s --no-install-recommends "$@" 2>/dev/null |
    awk '$1 == "Inst" && $2 ~ /:i386$/ {print $2}')
  [ -n "$closure" ] || return 1
  rm -f "$work"/debs/*.deb
  (cd "$work/debs" && apt-get download -q=2 -o APT::Sandbox::User=root \
    $(sed -E "s/^(wine32|wine32-preloader|libwine):i386$/&=$wine_version/" <<<"$closure"))
}

# The i386 packages of the installed Wine's version and everything they need, unpacked; Wine's
# 64-bit side and its data stay shared.
build_tree() {
  work=$(mktemp -d "$(dirname "$tree")/.wine32.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  local wanted=("wine32:i386=$wine_version" "wine32-preloader:i386=$wine_version"
                "libwine:i386=$wine_version")
  local lib
  for lib in libx11-6 libxext6 libxrender1 libfreetype6 libfontconfig1 libxrandr2 libxi6 \
             libxcursor1 libxinerama1 libxcomposite1 libxxf86vm1 libgnutls30; do
    wanted+=("$lib:i386")
  done
  mkdir -p "$work/debs" "$work/root"
  # Package lists that are missing (a fresh machine) or older than the archive are renewed once.
  download "${wanted[@]}" || { apt-get update -qq && download "${wanted[@]}"; } || exit 1
  local deb
  for deb in "$work"/debs/*.deb; do dpkg-deb -x "$deb" "$work/root"; done
  local root=$work/root
  # Wine finds its 64-bit half beside the real path of the running loader.
  cp /usr/lib/wine/wine64 "$root/usr/lib/wine/wine64"
  rm -rf "$root/usr/lib/x86_64-linux-gnu/wine" "$root/usr/share/wine"
  mkdir -p "$root/usr/lib/x86_64-linux-gnu" "$root/usr/share"
  ln -s /usr/lib/x86_64-linux-gnu/wine "$root/usr/lib/x86_64-linux-gnu/wine"
  ln -s /usr/share/wine "$root/usr/share/wine"
  # user32 and gdi32 need it; Debian ships the 32-bit one with the 64-bit Wine.
  cp /usr/lib/x86_64-linux-gnu/wine/i386-windows/zlib1.dll "$root/usr/lib/i386-linux-gnu/wine/i386-windows/"
  ldconfig -r "$root" 2>/dev/null || true
  local packages
  packages=$(ls "$work/debs" | wc -l)
  unpack_emulator "$root"
  echo "$wine_version $layout" >"$root/wine-version"
  rm -rf "$tree"
  mv "$root" "$tree"
  echo "32-bit Wine $wine_version unpacked into $tree ($packages packages)"
}

# A 32-bit program that must print what it is: the proof that the whole chain works.
check_tree() {
  local out
  out=$(QEMU_LD_PREFIX="$tree" "$tree/usr/lib/wine/wine" --version 2>&1) ||
    unavailable "the emulated 32-bit Wine does not start: $out"
}

# A child process, so that its own failures stop it (set -e does not act inside an `||`).
if [ "${2:-}" = --unpack ]; then
  build_tree
  exit 0
fi

[ "$(uname -m)" = x86_64 ] || unavailable "this is no x86_64 machine"
mkdir -p "$(dirname "$tree")"
exec 9>"$(dirname "$tree")/.pelmora-wine32.lock"
flock 9
if [ "$(cat "$tree/wine-version" 2>/dev/null)" != "$wine_version $layout" ]; then
  add_backports || unavailable "could not add the $codename-backports suite"
  "$0" "$tree" --unpack || unavailable "could not unpack the i386 Wine packages and the emulator into $tree"
fi
register_emulator
check_tree
rm -f "$tree/unavailable"
