#!/usr/bin/env bash
# check-dist.sh X64_BUILD X86_BUILD WORK
# Packs the kit exactly as `make dist` does into WORK/dist, compares the zip's listing with the
# expected layout (every file of both architectures, nothing else: no build debris), checks
# SHA256SUMS, and unpacks the zip into WORK/kit for the checks that use the kit.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
x64=${1:?X64_BUILD} x86=${2:?X86_BUILD} work=${3:?WORK}
rm -rf "$work/dist" "$work/kit"
zip=$(bash "$here/../../scripts/pack-dist.sh" "$x64" "$x86" "$work/dist")
top=$(basename "$zip" .zip)

listing=$(cmake -E tar tf "$zip" | grep -v '/$' | LC_ALL=C sort)
if ! diff <(sed "s|^|$top/|" "$here/dist-layout.txt") - <<<"$listing"; then
  echo "$top.zip differs from the expected layout (< expected, > in the zip)" >&2
  exit 1
fi
(cd "$work/dist" && sha256sum --check --quiet SHA256SUMS)

mkdir -p "$work/kit"
(cd "$work/kit" && cmake -E tar xf "$zip")
# Each architecture's folder holds that architecture's binaries.
for file in $(grep '^bin/' "$here/dist-layout.txt"); do
  case $file in bin/x64/*) format=pei-x86-64 ;; *) format=pei-i386 ;; esac
  LC_ALL=C x86_64-w64-mingw32-objdump -f "$work/kit/$top/$file" | grep -q "file format $format" ||
    { echo "$file is not $format" >&2; exit 1; }
done
echo "kit ok: $top.zip, $(wc -l <<<"$listing") files"
