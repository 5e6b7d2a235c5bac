#!/usr/bin/env bash
# Runs the whole suite of one build under Wine: scripts/run-tests.sh BUILD_DIR [ctest args...]
# An i686 build runs under the emulated 32-bit Wine; a machine that cannot run one says so and
# skips that build's suite.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run-tests.sh BUILD_DIR [ctest args]}" && pwd)
shift
. "$here/wine-env.sh"
arch=""
if x86_64-w64-mingw32-objdump -f "$build/bin/Pelmora.dll" | grep -q "file format pei-i386"; then
  arch=i686
  reason=$(wine32_unavailable)
  if [ -n "$reason" ]; then
    echo "i686 suite skipped: $reason"
    exit 0
  fi
  echo "i686 suite: 32-bit programs run under an emulated 32-bit Wine"
fi
trap wine_env_stop EXIT
wine_env_start "$build/wine" $arch
cd "$build"
ctest --output-on-failure "$@"
