#!/usr/bin/env bash
# check-dist.sh X64_BUILD X86_BUILD WORK: packs the kit as `make dist` does into WORK/dist, checks
# its listing and both SHA256SUMS files, what each binary says it is (version, manifest, PDB),
# and unpacks it with its symbols into WORK/kit, where an export resolves through its PDB.
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
(cd "$work/dist" && sha256sum --check --quiet SHA256SUMS SHA256SUMS.symbols)

mkdir -p "$work/kit"
(cd "$work/kit" && cmake -E tar xf "$zip" && cmake -E tar xf "${zip%.zip}-symbols.zip")
export LC_ALL=C
for file in $(grep '^bin/' "$here/dist-layout.txt"); do
  bin=$work/kit/$top/$file name=$(basename "$file")
  # Each architecture's binaries, whose debug directory names their PDB by its bare name.
  case $file in bin/x64/*) format=COFF-x86-64 ;; *) format=COFF-i386 ;; esac
  diff <(printf 'Format: %s\nPDBFileName: %s\n' $format "${name%.*}.pdb") \
    <(llvm-readobj --coff-debug-directory "$bin" | sed -n 's/^ *\(Format\|PDBFileName\): /\1: /p') ||
    { echo "$file: not $format naming ${name%.*}.pdb (< expected)" >&2; exit 1; }
  # Its version resource's texts (UTF-16), in the order the resource holds them.
  case $name in Pelmora.dll) what="client library" ;; pmqclient.exe) what="service client" ;;
                *) what="log viewer" ;; esac
  diff <(printf '%s\n' VS_VERSION_INFO StringFileInfo 040904B0 CompanyName "Torva Inc." \
           FileDescription "Pelmora $what" FileVersion "$version" InternalName "${name%.*}" \
           LegalCopyright "Copyright (C) Torva Inc. All rights reserved." OriginalFilename "$name" \
           ProductName Pelmora ProductVersion "$version" VarFileInfo Translation) \
       <(x86_64-w64-mingw32-strings -el "$bin" | sed -n '/^VS_VERSION_INFO$/,/^Translation$/p') ||
    { echo "$file: its version resource differs (< expected)" >&2; exit 1; }
  # The manifest: the library's own activation context is resource 2, a program's resource 1.
  wanted=(Microsoft.Windows.Common-Controls\"\ version=\"6.0.0.0) id=2
  [ "$name" = Pelmora.dll ] || wanted+=(level=\"asInvoker\" "supportedOS Id") id=1
  [ "$name" != PelmoraLogView.exe ] || wanted+=(PerMonitorV2)
  resources=$(llvm-readobj --coff-resources "$bin")
  grep -A4 'Type: MANIFEST' <<<"$resources" | grep -q "Name: (ID $id)" ||
    { echo "$file: no manifest resource $id" >&2; exit 1; }
  for text in "${wanted[@]}"; do grep -aqF "$text" "$bin" || { echo "$file lacks $text" >&2; exit 1; }; done
done
# An address inside an export resolves through the PDB beside the DLL to the export's name.
for arch in x64 x86; do
  rva=$(llvm-readobj --coff-exports "$work/kit/$top/bin/$arch/Pelmora.dll" |
    awk '$2 == "PeLmMD5" {getline; print $2; exit}')
  found=$(cd "$work/kit/$top/bin/$arch" &&
    llvm-symbolizer --obj=Pelmora.dll --relative-address "$(printf '0x%x' $((rva + 4)))")
  grep -q '^_\?PeLmMD5\(@8\)\?$' <<<"$found" ||
    { echo "bin/$arch/Pelmora.dll+0x$rva: '$found', not PeLmMD5" >&2; exit 1; }
done
echo "kit ok: $top.zip, $(wc -l <<<"$listing") files"
