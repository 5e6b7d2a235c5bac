#!/usr/bin/env bash
# check-dist.sh X64_BUILD X86_BUILD WORK [--with-viewer]
# Packs the kit exactly as `make dist` does into WORK/dist, compares the zip's listing with the
# expected layout (every file of both architectures, nothing else: no build debris), checks
# SHA256SUMS, and unpacks the zip into WORK/kit for the checks that use the kit.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
x64=${1:?X64_BUILD} x86=${2:?X86_BUILD} work=${3:?WORK} viewer=${4:-}
if [ ! -f "$x86/CMakeCache.txt" ]; then
  echo "no i686 build in $x86: build both architectures first (make build)" >&2
  exit 1
fi
rm -rf "$work/dist" "$work/kit"
zip=$(bash "$here/../../scripts/pack-dist.sh" "$x64" "$x86" "$work/dist")
top=$(basename "$zip" .zip)

expected() {
  cat "$here/dist-layout.txt"
  if [ "$viewer" = --with-viewer ]; then
    printf '%s\n' bin/x64/PelmoraLogView.exe bin/x86/PelmoraLogView.exe
  fi
}
expected_listing=$(expected | sed "s|^|$top/|" | LC_ALL=C sort)
actual_listing=$(cmake -E tar tf "$zip" | grep -v '/$' | LC_ALL=C sort)
if [ "$expected_listing" != "$actual_listing" ]; then
  echo "$(basename "$zip") differs from the expected layout (< expected, > in the zip):"
  diff <(echo "$expected_listing") <(echo "$actual_listing") || true
  exit 1
fi
(cd "$work/dist" && sha256sum --check --quiet SHA256SUMS)

mkdir -p "$work/kit"
(cd "$work/kit" && cmake -E tar xf "$zip")
# Each architecture's folder holds that architecture's binaries.
for file in $(expected | grep '^bin/'); do
  case $file in bin/x64/*) format=pei-x86-64 ;; *) format=pei-i386 ;; esac
  if ! LC_ALL=C x86_64-w64-mingw32-objdump -f "$work/kit/$top/$file" | grep -q "file format $format"; then
    echo "$file is not $format" >&2
    exit 1
  fi
done
echo "kit ok: $(basename "$zip"), $(echo "$actual_listing" | wc -l) files"
