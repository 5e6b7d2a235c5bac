# Sourced by the test, demo and bench scripts: a throwaway Wine world for one run.
#   wine_env_start DIR [i686]
#                        makes a fresh WINEPREFIX under DIR, boots it once, keeps a persistent
#                        wineserver and an Xvfb display; exports WINEPREFIX, DISPLAY, LC_ALL.
#                        With i686 the prefix also runs 32-bit programs, through the emulated
#                        32-bit Wine of scripts/install-wine32.sh; WINE64 is then that Wine's
#                        loader (it starts programs of either kind), exported for wine-run.sh.
#   wine32_unavailable   prints why this machine cannot run 32-bit programs, nothing if it can.
#   wine_env_stop        stops exactly what wine_env_start started and removes the prefix.
# Wine runs with the Japanese locale so that the ANSI code page is 932.

# A test script run by an i686 suite is handed that suite's loader (see _wine_env_use_wine32).
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

WINE32_TREE=${PELMORA_WINE32:-/opt/pelmora-wine32}

_wine_env_xvfb_pid=""
_wine_env_prefix=""
_wine_env_debug=-all

_wine_env_free_display() {
  local n
  for n in $(seq 90 190); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

wine32_unavailable() {
  if [ -f "$WINE32_TREE/unavailable" ]; then
    cat "$WINE32_TREE/unavailable"
  elif [ ! -x "$WINE32_TREE/usr/lib/wine/wine64" ]; then
    echo "there is no 32-bit Wine in $WINE32_TREE (scripts/install-deps.sh sets it up)"
  elif ! grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
    echo "the emulator is not registered for 32-bit programs (scripts/install-deps.sh does it again after a reboot)"
  fi
}

# Wine finds its 32-bit half beside the real path of the loader that runs, so every process of
# the prefix starts from the tree's copy of the 64-bit loader; qemu reads the 32-bit libraries
# from the tree.
_wine_env_use_wine32() {
  export QEMU_LD_PREFIX=$WINE32_TREE
  # glibc loads libgcc_s when a thread ends; under the emulation that load has failed and
  # aborted the process ("libgcc_s.so.1 must be installed for pthread_exit to work"). Loaded at
  # the start (by the emulated programs only), it is there before any thread ends.
  export QEMU_SET_ENV=LD_PRELOAD=/lib/i386-linux-gnu/libgcc_s.so.1
  # Wine says so in the test's output should an emulated thread ever run on a broken state.
  _wine_env_debug=-all,err+seh
  export WINE64=$WINE32_TREE/usr/lib/wine/wine64
}

wine_env_start() {
  local base=$1
  [ "${2:-}" != i686 ] || _wine_env_use_wine32
  mkdir -p "$base"
  _wine_env_prefix=$(mktemp -d "$(cd "$base" && pwd)/wineprefix.XXXXXX")
  export WINEPREFIX=$_wine_env_prefix
  export WINEARCH=win64
  export WINEDEBUG=$_wine_env_debug
  # Wine takes its ANSI code page (932) from this; the Linux locale need not be installed.
  export LC_ALL=ja_JP.UTF-8 2>/dev/null
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

  local display
  display=$(_wine_env_free_display)
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  _wine_env_xvfb_pid=$!
  export DISPLAY=":$display"
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
  done

  "$WINE64" wineboot -i >/dev/null 2>&1 || true
  "$WINESERVER" -w
  "$WINESERVER" -p
  _wine_env_font_replacement
  [ "${2:-}" != i686 ] || _wine_env_no_proxy_detection
}

# Under the emulation, WinHTTP's automatic proxy detection (the DHCP and DNS queries of the
# Unix side) now and then hangs or ends the whole process without a word; the tests set the
# proxies they need themselves, so the i686 prefix connects directly unless a test says otherwise.
_wine_env_no_proxy_detection() {
  local reg="$WINEPREFIX/direct-connection.reg" blob
  blob=46,00,00,00,00,00,00,00,01$(printf ',00%.0s' $(seq 1 47))
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections]\r\n"DefaultConnectionSettings"=hex:%s\r\n' "$blob" |
    iconv -f UTF-8 -t UTF-16 >"$reg"
  "$WINE64" regedit /S "$reg" >/dev/null 2>&1 || true
}

# The login dialog's template font is not installed under Wine; map it to the installed IPA
# font so that Japanese labels render whole.
_wine_env_font_replacement() {
  local reg="$WINEPREFIX/font-replacement.reg"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"MS UI Gothic"="IPAPGothic"\r\n' |
    iconv -f UTF-8 -t UTF-16 >"$reg"
  "$WINE64" regedit /S "$reg" >/dev/null 2>&1 || true
}

wine_env_stop() {
  if [ -n "$_wine_env_prefix" ]; then
    WINEPREFIX=$_wine_env_prefix "$WINESERVER" -k >/dev/null 2>&1 || true
    WINEPREFIX=$_wine_env_prefix "$WINESERVER" -w >/dev/null 2>&1 || true
    rm -rf "$_wine_env_prefix"
    _wine_env_prefix=""
  fi
  if [ -n "$_wine_env_xvfb_pid" ]; then
    kill "$_wine_env_xvfb_pid" 2>/dev/null || true
    wait "$_wine_env_xvfb_pid" 2>/dev/null || true
    _wine_env_xvfb_pid=""
  fi
}
