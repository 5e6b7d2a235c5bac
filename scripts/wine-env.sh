# Sourced by the test, demo and bench scripts: a throwaway Wine world for one run.
#   wine_env_start DIR   makes a fresh WINEPREFIX under DIR, boots it once, keeps a persistent
#                        wineserver and an Xvfb display; exports WINEPREFIX, DISPLAY, LC_ALL.
#   wine_env_stop        stops exactly what wine_env_start started and removes the prefix.
# Wine runs with the Japanese locale so that the ANSI code page is 932.

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

_wine_env_xvfb_pid=""
_wine_env_prefix=""

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

wine_env_start() {
  local base=$1
  mkdir -p "$base"
  _wine_env_prefix=$(mktemp -d "$(cd "$base" && pwd)/wineprefix.XXXXXX")
  export WINEPREFIX=$_wine_env_prefix
  export WINEARCH=win64
  export WINEDEBUG=-all
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
