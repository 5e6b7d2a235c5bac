#!/usr/bin/env bash
# check-signing.sh X64_BUILD X86_BUILD UNSIGNED_KIT WORK: `make dist` with a throw-away
# certificate signs every binary of the kit so that `osslsigncode verify` accepts it, and each
# detached signature attached to the unsigned kit's file gives the signed file byte for byte.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
x64=${1:?X64_BUILD} x86=${2:?X86_BUILD} unsigned=${3:?UNSIGNED_KIT} work=${4:?WORK}
rm -rf "$work" && mkdir -p "$work/kit" && cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Pelmora test signer" \
  -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem 2>/dev/null
zip=$(PELMORA_SIGN_CERT=cert.pem PELMORA_SIGN_KEY=key.pem \
  bash "$here/../../scripts/pack-dist.sh" "$x64" "$x86" "$work/dist")
(cd kit && cmake -E tar xf "$zip")
count=0
while IFS= read -r -d '' file; do
  relative=${file#"$work/kit/"*/}
  osslsigncode verify -CAfile cert.pem -in "$file" >verify.log 2>&1 ||
    { cat verify.log >&2; echo "$relative: the signature does not verify" >&2; exit 1; }
  grep -q 'Message digest algorithm *: SHA256' verify.log ||
    { echo "$relative: not signed with SHA-256" >&2; exit 1; }
  osslsigncode attach-signature -sigin "dist/signatures/$relative.sig" -in "$unsigned/$relative" \
    -out attached >/dev/null
  cmp attached "$file" || { echo "$relative: unsigned + signature is not the signed file" >&2; exit 1; }
  rm attached
  count=$((count + 1))
done < <(find kit -type f \( -name '*.dll' -o -name '*.exe' \) -print0)
[ "$count" -eq 6 ] || { echo "signed $count binaries, expected 6" >&2; exit 1; }
echo "kit signed: $count binaries verify, each signature detaches and re-attaches"
