#!/usr/bin/env bash
# Packs the kit for host developers from both architectures' builds:
#   scripts/pack-dist.sh X64_BUILD X86_BUILD OUT_DIR
# Both builds install into one tree (stripped), which is zipped as
# OUT_DIR/pelmora-<version>-windows.zip with that one folder inside; OUT_DIR/SHA256SUMS beside it.
# The binaries' PDBs go into OUT_DIR/pelmora-<version>-windows-symbols.zip, laid out as the kit
# (unpacked over it, each PDB sits beside its binary), with OUT_DIR/SHA256SUMS.symbols.
# Each zip is the same bytes for the same commit wherever and whenever it is packed: its entries
# in byte order of their paths, each dated from the commit (the builds' SOURCE_DATE_EPOCH), with
# fixed permissions and no owner or extra time fields.
#
# Signing (Authenticode, SHA-256), when both of these are set:
#   PELMORA_SIGN_CERT   the code-signing certificate (PEM or DER; with its chain, if any)
#   PELMORA_SIGN_KEY    its private key (PEM or DER)
#   PELMORA_SIGN_PASS   the key's password, if it has one (optional)
#   PELMORA_TIMESTAMP_URL  an RFC 3161 time-stamp server (optional; without it the signatures
#                          carry no time stamp and end with the certificate)
# every .dll and .exe of the kit is signed after the install; OUT_DIR/signatures/ then keeps each
# signature detached (scripts/sign-binaries.sh), to be attached to a rebuild's unsigned files.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
x64=$(cd "${1:?X64_BUILD}" && pwd)
x86=$(cd "${2:?X86_BUILD}" && pwd)
mkdir -p "${3:?OUT_DIR}"
out=$(cd "$3" && pwd)

# A value both builds must agree on, from their caches.
agreed() {
  local a b
  a=$(sed -n "s/^$1:[A-Z]*=//p" "$x64/CMakeCache.txt")
  b=$(sed -n "s/^$1:[A-Z]*=//p" "$x86/CMakeCache.txt")
  if [ -z "$a" ] || [ "$a" != "$b" ]; then
    echo "pack-dist: the builds disagree on $1 ('$a' and '$b')" >&2
    return 1
  fi
  echo "$a"
}
version=$(agreed CMAKE_PROJECT_VERSION)
epoch=$(agreed PELMORA_SOURCE_DATE_EPOCH)
# The install's strip rewrites each binary's PE header with a time: the commit's, not the clock's.
export SOURCE_DATE_EPOCH=$epoch
name=pelmora-$version-windows

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for build in "$x64" "$x86"; do
  cmake --install "$build" --prefix "$stage/$name" --strip >/dev/null
done
# GNU ld writes the link's folders and clock into each PDB: the commit's values replace them.
for build in "$x64" "$x86"; do
  rm -rf "$stage/pdb"
  cmake --install "$build" --prefix "$stage/pdb" --component symbols >/dev/null
  checkout=$(sed -n 's/^Pelmora_SOURCE_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")
  while IFS= read -r -d '' pdb; do
    relative=${pdb#"$stage/pdb/"}
    mkdir -p "$(dirname "$stage/symbols/$name/$relative")"
    python3 "$here/pdb-reproducible.py" "$pdb" "$stage/symbols/$name/$relative" "$epoch" "$checkout"
  done < <(find "$stage/pdb" -name '*.pdb' -print0)
done
if [ -n "${PELMORA_SIGN_CERT:-}" ] && [ -n "${PELMORA_SIGN_KEY:-}" ]; then
  rm -rf "$out/signatures"
  bash "$here/sign-binaries.sh" "$stage/$name" "$out/signatures"
fi

rm -f "$out/$name.zip" "$out/SHA256SUMS" "$out/$name-symbols.zip" "$out/SHA256SUMS.symbols"
pack() {  # pack FOLDER_WITH_TOP ZIP
python3 - "$1" "$name" "$epoch" "$2" <<'PY'
import os, sys, time, zipfile
stage, top, epoch, target = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
# A zip time is a local date from 1980 on with even seconds; the commit's date in UTC serves.
stamp = time.gmtime(max(epoch, 315532800))[:6]
entries = []
for folder, dirs, files in os.walk(os.path.join(stage, top)):
    relative = os.path.relpath(folder, stage).replace(os.sep, "/")
    entries.append(relative + "/")
    entries.extend(relative + "/" + f for f in files)
with zipfile.ZipFile(target, "w") as kit:
    for entry in sorted(entries, key=lambda e: e.encode()):
        info = zipfile.ZipInfo(entry, stamp)
        info.create_system = 3  # Unix, so that the permissions below are read
        if entry.endswith("/"):
            info.external_attr = (0o40755 << 16) | 0x10
            kit.writestr(info, b"")
            continue
        executable = entry.endswith((".dll", ".exe"))
        info.external_attr = (0o100755 if executable else 0o100644) << 16
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(stage, entry), "rb") as source:
            kit.writestr(info, source.read(), compresslevel=9)
PY
}
pack "$stage" "$out/$name.zip"
pack "$stage/symbols" "$out/$name-symbols.zip"
(cd "$out" && sha256sum "$name.zip" >SHA256SUMS && sha256sum "$name-symbols.zip" >SHA256SUMS.symbols)
echo "$out/$name.zip"
