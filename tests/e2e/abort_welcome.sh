# An abort confirmed while the welcome archive is expanded is a cancel: no error report,
# no welcome page, deletions recorded, the installer ends. (The variant's welcome
# archive carries large files so that there is time to click Cancel.)
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin abort_welcome "$1"

tvx_start_installer "$TVX_BUILD/demo/Tellivox_bigwelcome.exe"
ui_wait "Quorvane Installer"
ui_wait_text "Quorvane Installer" Label1 '^Unpacking [0-9]+-qv'
ui_batch 'click "Quorvane Installer" cmdCancel' 'dialog "Quorvane Installer"' \
  'answer "Quorvane Installer" Yes' >"$TVX_SHOTS/driver.out" ||
  tvx_fail "driver: $(cat "$TVX_SHOTS/driver.out")"
grep -q 'caption="Confirm"' "$TVX_SHOTS/driver.out" ||
  tvx_fail "no confirmation during the welcome expansion: $(cat "$TVX_SHOTS/driver.out")"
ui_shot after-abort
tvx_wait_installer_end
expect_eq "installer exit code" 0 "$TVX_INSTALLER_RC"
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
dir=$(tvx_the_temp_folder)
pending=$(tvx_pending)
expect_eq "the folder is recorded last" "$dir" "$(tail -1 <<<"$pending")"
expect_eq "welcome.rtf recorded first" "$dir\\welcome.rtf" "$(head -1 <<<"$pending")"
expect_eq "exactly the announced files exist" "$(sed '$d' <<<"$pending" | sed 's/.*\\//' | sort)" \
  "$(ls "$(tvx_unix "$dir")" | sort)"
echo "PASS"
