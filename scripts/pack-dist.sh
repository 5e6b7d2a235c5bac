#!/usr/bin/env bash
# Packs the kit for host developers from both architectures' builds:
#   scripts/pack-dist.sh X64_BUILD X86_BUILD OUT_DIR
# Both builds install into one tree (stripped), which is zipped as
# OUT_DIR/pelmora-<version>-windows.zip with that one folder inside; OUT_DIR/SHA256SUMS beside it.
set -euo pipefail
x64=$(cd "${1:?X64_BUILD}" && pwd)
x86=$(cd "${2:?X86_BUILD}" && pwd)
mkdir -p "${3:?OUT_DIR}"
out=$(cd "$3" && pwd)

version_of() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"; }
version=$(version_of "$x64")
if [ -z "$version" ] || [ "$version" != "$(version_of "$x86")" ]; then
  echo "pack-dist: the builds disagree on the version ('$version' and '$(version_of "$x86")')" >&2
  exit 1
fi
name=pelmora-$version-windows

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for build in "$x64" "$x86"; do
  cmake --install "$build" --prefix "$stage/$name" --strip >/dev/null
done
rm -f "$out/$name.zip" "$out/SHA256SUMS"
(cd "$stage" && cmake -E tar cf "$out/$name.zip" --format=zip "$name")
(cd "$out" && sha256sum "$name.zip" >SHA256SUMS)
echo "$out/$name.zip"
