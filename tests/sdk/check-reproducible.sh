#!/usr/bin/env bash
# check-reproducible.sh X64_BUILD X86_BUILD WORK: the kit and its symbols zip are the same bytes
# when built elsewhere.
# Only the i686 programs are built again (in a copy of this tree in another folder; they have
# every step the x86_64 build has, and their own import library): a rebuild within two minutes.
# The x86_64 files must name no folder of the build and carry no clock's time.
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
epoch=$(sed -n 's/^PELMORA_SOURCE_DATE_EPOCH:[A-Z]*=//p' "$x64/CMakeCache.txt")
(cd "$copy" && SOURCE_DATE_EPOCH=$epoch cmake --preset x86 -DPELMORA_BUILD_TESTS=OFF >/dev/null &&
   cmake --build --preset x86 -j "${JOBS:-2}" --target Pelmora pmqclient PelmoraLogView \
     >"$work/build-x86.log")

# Packed as `make dist` packs, with nothing in the environment to set a date.
env -u SOURCE_DATE_EPOCH bash "$source/scripts/pack-dist.sh" "$x64" "$x86" "$work/first" >/dev/null
env -u SOURCE_DATE_EPOCH bash "$copy/scripts/pack-dist.sh" "$x64" "$copy/build/x86" \
  "$work/second" >/dev/null

# The x86_64 files: neither folder of the first build named anywhere, and in every PE header the
# commit's time (which the install's strip writes), never the clock's.
export TZ=UTC
stamp=$(LC_ALL=C date -d "@$epoch" '+%a %b %e %H:%M:%S %Y')  # as objdump prints it
mkdir -p "$work/first/unpacked"
(cd "$work/first/unpacked" && for zip in "$work/first"/*.zip; do cmake -E tar xf "$zip"; done)
leaks=0
while IFS= read -r -d '' f; do
  if grep -aqF -e "$source" -e "$x64" "$f"; then
    echo "$f names the build's folder" >&2
    leaks=1
  fi
  case "$f" in
  *.dll | *.exe)
    if ! grep -qx "Time/Date[[:space:]]*$stamp" <<<"$(LC_ALL=C x86_64-w64-mingw32-objdump -p "$f")"; then
      echo "$f carries the clock's time, not the commit's" >&2
      leaks=1
    fi
    ;;
  esac
done < <(find "$work/first/unpacked" -path "$work/first/unpacked/*/x64/*" -type f -print0)

if [ "$leaks" -eq 0 ] && cmp -s <(cat "$work/first"/SHA256SUMS*) <(cat "$work/second"/SHA256SUMS*); then
  echo "kit reproducible: $(cat "$work/first/SHA256SUMS" "$work/first/SHA256SUMS.symbols")"
  rm -rf "$work/elsewhere"
  exit 0
fi
echo "the two kits differ:" >&2
cat "$work/first"/SHA256SUMS* | diff - <(cat "$work/second"/SHA256SUMS*) >&2
exit 1
