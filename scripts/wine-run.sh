#!/usr/bin/env bash
# The emulator through which ctest runs every Windows test program: wine-run.sh PROGRAM [ARGS]
# Under Xvfb, Wine very rarely ends a process that uses windows with exit status 1 from its X11
# layer (a Unix exit: the program's buffered output is lost, so nothing at all is printed; seen
# about once in a thousand runs). That signature — status 1 and no output whatsoever — is not a
# verdict of the program, so the run is repeated once and says so. Any other result, and any
# run that printed something, is passed on as it is.
set -u
wine=${WINE64:-/usr/lib/wine/wine64}
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  "$wine" "$@" >"$out" 2>"$err"
  rc=$?
  if [ "$rc" -ne 1 ] || [ -s "$out" ] || [ -s "$err" ]; then
    break
  fi
  echo "wine-run: $(basename "$1") ended with status 1 before printing anything (attempt $attempt)" >&2
done
cat "$out"
cat "$err" >&2
exit "$rc"
