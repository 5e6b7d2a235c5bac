#!/usr/bin/env bash
# make-stdcall-implib.sh NM DLLTOOL DLL DEF IMPLIB DECORATED_DEF
# On 32-bit x86 a host compiled against pelmora.h calls _PelmLog@36, while the DLL exports the
# plain name PelmLog. The linker's own import library knows only the plain names, so it is
# rebuilt here from the decorated symbols: each entry links as Name@N and imports Name. The
# decorated export list is kept (DECORATED_DEF) for hosts whose toolchain makes its own library.
set -euo pipefail
export LC_ALL=C  # tool output in its untranslated form
nm=$1 dlltool=$2 dll=$3 def=$4 implib=$5 decorated=$6
# Pair every name of the export list with its decorated symbol "_Name@N" in the DLL.
"$nm" "$dll" | awk -v dll="$(basename "$dll")" '
  FNR == NR { if ($2 == "T" && $3 ~ /^_[A-Za-z0-9_]+@[0-9]+$/) { split(substr($3, 2), p, "@"); at[p[1]] = p[2] } next }
  /^EXPORTS/ { listing = 1; print "LIBRARY " dll; print "EXPORTS"; next }
  listing && NF {
    if (!($1 in at)) { print "no stdcall symbol for " $1 > "/dev/stderr"; failed = 1; exit 1 }
    print "    " $1 "@" at[$1]
  }
  END { exit failed }' - "$def" >"$decorated"
# dlltool names the library's members and symbols after the path it is given: run it beside the
# library so that no build folder ends up in the kit.
(cd "$(dirname "$implib")" && "$dlltool" --kill-at -d "$decorated" -D "$(basename "$dll")" \
  -l "$(basename "$implib")")
