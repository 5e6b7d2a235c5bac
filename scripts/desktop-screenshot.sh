#!/usr/bin/env bash
# Takes a picture of a program's window for a reviewer:
#   scripts/desktop-screenshot.sh BUILD_DIR PROGRAM MARK WIDTHxHEIGHT OUT.png
# Runs bin/PROGRAM inside a Wine virtual desktop of that size (only there does Wine draw
# captions on a display without a window manager). The program writes bin/MARK.ready once its
# window is up and waits for bin/MARK.taken before it closes. Runs inside the Wine world of the
# test runner when there is one, else makes its own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage="usage: desktop-screenshot.sh BUILD_DIR PROGRAM MARK WIDTHxHEIGHT OUT.png"
build=$(cd "${1:?$usage}" && pwd)
program=${2:?$usage}
mark=${3:?$usage}
size=${4:?$usage}
out=${5:?$usage}
WINE64=${WINE64:-/usr/lib/wine/wine64}

if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  . "$here/wine-env.sh"
  trap wine_env_stop EXIT
  wine_env_start "$build/wine"
fi

bin=$build/bin
ready=$bin/$mark.ready
taken=$bin/$mark.taken
rm -f "$ready" "$taken"
"$WINE64" explorer "/desktop=$mark,$size" "$bin/$program" &
shot_pid=$!

for _ in $(seq 1 600); do
  [ -e "$ready" ] && break
  kill -0 "$shot_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "$ready" ]; then
  echo "$program did not show its window" >&2
  touch "$taken"
  wait "$shot_pid" || true
  exit 1
fi

# The virtual desktop is the first window on the root, at its top-left corner.
import -display "$DISPLAY" -window root -crop "$size+0+0" +repage "$out"
touch "$taken"
wait "$shot_pid" || true
rm -f "$ready" "$taken"
# A picture of one flat colour means nothing was drawn.
colours=$(identify -format '%k' "$out")
[ "$colours" -gt 16 ] || { echo "$out holds only $colours colours" >&2; exit 1; }
echo "picture: $out"
