#!/bin/sh
# Runs the offline probe in a network namespace with only the loopback up, in a Wine prefix of its
# own: a wineserver started outside would answer from the host's adapters. 77: not permitted here.
set -u
probe=${1:?usage: run-offline.sh PROBE.exe}
. "$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-env.sh"
if ! unshare -n true 2>/dev/null; then
    echo "network namespaces are not permitted here (unshare -n): skipped"
    exit 77
fi
prefix=$(mktemp -d "${TMPDIR:-/tmp}/pelmora-offline.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
unshare -n sh -c '
    "$(command -v ip || echo /usr/sbin/ip)" link set lo up || exit 1
    export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    unset DISPLAY
    "$2" wineboot -i >/dev/null 2>&1
    "$2" "$4"
    rc=$?
    "$3" -k && "$3" -w
    exit $rc
' offline "$prefix" "$WINE64" "$WINESERVER" "$probe"
