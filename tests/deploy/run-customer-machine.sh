#!/usr/bin/env bash
# Runs the probe as on a customer's machine: its program folder read-only (a bind mount in a
# private mount namespace; the probe's own Wine prefix is made inside it, as the wineserver opens
# the files) and Local AppData at "C:\users\Zoë\AppData\Local", outside the code page (932).
# Wine names files in the Unix locale's character set: the Japanese locale is built for this run
# (without it Wine cannot name "Zoë" at all). 77: not possible here.
set -u
probe=${1:?usage: run-customer-machine.sh PROBE.exe}
here=$(cd "$(dirname "$0")" && pwd)
if ! unshare -m true 2>/dev/null; then
    echo "mount namespaces are not permitted here (unshare -m): skipped"
    exit 77
fi
arch=""
if x86_64-w64-mingw32-objdump -f "$probe" | grep -q "file format pei-i386"; then arch=i686; fi
work=$(mktemp -d "${TMPDIR:-/tmp}/pelmora-customer.XXXXXX")
trap 'rm -rf "$work"' EXIT
bin=$(dirname "$probe")
mkdir "$work/program" "$work/locale"
localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" >/dev/null 2>&1
if [ ! -f "$work/locale/ja_JP.UTF-8/LC_CTYPE" ]; then
    echo "the Japanese locale cannot be built here (localedef, package locales): skipped"
    exit 77
fi
cp "$probe" "$bin/Pelmora.dll" "$bin/pmqclient.exe" "$work/program/"
# The profile's Local AppData, where the shell looks for it.
for key in "User Shell Folders" "Shell Folders"; do
    printf '[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\%s]\r\n' "$key"
    printf '"Local AppData"="C:\\\\users\\\\Zoë\\\\AppData\\\\Local"\r\n\r\n'
done | { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; cat; } |
    iconv -f UTF-8 -t UTF-16 >"$work/local-appdata.reg"

unshare -m bash -c '
    set -u
    work=$1 arch=$2 probe=$3
    mount --bind "$work/program" "$work/program" &&
        mount -o remount,bind,ro "$work/program" || exit 1
    . "$4/scripts/wine-env.sh"
    [ -z "$arch" ] || [ -z "$(wine32_unavailable)" ] || { wine32_unavailable; exit 77; }
    export LOCPATH=$work/locale
    trap wine_env_stop EXIT
    wine_env_start "$work" $arch
    _wine_env_no_proxy_detection
    "$WINE64" regedit /S "$work/local-appdata.reg" >/dev/null 2>&1
    mkdir -p "$WINEPREFIX/drive_c/users/Zoë/AppData/Local"
    "$4/scripts/wine-run.sh" "$work/program/$(basename "$probe")"
' customer "$work" "$arch" "$probe" "$(cd "$here/../.." && pwd)"
