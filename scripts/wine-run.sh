#!/usr/bin/env bash
# The emulator through which ctest runs every Windows test program: wine-run.sh PROGRAM [ARGS]
# Under Xvfb, the 64-bit Wine very rarely ends a process that uses windows with exit status 1
# from its X11 layer (a Unix exit: the program's buffered output is lost, so nothing at all is
# printed; seen about once in a thousand runs). That signature — status 1 and no output
# whatsoever — is no verdict of the program, so such a run is repeated once and says so. Every
# other run, and every run under the emulated 32-bit Wine, is passed on as it is.
set -u
wine=${WINE64:-/usr/lib/wine/wine64}
if [ -n "${QEMU_LD_PREFIX:-}" ]; then
  exec "$wine" "$@"
fi
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
"$wine" "$@" >"$out" 2>"$err"
rc=$?
if [ "$rc" -eq 1 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
  echo "wine-run: $(basename "$1") ended with status 1 before printing anything; run again" >&2
  "$wine" "$@" >"$out" 2>"$err"
  rc=$?
fi
cat "$out"
cat "$err" >&2
exit "$rc"
