# Signing: a throw-away certificate made with openssl signs a copy of the installer
# (scripts/sign.sh), which keeps its file mode; osslsigncode verifies it; one changed byte of the payload breaks
# the verification; the signed installer runs its whole road to setup.exe under Wine.
# Usage: signing.sh BUILD [INSTALLER]  (default BUILD/demo/Tellivox.exe)
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin signing "$1"
installer=${2:-$TVX_EXE}
work=$(mktemp -d)
trap 'rc=$?; set +e; rm -rf "$work"; (exit $rc); tvx_test_end' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tellivox test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" \
  2>/dev/null
cp "$installer" "$work/Tellivox.exe"
chmod 751 "$work/Tellivox.exe"
bash "$TVX_SOURCE/scripts/sign.sh" "$work/Tellivox.exe" "$work/cert.pem" "$work/key.pem" >/dev/null
expect_eq "file mode after signing" 751 "$(stat -c %a "$work/Tellivox.exe")"
verify() { osslsigncode verify -in "$1" -CAfile "$work/cert.pem" >"$work/verify.txt" 2>&1; }
verify "$work/Tellivox.exe" || { cat "$work/verify.txt"; tvx_fail "the signed installer does not verify"; }
tvx_log "ok: the signed installer verifies"
grep -q 'SHA256' "$work/verify.txt" || tvx_fail "the signature is not SHA-256"
tvx_log "ok: SHA-256"

# One byte in the middle of the product archive (the bulk of the file) changed.
cp "$work/Tellivox.exe" "$work/damaged.exe"
size=$(stat -c %s "$work/damaged.exe")
offset=$((size / 2))
old=$(od -An -tu1 -j "$offset" -N1 "$work/damaged.exe" | tr -d ' ')
printf "$(printf '\\%03o' $(( (old + 1) % 256 )))" |
  dd of="$work/damaged.exe" bs=1 seek="$offset" conv=notrunc status=none
verify "$work/damaged.exe" && tvx_fail "a changed payload byte still verifies"
tvx_log "ok: one changed byte breaks the verification"

signed='C:\tvx\signing\Tellivox.exe'
cp "$work/Tellivox.exe" "$(tvx_unix "$signed")"
TVX_T0_NS=$(date +%s%N)
tvx_start_installer "$signed"
tvx_drive_normal_road
tvx_expect_exit 0
echo "PASS"
