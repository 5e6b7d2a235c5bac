#!/usr/bin/env bash
# build-msvc.sh ARCH KIT WORK SERVICE_DIR (ARCH: x86_64 or i686): builds msvc/msvc_host.c as
# Microsoft's tools would (clang-cl /W4 /WX, lld-link; x86 with /SAFESEH) against the unpacked
# kit's Pelmora.lib, checks that it imports the plain names from Pelmora.dll, and runs the x64
# one under Wine against the service (the i686 suite runs the x86 one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
kit=${2:?KIT} work=${3:?WORK} service=${4:?SERVICE_DIR} arch=x86
[ "${1:?ARCH}" = i686 ] || arch=x64
export LC_ALL=C
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$here/../../scripts/clang-cl-msvc.sh" "$arch" /nologo /W4 /WX /O2 /GS- /I"$kit/include" /c \
  /Tc"$here/msvc/msvc_host.c" /Fomsvc_host.obj
# The system's import libraries for the calls the host makes, made as the SDK's are (short import
# records; on x86 with the stdcall sizes the SDK's carry).
machine=i386:x86-64 kill_at=() safeseh=()
[ "$arch" = x64 ] || machine=i386 kill_at=(-k) safeseh=(/safeseh)
printf 'LIBRARY kernel32.dll\nEXPORTS\n%s\n' GetStdHandle@4 WriteFile@20 ExitProcess@4 \
  GetCommandLineA@0 lstrlenA@4 >kernel32.def
printf 'LIBRARY user32.dll\nEXPORTS\nwsprintfA\n' >user32.def
[ "$arch" = x86 ] || sed -i 's/@.*//' kernel32.def
for lib in kernel32 user32; do llvm-dlltool -m "$machine" "${kill_at[@]}" -d $lib.def -l $lib.lib; done
lld-link /nologo /machine:"$arch" "${safeseh[@]}" /nodefaultlib /entry:HostMain /subsystem:console \
  msvc_host.obj "$kit/lib/$arch/Pelmora.lib" kernel32.lib user32.lib /out:c_host.exe
imports=$(x86_64-w64-mingw32-objdump -p c_host.exe |
  awk '/DLL Name:/ {dll = $3} dll == "Pelmora.dll" && $NF ~ /^Pe/ {print $NF}')
[ -n "$imports" ] && ! grep -q '@' <<<"$imports" ||
  { echo "c_host.exe imports from Pelmora.dll: ${imports:-nothing}" >&2; exit 1; }
cp "$kit/bin/$arch/Pelmora.dll" "$kit/bin/$arch/pmqclient.exe" .
[ "$arch" = x64 ] || exit 0
exec bash "$here/run-consumer.sh" "$work" "$service"
