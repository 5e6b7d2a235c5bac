#!/usr/bin/env bash
# check-header.sh WORK: pelmora.h compiles without a warning as C89, C99, C11, C++98 and C++17
# (-pedantic), with and without UNICODE, on both MinGW toolchains and as Microsoft's compiler
# would (clang-cl /W4, both architectures). The probe finds the viewer with the generic
# FindWindow and takes each export as its PFN_ type, so a type that drifts fails to compile.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
include=$here/../../include work=${1:?WORK}; mkdir -p "$work"
names=$(awk '/^EXPORTS/ {on = 1; next} on && NF {print $1}' "$here/../../src/api/Pelmora.def")
cat >"$work/probe.c" <<C
#include "pelmora.h"
int probe(void) {
    char digest[PELMORA_DIGEST_SIZE], since[PELMORA_TIME_SIZE], text[PELMORA_MESSAGE_SIZE];
$(for n in $names; do echo "    PFN_$n to_$n = $n;"; done)
    HWND viewer = FindWindow(PELMORA_LOGVIEW_CLASS, NULL);
$(for n in $names; do echo "    (void)to_$n;"; done)
    return viewer && PeLmMD5(digest, "abc") && PeLmServerSubTimeGet(since, sizeof since) &&
           PeLmLastErrorMessageGet(text, sizeof text) && PELMORA_VERSION >= 10000;
}
C
failed=0
compile() {
  "$@" -I"$include" -c -o "$work/probe.o" 2>"$work/errors" ||
    { echo "FAILED: ${*:1:6}" >&2 && cat "$work/errors" >&2 && failed=1; }
}
for unicode in "" -DUNICODE; do
  for arch in x86_64 i686; do
    for std in c89 c99 c11; do
      compile "$arch-w64-mingw32-gcc" -std=$std $unicode -pedantic -Wall -Wextra -Werror "$work/probe.c"
    done
    for std in c++98 c++17; do
      compile "$arch-w64-mingw32-g++" -std=$std $unicode -pedantic -Wall -Wextra -Werror -x c++ "$work/probe.c"
    done
  done
  for arch in x64 x86; do
    for language in /Tc /Tp; do
      compile "$here/../../scripts/clang-cl-msvc.sh" $arch $unicode /W4 /WX "$language$work/probe.c"
    done
  done
done
[ "$failed" -eq 0 ] && echo "pelmora.h compiles cleanly: 20 MinGW and 8 clang-cl variants"
exit "$failed"
