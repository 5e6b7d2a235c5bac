#!/usr/bin/env bash
# build-msvc-host.sh ARCH KIT WORK SERVICE_DIR (ARCH: x64 or x86): builds msvc/msvc_host.c as
# Microsoft's tools would (clang-cl /W4 /WX, lld-link; x86 with /SAFESEH) against the unpacked
# kit's Pelmora.lib, checks that it imports the plain names from Pelmora.dll, and runs the x64
# one under Wine against the service (the i686 suite runs the x86 one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=${1:?ARCH} kit=${2:?KIT} work=${3:?WORK} service=${4:?SERVICE_DIR}
export LC_ALL=C
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$here/msvc/clang-cl.sh" "$arch" /nologo /W4 /WX /O2 /GS- /I"$kit/include" /c \
  "$here/msvc/msvc_host.c" /Fomsvc_host.obj

# The system's import libraries, made as the SDK's are (short import records), for the calls the
# host makes; on x86 with the stdcall sizes, as the SDK's name them.
machine=i386:x86-64 kill_at=() safeseh=()
if [ "$arch" = x86 ]; then machine=i386 kill_at=(-k) safeseh=(/safeseh); fi
system_lib() {  # NAME DLL FUNCTION[@SIZE]...
  local name=$1 dll=$2
  shift 2
  local names=("$@")
  [ "$arch" = x86 ] || names=("${names[@]%@*}")
  printf 'LIBRARY %s\nEXPORTS\n%s\n' "$dll" "$(printf '%s\n' "${names[@]}")" >"$name.def"
  llvm-dlltool -m "$machine" "${kill_at[@]}" -d "$name.def" -l "$name.lib"
}
system_lib kernel32 kernel32.dll GetStdHandle@4 WriteFile@20 ExitProcess@4 GetCommandLineA@0 \
  GetModuleHandleA@4 GetProcAddress@8 lstrlenA@4
system_lib user32 user32.dll wsprintfA
lld-link /nologo /machine:"$arch" "${safeseh[@]}" /nodefaultlib /entry:HostMain \
  /subsystem:console msvc_host.obj "$kit/lib/$arch/Pelmora.lib" kernel32.lib user32.lib \
  /out:c_host.exe

imports=$(x86_64-w64-mingw32-objdump -p c_host.exe |
  awk '/DLL Name:/ {dll = $3} dll == "Pelmora.dll" && $NF ~ /^Pe/ {print $NF}')
[ -n "$imports" ] && ! grep -q '@' <<<"$imports" ||
  { echo "c_host.exe imports from Pelmora.dll: ${imports:-nothing}" >&2; exit 1; }
cp "$kit/bin/$arch/Pelmora.dll" "$kit/bin/$arch/pmqclient.exe" .
[ "$arch" = x64 ] || exit 0
exec bash "$here/run-consumer.sh" "$work" "$service"
