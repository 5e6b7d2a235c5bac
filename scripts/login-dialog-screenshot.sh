#!/usr/bin/env bash
# Takes a picture of the login dialog for a reviewer: scripts/login-dialog-screenshot.sh
# BUILD_DIR [OUT.png] (default BUILD_DIR/login-dialog.png). Runs inside the Wine world of the
# test runner when there is one, else makes its own. The dialog opens in a Wine virtual desktop,
# since only there does Wine draw the caption on a display without a window manager.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: login-dialog-screenshot.sh BUILD_DIR [OUT.png]}" && pwd)
out=${2:-$build/login-dialog.png}
WINE64=${WINE64:-/usr/lib/wine/wine64}

if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  . "$here/wine-env.sh"
  trap wine_env_stop EXIT
  wine_env_start "$build/wine"
fi

bin=$build/bin
ready=$bin/login-dialog-shot.ready
taken=$bin/login-dialog-shot.taken
rm -f "$ready" "$taken"
"$WINE64" explorer /desktop=login-shot,640x400 "$bin/login_dialog_shot.exe" &
shot_pid=$!

for _ in $(seq 1 600); do
  [ -e "$ready" ] && break
  kill -0 "$shot_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "$ready" ]; then
  echo "the login dialog did not open" >&2
  touch "$taken"
  wait "$shot_pid" || true
  exit 1
fi

# The virtual desktop is the first window on the root, at its top-left corner.
import -display "$DISPLAY" -window root -crop 640x400+0+0 +repage "$out"
touch "$taken"
wait "$shot_pid" || true
rm -f "$ready" "$taken"
# A picture of one flat colour means nothing was drawn.
colours=$(identify -format '%k' "$out")
[ "$colours" -gt 16 ] || { echo "$out holds only $colours colours" >&2; exit 1; }
echo "login dialog picture: $out"
