#!/usr/bin/env bash
# Runs the whole suite of one build under Wine: scripts/run-tests.sh BUILD_DIR [ctest args...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-tests.sh BUILD_DIR [ctest args]}" && pwd)
shift
. "$here/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start "$build/wine"
cd "$build"
ctest --output-on-failure "$@"
