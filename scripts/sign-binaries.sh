#!/usr/bin/env bash
# sign-binaries.sh TREE SIGNATURES: signs every .dll and .exe under TREE in place (Authenticode,
# SHA-256) with PELMORA_SIGN_CERT and PELMORA_SIGN_KEY (PELMORA_SIGN_PASS, PELMORA_TIMESTAMP_URL
# optional; see scripts/pack-dist.sh), and keeps each signature detached in SIGNATURES at the
# file's path with ".sig" added.
#
# A signature is an addition to the file, never a change of its code: the unsigned file a rebuild
# gives plus the release's signature (osslsigncode attach-signature) is the release's file, byte
# for byte, which is how a signed release is checked against a rebuild (docs/api.md).
set -euo pipefail
tree=${1:?TREE} signatures=${2:?SIGNATURES}
: "${PELMORA_SIGN_CERT:?the code-signing certificate}" "${PELMORA_SIGN_KEY:?its private key}"
options=(-h sha256 -certs "$PELMORA_SIGN_CERT" -key "$PELMORA_SIGN_KEY" -n Pelmora)
[ -z "${PELMORA_SIGN_PASS:-}" ] || options+=(-pass "$PELMORA_SIGN_PASS")
# An RFC 3161 server (the form current systems expect for SHA-256 signatures).
[ -z "${PELMORA_TIMESTAMP_URL:-}" ] || options+=(-ts "$PELMORA_TIMESTAMP_URL")
while IFS= read -r -d '' file; do
  relative=${file#"$tree"/}
  mkdir -p "$(dirname "$signatures/$relative")"
  osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" >/dev/null
  mv "$file.signed" "$file"
  osslsigncode extract-signature -in "$file" -out "$signatures/$relative.sig" >/dev/null
done < <(find "$tree" -type f \( -name '*.dll' -o -name '*.exe' \) -print0 | sort -z)
