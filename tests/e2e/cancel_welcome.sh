# Cancel on the welcome page: answered No the page stays; answered Yes the installer
# ends (exit code 1) having removed welcome.rtf and the temporary folder, with no
# product file, chooser, setup.ini, setup.exe or deletion at restart. Started with
# /LOG=, it logs both questions with their answers, the removals and the exit code.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin cancel_welcome "$1"

log=$TVX_RUN_DIR'\install.log'
tvx_start_installer "$TVX_EXE" "/LOG=$log"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
ui_click "Quorvane" "Cancel"
dlg=$(ui_dialog "Quorvane")
expect_match "abort question" 'text "Abort the installation of Quorvane\?"' "$dlg"
ui_shot abort-question
ui_answer "Quorvane" "No"
sleep 0.5
expect_match "the page stays after No" 'caption="Quorvane"' "$(ui window "Quorvane")"
ui_click "Quorvane" "Cancel"
ui_answer "Quorvane" "Yes"
tvx_expect_exit 1
expect_eq "the temporary folder is removed" "" "$(tvx_temp_folders)"
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
expect_eq "the log's messages, answers, removals and exit code" \
  "$(printf '%s\n' 'Message shown, "Quorvane": Abort the installation of Quorvane?' 'Answered: No' \
      'Message shown, "Quorvane": Abort the installation of Quorvane?' 'Answered: Yes' \
      "Deleted $dir\\welcome.rtf" "Removed the folder $dir" 'Exit code 1: cancelled by the user')" \
  "$(tr -d '\r' <"$(tvx_unix "$log")" | sed -n '/^Message shown/,$p')"
echo "PASS"
