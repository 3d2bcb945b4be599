#!/usr/bin/env bash
# Signs a Windows executable (Authenticode, SHA-256) in place with osslsigncode, without
# a timestamp server, so it needs no network. Usage: scripts/sign.sh EXE CERT KEY
#   CERT  the code-signing certificate (PEM or DER, may hold the chain)
#   KEY   its private key (PEM or DER, unencrypted)
# The signature covers the whole executable, the archives it carries included; check it
# with `osslsigncode verify -in EXE` (and -CAfile for a certificate of your own).
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 EXE CERT KEY" >&2
  exit 2
fi
exe=$1 cert=$2 key=$3
for f in "$exe" "$cert" "$key"; do
  [ -f "$f" ] || { echo "$0: $f: no such file" >&2; exit 1; }
done
# osslsigncode writes a new file; it goes beside EXE, then takes its place.
work=$(mktemp -d "$(dirname "$exe")/.sign.XXXXXX")
trap 'rm -rf "$work"' EXIT
osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n "Quorvane installer" \
  -in "$exe" -out "$work/signed.exe" >/dev/null
# The signed file takes EXE's place with EXE's permissions (an executable stays one).
chmod --reference="$exe" "$work/signed.exe"
mv -f "$work/signed.exe" "$exe"
echo "signed $exe"
