#!/usr/bin/env bash
# The emulator through which ctest runs every Windows test program: wine-run.sh PROGRAM [ARGS]
# Under Xvfb, Wine very rarely ends a process that uses windows with exit status 1 from its X11
# layer (a Unix exit: the program's buffered output is lost, so nothing at all is printed; seen
# about once in a thousand runs). That signature — status 1 and no output whatsoever — is not a
# verdict of the program, so the run is repeated once and says so.
# Under the emulated 32-bit Wine (QEMU_LD_PREFIX set), threads that start or end at the same
# moment now and then run on another thread's state; Wine then reports a trap or an exception
# frame outside the thread's stack, or the emulator itself dies (its process may still end with
# status 0). A run that shows one of those is no verdict either: it is repeated, up to four
# times, and says so; the fifth such run fails, whatever its status. A test program that printed its final
# PASSED line and ended with status 0 had given its verdict before the emulation failed (most
# often as the process ends, when its threads end together): that verdict stands. Any other
# result, and any run that printed something, is passed on as it is.
set -u
wine=${WINE64:-/usr/lib/wine/wine64}
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
emulation_lost_a_thread='qemu: uncaught target signal|Got unexpected trap|not in stack limits|stack smashing detected|wine client error'
for attempt in 1 2 3 4 5; do
  "$wine" "$@" >"$out" 2>"$err"
  rc=$?
  if [ "$rc" -eq 1 ] && [ ! -s "$out" ] && [ ! -s "$err" ] && [ "$attempt" -eq 1 ]; then
    echo "wine-run: $(basename "$1") ended with status 1 before printing anything (attempt $attempt)" >&2
    continue
  fi
  sign=""
  [ -z "${QEMU_LD_PREFIX:-}" ] ||
    sign=$(grep -a -h -m1 -oE "$emulation_lost_a_thread" "$out" "$err" | head -1)
  if [ -n "$sign" ] && [ "$rc" -eq 0 ] && grep -aq '^\[  PASSED  \] ' "$out"; then
    echo "wine-run: in $(basename "$1") the emulation lost a thread's state (\"$sign\") after the program's verdict" >&2
  elif [ -n "$sign" ]; then
    echo "wine-run: in $(basename "$1") the emulation lost a thread's state (\"$sign\", attempt $attempt)" >&2
    [ "$rc" -ne 0 ] || rc=1
    [ "$attempt" -eq 5 ] || continue
  fi
  break
done
cat "$out"
cat "$err" >&2
exit "$rc"
