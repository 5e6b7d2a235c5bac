#!/usr/bin/env bash
# check-exports.sh DEF DLL... : each DLL's export table holds exactly the names of DEF.
set -euo pipefail
# objdump speaks the locale's language; the table headings below are its English ones.
export LC_ALL=C
def=$1
shift
expected=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | awk 'NF {print $1}' | sort)
status=0
for dll in "$@"; do
  if x86_64-w64-mingw32-objdump -f "$dll" | grep -q 'pei-x86-64'; then
    objdump=x86_64-w64-mingw32-objdump
  else
    objdump=i686-w64-mingw32-objdump
  fi
  actual=$($objdump -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1; next} t && /^[ \t]*\[/{print $NF} t && /^$/{t=0}' | sort)
  if [ "$expected" != "$actual" ]; then
    echo "export table of $dll differs from $def:"
    diff <(echo "$expected") <(echo "$actual") || true
    status=1
  else
    echo "exports ok: $dll ($(echo "$actual" | wc -l) plain names)"
  fi
  if $objdump -p "$dll" | grep -q "DLL Name: lib"; then
    echo "$dll depends on a non-system DLL:"; $objdump -p "$dll" | grep "DLL Name"; status=1
  fi
done
exit $status
