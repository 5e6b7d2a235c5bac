#!/usr/bin/env bash
# The demo: scripts/demo.sh [BUILD_DIR] [--interactive]
# Starts the local service on a free loopback port and the log viewer (which diagnoses the
# connection to that service at once), runs the demo host under Wine against the service with
# the viewer as its log window, and prints what the host saw and the log the library wrote, in
# UTF-8, then saves a picture of the viewer. Stops what it started.
# --interactive opens the login dialog and the viewer on your own display instead (DISPLAY must
# be set); the demo then ends when you close the viewer.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/x64}" && pwd)
mode=${2:-}
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3)
. "$here/wine-env.sh"

work=$(mktemp -d)
service_pid=""
cleanup() {
  if [ -n "$service_pid" ]; then
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
  fi
  wine_env_stop
  rm -rf "$work"
}
trap cleanup EXIT

"$python" "$root/service/pelmora_service.py" --port 0 --port-file "$work/port" 2>"$work/service.log" &
service_pid=$!
until [ -f "$work/port" ]; do
  kill -0 "$service_pid" 2>/dev/null || { cat "$work/service.log" >&2; exit 1; }
  sleep 0.05
done
port=$(cat "$work/port")

user_display=${DISPLAY:-}
wine_env_start "$build/wine"
args=()
if [ "$mode" = "--interactive" ]; then
  [ -n "$user_display" ] || { echo "--interactive needs DISPLAY" >&2; exit 1; }
  export DISPLAY=$user_display
  args=(--interactive)
else
  # Every window of this throwaway prefix opens inside one Wine virtual desktop, where Wine
  # draws captions, so that the viewer's picture shows its whole window.
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x640"\r\n' |
    iconv -f UTF-8 -t UTF-16 >"$work/desktop.reg"
  "$WINE64" regedit /S "$work/desktop.reg" >/dev/null 2>&1 || true
fi

# The log viewer; the demo host finds its window by class name.
"$WINE64" "$build/bin/PelmoraLogView.exe" /server "http://127.0.0.1:$port" /diagnose \
  >/dev/null 2>&1 &
viewer_pid=$!

echo "== Pelmora demo: local service on 127.0.0.1:$port (demo account DEMO001 / pelmora-demo)"
echo
"$WINE64" "$build/bin/pelmora_demo.exe" "http://127.0.0.1:$port" "Z:$work/pelmora.log" --viewer "${args[@]}" |
  iconv -f CP932 -t UTF-8
echo
echo "== The log the library wrote"
iconv -f CP932 -t UTF-8 "$work/pelmora.log"
echo
echo "== What the service saw"
cat "$work/service.log"
echo
if [ "$mode" = "--interactive" ]; then
  echo "== The log viewer shows every entry; close it to end the demo"
  wait "$viewer_pid" || true
else
  # The viewer catches up with its list within a quarter of a second; a moment covers it.
  sleep 1
  picture=$build/logview-demo.png
  import -display "$DISPLAY" -window root -crop 1024x640+0+0 +repage "$picture"
  echo "== The log viewer's picture: $picture"
fi
