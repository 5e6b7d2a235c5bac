#!/usr/bin/env bash
# build-consumer.sh ARCH KIT WORK SERVICE_DIR (ARCH: x86_64 or i686): builds the C sample host
# against the unpacked kit as its own CMake project and checks what it links and carries; the
# x86_64 one then runs (run-consumer.sh; the i686 suite runs the i686 one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
arch=${1:?ARCH} kit=${2:?KIT} work=${3:?WORK} service=${4:?SERVICE_DIR}
kit_arch=x86
[ "$arch" = x86_64 ] && kit_arch=x64
export LC_ALL=C  # tool output in its untranslated form

rm -rf "$work"
cmake -S "$kit/samples" -B "$work" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$kit" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" >/dev/null
cmake --build "$work"
# The package chose this architecture's files and copied them beside the host.
for file in Pelmora.dll pmqclient.exe; do cmp "$kit/bin/$kit_arch/$file" "$work/$file"; done

# A host imports the exports from Pelmora.dll by their plain names.
check_imports() {
  local imports
  imports=$("$arch-w64-mingw32-objdump" -p "$1" |
    awk '/DLL Name:/ {dll = $3} dll == "Pelmora.dll" && $NF ~ /^Pe([HL]m|lm)[A-Z]/ {print $NF}')
  [ -n "$imports" ] && ! grep -q '@' <<<"$imports" ||
    { echo "$1 imports from Pelmora.dll: ${imports:-nothing}" >&2; exit 1; }
}
check_imports "$work/c_host.exe"
# A host on another toolchain makes its own import library from the kit's export list (on x86
# the list carries the stdcall sizes, which the librarian drops from the imported names).
kill_at=()
[ "$arch" = i686 ] && kill_at=(--kill-at)
"$arch-w64-mingw32-dlltool" "${kill_at[@]}" -d "$kit/lib/$kit_arch/Pelmora.def" -l "$work/from-def.a"
"$arch-w64-mingw32-gcc" -I"$kit/include" "$kit/samples/c_host.c" "$work/from-def.a" \
  -o "$work/c_host_from_def.exe"
check_imports "$work/c_host_from_def.exe"
[ "$arch" = x86_64 ] || exit 0
exec bash "$here/run-consumer.sh" "$work" "$service"
