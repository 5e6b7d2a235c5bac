#!/usr/bin/env bash
# check-reproducible.sh X64_BUILD X86_BUILD WORK: builds the kit's programs once more, from a copy
# of this tree in another folder and minutes after the first build, packs both kits as `make dist`
# does and compares their SHA256SUMS. On a difference it names the files of the kit that differ.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
x64=$(cd "${1:?X64_BUILD}" && pwd) x86=$(cd "${2:?X86_BUILD}" && pwd) work=${3:?WORK}
rm -rf "$work"
mkdir -p "$work/elsewhere/pelmora"
work=$(cd "$work" && pwd)
copy=$work/elsewhere/pelmora

# What a clean clone of this tree holds: the tracked files and new ones that are not ignored.
if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$source" && git ls-files -z --cached --others --exclude-standard |
     while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
     tar --null -T - -cf -) | tar -C "$copy" -xf -
else
  tar -C "$source" --exclude=./build --exclude=./dist -cf - . | tar -C "$copy" -xf -
fi
# The copy is no checkout: it takes the first build's date, as a rebuild from a tarball would.
SOURCE_DATE_EPOCH=$(sed -n 's/^PELMORA_SOURCE_DATE_EPOCH:[A-Z]*=//p' "$x64/CMakeCache.txt")
export SOURCE_DATE_EPOCH
for preset in x64 x86; do
  (cd "$copy" && cmake --preset "$preset" -DPELMORA_BUILD_TESTS=OFF >/dev/null &&
     cmake --build --preset "$preset" -j "${JOBS:-2}" --target Pelmora pmqclient PelmoraLogView \
       >"$work/build-$preset.log")
done

bash "$source/scripts/pack-dist.sh" "$x64" "$x86" "$work/first" >/dev/null
bash "$copy/scripts/pack-dist.sh" "$copy/build/x64" "$copy/build/x86" "$work/second" >/dev/null
if cmp -s "$work/first/SHA256SUMS" "$work/second/SHA256SUMS"; then
  echo "kit reproducible: $(cat "$work/first/SHA256SUMS")"
  rm -rf "$work/elsewhere"
  exit 0
fi
echo "the two kits differ:" >&2
cat "$work/first/SHA256SUMS" "$work/second/SHA256SUMS" >&2
sums() {
  mkdir -p "$1/unpacked"
  (cd "$1/unpacked" && cmake -E tar xf "$1"/*.zip && find . -type f -exec sha256sum {} + | sort -k2)
}
diff <(sums "$work/first") <(sums "$work/second") >&2 || true
exit 1
