# A packed installer damaged as a download can be: one byte changed in an entry's data,
# in an entry header, in a stored path, in the welcome archive; its product archive cut
# by a byte or extended by one; and the stub, which carries no payload and no check
# record. Each run says, before it writes anything, that the installer is damaged and
# what failed, and ends with exit code 2 when that is answered: no folder made, nothing
# recorded for deletion, no setup.exe.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin damaged_installer "$1"
/usr/bin/python3 -c 'import pefile' 2>/dev/null || { echo "SKIP: python3-pefile missing"; exit 77; }
size=$(/usr/bin/python3 - "$TVX_EXE" <<'PY'
import sys, pefile
pe = pefile.PE(sys.argv[1])
for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
    for n in (t.directory.entries if t.name is not None and str(t.name) == "TQUILLOX" else []):
        if str(n.name) == "QUORV": print(n.directory.entries[0].data.struct.Size)
PY
)
differs='The archive QUORV does not have the bytes that were packed'

expect_damaged() {  # what, installer, expected detail
  tvx_log "-- $1"
  tvx_start_installer "$2"
  local dlg
  dlg=$(ui_dialog "Quorvane Installer")
  ui_shot "$1"
  expect_match "$1: caption" 'caption="Error"' "$dlg"
  expect_eq "$1: text" \
    "text \"The installer is damaged and cannot be used. Please download it again.\\r\\n\\r\\n$3\"" \
    "$(grep '^text ' <<<"$dlg")"
  ui_answer "Quorvane Installer" "OK"
  tvx_expect_exit 2
  expect_eq "$1: no folder made" "" "$(ls -A "$(tvx_unix "$TVX_TEMP")")"
  expect_eq "$1: deletions recorded" "" "$(tvx_pending)"
  expect_eq "$1: setup.exe not started" "" "$(tvx_setup_report)"
}

for mode in data header path welcome cut extended; do
  /usr/bin/python3 "$TVX_SOURCE/tests/e2e/damage_installer.py" "$mode" "$TVX_EXE" \
    "$(tvx_unix "$TVX_RUN_DIR")/$mode.exe" >"$TVX_SHOTS/$mode.txt"
  tvx_log "$(cat "$TVX_SHOTS/$mode.txt")"
done
expect_damaged "one byte of an entry's data" "$TVX_RUN_DIR\\data.exe" "$differs"
expect_damaged "one byte of an entry header" "$TVX_RUN_DIR\\header.exe" "$differs"
expect_damaged "one byte of a stored path" "$TVX_RUN_DIR\\path.exe" "$differs"
expect_damaged "one byte of the welcome archive" "$TVX_RUN_DIR\\welcome.exe" \
  'The archive WELCOME does not have the bytes that were packed'
expect_damaged "the product archive cut" "$TVX_RUN_DIR\\cut.exe" \
  "The archive QUORV holds $((size - 1)) bytes; $size were packed"
expect_damaged "the product archive extended" "$TVX_RUN_DIR\\extended.exe" \
  "The archive QUORV holds $((size + 1)) bytes; $size were packed"
expect_damaged "no check record (the stub)" "$TVX_BUILD/installer/TellivoxStub.exe" 'Its check record is missing'
echo "PASS"
