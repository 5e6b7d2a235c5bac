#!/usr/bin/env bash
# service-fixture.sh start|stop DIR: the local service, two proxies and HTTPS with a fresh
# certificate for the end-to-end tests, their port files and log in DIR.
set -euo pipefail
action=${1:?start|stop} dir=${2:?directory}

stop() {
  [ -f "$dir/service.pid" ] || return 0
  pid=$(cat "$dir/service.pid")
  kill "$pid" 2>/dev/null || true
  while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  rm -f "$dir/service.pid"
}

start() {
  stop
  mkdir -p "$dir"
  rm -f "$dir"/*.port "$dir"/cert.*
  # A certificate made for this run only, trusted by the tests in their own prefix.
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=localhost" \
    -addext "subjectAltName=DNS:localhost" -keyout "$dir/cert.key" -out "$dir/cert.pem" 2>/dev/null
  openssl x509 -in "$dir/cert.pem" -outform der -out "$dir/cert.der"
  setsid python3 "$(dirname "$0")/../../service/pelmora_service.py" \
    --port 0 --port-file "$dir/http.port" --proxy-port 0 --proxy-port-file "$dir/proxy.port" \
    --second-proxy-port 0 --second-proxy-port-file "$dir/proxy2.port" --https-port 0 \
    --https-port-file "$dir/https.port" --cert "$dir/cert.pem" --key "$dir/cert.key" \
    >"$dir/service.log" 2>&1 </dev/null &
  echo $! >"$dir/service.pid"
  for _ in $(seq 1 200); do
    [ -f "$dir/https.port" ] && return 0  # the last one the service writes
    kill -0 "$(cat "$dir/service.pid")" 2>/dev/null || break
    sleep 0.05
  done
  { echo "service did not start:"; cat "$dir/service.log"; } >&2
  exit 1
}

"$action"
