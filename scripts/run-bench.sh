#!/usr/bin/env bash
# Runs every benchmark program of one build under Wine: scripts/run-bench.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-bench.sh BUILD_DIR}" && pwd)
. "$here/wine-env.sh"
trap wine_env_stop EXIT
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
