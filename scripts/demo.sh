#!/usr/bin/env bash
# The demo: scripts/demo.sh [BUILD_DIR] [--interactive]
# Starts the local service on a free loopback port, runs the demo host under Wine against it
# and prints what the host saw and the log the library wrote, in UTF-8. Stops what it started.
# --interactive also opens the login dialog on your own display (DISPLAY must be set).
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
fi

echo "== Pelmora demo: local service on 127.0.0.1:$port (demo account DEMO001 / pelmora-demo)"
echo
"$WINE64" "$build/bin/pelmora_demo.exe" "http://127.0.0.1:$port" "Z:$work/pelmora.log" "${args[@]}" |
  iconv -f CP932 -t UTF-8
echo
echo "== The log the library wrote"
iconv -f CP932 -t UTF-8 "$work/pelmora.log"
echo
echo "== What the service saw"
cat "$work/service.log"
