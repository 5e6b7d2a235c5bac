#!/usr/bin/env bash
# run-consumer.sh WORK SERVICE_DIR: the host build-consumer.sh left in WORK must reach the service.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=${1:?WORK} service=${2:?SERVICE_DIR}
[ -f "$work/c_host.exe" ] || { echo "$work/c_host.exe is missing: the x64 suite builds it" >&2; exit 1; }
url="http://127.0.0.1:$(cat "$service/http.port")"
output=$(cd "$work" && "$root/scripts/wine-run.sh" ./c_host.exe "$url") || { echo "$output"; exit 1; }
echo "$output"
tr -d "\r" <<<"$output" | grep -qx "server alive: 1"
