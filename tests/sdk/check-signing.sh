#!/usr/bin/env bash
# check-signing.sh X64_BUILD X86_BUILD UNSIGNED_KIT WORK: `make dist` with a throw-away certificate
# signs each binary so that `osslsigncode verify` accepts it, and each detached signature
# attached to the unsigned kit's file gives the signed file byte for byte.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
x64=${1:?X64_BUILD} x86=${2:?X86_BUILD} unsigned=${3:?UNSIGNED_KIT} work=${4:?WORK}
rm -rf "$work" && mkdir -p "$work/kit" && cd "$work"
# A root that the check trusts and a code-signing certificate it issued.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Pelmora test root" -keyout ca.key \
  -out ca.pem 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=Pelmora test signer" -keyout key.pem 2>/dev/null |
  openssl x509 -req -CA ca.pem -CAkey ca.key -days 2 -out cert.pem \
    -extfile <(echo extendedKeyUsage=codeSigning) 2>/dev/null
zip=$(PELMORA_SIGN_CERT=cert.pem PELMORA_SIGN_KEY=key.pem \
  bash "$here/../../scripts/pack-dist.sh" "$x64" "$x86" "$work/dist")
(cd kit && cmake -E tar xf "$zip")
for relative in $(grep '^bin/' "$here/dist-layout.txt"); do
  file=$(echo kit/*/"$relative")
  osslsigncode verify -CAfile ca.pem -in "$file" >verify.log 2>&1 &&
    grep -q 'Message digest algorithm *: SHA256' verify.log ||
    { cat verify.log >&2; echo "$relative: no SHA-256 signature that verifies" >&2; exit 1; }
  rm -f attached && osslsigncode attach-signature -CAfile ca.pem -in "$unsigned/$relative" \
    -sigin "dist/signatures/$relative.sig" -out attached >/dev/null
  cmp attached "$file" || { echo "$relative: unsigned + signature is not the signed file" >&2; exit 1; }
done
echo "kit signed: every binary verifies, each signature detaches and re-attaches"
