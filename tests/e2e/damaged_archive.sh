# A product archive with one byte changed inside a stored entry, though its check record
# matches (the installer was packed so): the extraction stops at that entry and says the
# installer is damaged, naming the entry; setup.exe is not started, no later entry is
# written, and everything written is removed at once; exit code 2. Under /S the same,
# without the box (not even for a moment): its text goes to the log.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin damaged_archive "$1"

tvx_start_installer "$TVX_BUILD/demo/Tellivox_damaged.exe"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
ui_click "Quorvane" "Continue"
dlg=$(ui_dialog "Quorvane Installer")
ui_shot damaged
expect_match "report caption" 'caption="Error"' "$dlg"
# The damaged entry is qvsounds.pak, the tenth.
expect_eq "report text" \
  'text "The installer is damaged and cannot be used. Please download it again.\r\n\r\n\\\\qvbuild\\release\\quorvane\\qvsounds.pak: Bad checksum during expansion -- data may be invalid"' \
  "$(grep '^text ' <<<"$dlg")"
expect_eq "no disk-error prompt: one OK button" 'button "OK"' "$(grep '^button ' <<<"$dlg")"
# Until the report is answered the files up to the damaged one exist, and none after it.
expected="setup.exe setup.ini qvclient.exe qvcore.dll qvnet.dll qvui.dll qvhelp.hlp readme.txt license.txt qvsounds.pak"
# shellcheck disable=SC2086
expect_eq "files written" "$(printf '%s\n' welcome.rtf $expected | sort)" "$(ls "$(tvx_unix "$dir")" | sort)"
ui_answer "Quorvane Installer" "OK"
tvx_expect_exit 2
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
expect_eq "the folder is removed" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"

echo "# under /S"
log=$TVX_RUN_DIR'\install.log'
tvx_watch_unseen Tellivox_damaged.exe
tvx_start_installer "$TVX_BUILD/demo/Tellivox_damaged.exe" /S "/LOG=$log"
tvx_expect_exit 2
tvx_expect_unseen
expect_line "the report, in the log" \
  'Message not shown (/S; taken as OK), "Error": The installer is damaged and cannot be used. Please download it again.' \
  "$(tr -d '\r' <"$(tvx_unix "$log")")"
expect_line "with what failed" \
  '    \\qvbuild\release\quorvane\qvsounds.pak: Bad checksum during expansion -- data may be invalid' \
  "$(tr -d '\r' <"$(tvx_unix "$log")")"
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
expect_eq "the folder is removed" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
