#!/usr/bin/env bash
# Runs every benchmark program of one build under Wine: scripts/run-bench.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-bench.sh BUILD_DIR}" && pwd)
. "$here/wine-env.sh"
# The login benchmark talks to the local service: the end-to-end tests' fixture starts it on a
# free loopback port, and its address reaches the programs in PELMORA_BENCH_SERVICE.
service_dir=""
stop_all() {
  if [ -n "$service_dir" ]; then
    "$here/../tests/e2e/service-fixture.sh" stop "$service_dir"
    rm -rf "$service_dir"
  fi
  wine_env_stop
}
trap stop_all EXIT
if [ -e "$build/bin/login_bench.exe" ]; then
  service_dir=$(mktemp -d)
  "$here/../tests/e2e/service-fixture.sh" start "$service_dir"
  export PELMORA_BENCH_SERVICE="http://127.0.0.1:$(cat "$service_dir/http.port")"
fi
wine_env_start "$build/wine"
status=0
found=0
for exe in "$build"/bin/*_bench.exe; do
  [ -e "$exe" ] || continue
  found=1
  echo "== $(basename "$exe" .exe)"
  (cd "$build/bin" && "$WINE64" "$exe") || status=1
done
[ "$found" = 1 ] || echo "no benchmark programs in $build/bin"
exit $status
