#!/usr/bin/env bash
# clang-cl-msvc.sh ARCH ARGS...: compiles as Microsoft's compiler would with Debian's packages:
# clang-cl for Microsoft's ABI and target (ARCH x64 or x86), the MinGW-w64 headers in place of the
# Windows SDK's with the architecture macros the SDK's windows.h would define, SSE2 on x86 as
# Microsoft's compiler has it by default. Give source paths attached (/Tc/work/a.c): clang-cl
# reads a bare "/work/..." as its /w option.
here=$(cd "$(dirname "$0")" && pwd)
clang_cl=$(command -v clang-cl || echo /usr/lib/llvm-14/bin/clang-cl)
case ${1:?ARCH} in
x64) target=(--target=x86_64-pc-windows-msvc -D_AMD64_) headers=x86_64 ;;
*) target=(--target=i686-pc-windows-msvc -D_X86_ /arch:SSE2) headers=i686 ;;
esac
shift
exec "$clang_cl" "${target[@]}" -imsvc "/usr/$headers-w64-mingw32/include" \
  /FI"$here/mingw-as-msvc.h" "$@"
