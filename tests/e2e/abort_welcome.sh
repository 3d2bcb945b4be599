# An abort confirmed while the welcome archive is expanded is a cancel: no error report,
# no welcome page, everything written removed at once, the installer ends. (The variant's welcome
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
tvx_expect_exit 1
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
expect_eq "the temporary folder is removed" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
