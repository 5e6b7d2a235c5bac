#!/usr/bin/env bash
# check-one-state.sh NM CORE KIT PROGRAM... : no program that uses the DLL holds a second copy of
# the library's state (its last error, endpoints, program directory): none defines a function of
# the library's own namespaces that the static library has and the kit has not.
set -euo pipefail
export LC_ALL=C
nm=$1 core=$2 kit=$3
shift 3
own() {
  "$nm" -C --defined-only "$1" 2>/dev/null | sed -n 's/^[0-9a-f]* [TDBR] //p' |
    grep -E '^(frame|logging|storage|transport|login|connectivity|HttpUtility|api)::' | sort -u
}
state=$(comm -23 <(own "$core") <(own "$kit"))
[ -n "$state" ] || { echo "no symbols read from $core"; exit 1; }
status=0
for program in "$@"; do
  [ -f "$program" ] || { echo "$program is missing"; status=1; continue; }
  copied=$(comm -12 <(own "$program") <(echo "$state"))
  if [ -n "$copied" ]; then
    echo "$program holds the library's own code beside the DLL:"
    echo "$copied" | head -5
    status=1
  fi
done
exit $status
