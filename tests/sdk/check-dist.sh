#!/usr/bin/env bash
# check-dist.sh X64_BUILD X86_BUILD WORK: packs the kit as `make dist` does into WORK/dist, checks
# its listing and SHA256SUMS and what each binary says it is, and unpacks it into WORK/kit.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
x64=${1:?X64_BUILD} x86=${2:?X86_BUILD} work=${3:?WORK}
rm -rf "$work/dist" "$work/kit"
zip=$(bash "$here/../../scripts/pack-dist.sh" "$x64" "$x86" "$work/dist")
top=$(basename "$zip" .zip)
version=${top#pelmora-} version=${version%-windows}
listing=$(cmake -E tar tf "$zip" | grep -v '/$' | LC_ALL=C sort)
diff <(sed "s|^|$top/|" "$here/dist-layout.txt") - <<<"$listing" ||
  { echo "$top.zip differs from the expected layout (< expected, > in the zip)" >&2; exit 1; }
(cd "$work/dist" && sha256sum --check --quiet SHA256SUMS)

mkdir -p "$work/kit"
(cd "$work/kit" && cmake -E tar xf "$zip")
export LC_ALL=C
for file in $(grep '^bin/' "$here/dist-layout.txt"); do
  # Each architecture's folder holds that architecture's binaries.
  case $file in bin/x64/*) format=pei-x86-64 ;; *) format=pei-i386 ;; esac
  x86_64-w64-mingw32-objdump -f "$work/kit/$top/$file" | grep -q "file format $format" ||
    { echo "$file is not $format" >&2; exit 1; }
  # Its version resource's texts (UTF-16), in the order the resource holds them.
  name=$(basename "$file")
  case $name in Pelmora.dll) what="client library" ;; pmqclient.exe) what="service client" ;;
                *) what="log viewer" ;; esac
  diff <(printf '%s\n' VS_VERSION_INFO StringFileInfo 040904B0 CompanyName "Torva Inc." \
           FileDescription "Pelmora $what" FileVersion "$version" InternalName "${name%.*}" \
           LegalCopyright "Copyright (C) Torva Inc. All rights reserved." OriginalFilename "$name" \
           ProductName Pelmora ProductVersion "$version" VarFileInfo Translation) \
       <(x86_64-w64-mingw32-strings -el "$work/kit/$top/$file" |
           sed -n '/^VS_VERSION_INFO$/,/^Translation$/p') ||
    { echo "$file: its version resource differs (< expected)" >&2; exit 1; }
done
echo "kit ok: $top.zip, $(wc -l <<<"$listing") files"
