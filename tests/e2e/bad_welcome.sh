# An error during preparation (a welcome archive whose header is damaged) reaches the
# standard error report; after it the temporary folder is recorded for deletion and
# the installer ends instead of leaving a window without title-bar buttons.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin bad_welcome "$1"

tvx_start_installer "$TVX_BUILD/demo/Tellivox_badwelcome.exe"
ui_wait "Quorvane Installer"
dlg=$(ui_dialog "Quorvane Installer")
expect_match "report caption" 'caption="Tellivox"' "$dlg"
expect_match "report text" "text \"Can't recognize compressed file header\\.\"" "$dlg"
ui_shot error-report
ui_answer "Quorvane Installer" "OK"
tvx_wait_installer_end
expect_eq "installer exit code" 0 "$TVX_INSTALLER_RC"
dir=$(tvx_the_temp_folder)
expect_eq "nothing expanded" "" "$(ls "$(tvx_unix "$dir")")"
expect_eq "deletions recorded" "$dir" "$(tvx_pending)"
echo "PASS"
