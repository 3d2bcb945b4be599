# A welcome archive whose header is damaged (though its check record matches: the
# installer was packed so): the installer says it is damaged before it writes anything,
# and ends with exit code 2, having made no folder and recorded nothing.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin bad_welcome "$1"

tvx_start_installer "$TVX_BUILD/demo/Tellivox_badwelcome.exe"
ui_wait "Quorvane Installer"
dlg=$(ui_dialog "Quorvane Installer")
expect_match "report caption" 'caption="Error"' "$dlg"
expect_eq "report text" \
  'text "The installer is damaged and cannot be used. Please download it again.\r\n\r\nWELCOME: Can'"'"'t recognize compressed file header"' \
  "$(grep '^text ' <<<"$dlg")"
ui_shot damaged
ui_answer "Quorvane Installer" "OK"
tvx_expect_exit 2
expect_eq "no temporary folder made" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
