# A product archive with one byte changed (inside a stored entry): the extraction stops
# at that entry without a word, setup.exe is not started, no later entry is written.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin damaged_archive "$1"

tvx_start_installer "$TVX_BUILD/demo/Tellivox_damaged.exe"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
ui_click "Quorvane" "Continue"
ui_shot extracting
tvx_wait_installer_end
expect_eq "installer exit code" 0 "$TVX_INSTALLER_RC"
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
# The damaged entry is qvsounds.pak, the tenth; it is written, damaged, and nothing after.
expected="setup.exe setup.ini qvclient.exe qvcore.dll qvnet.dll qvui.dll qvhelp.hlp readme.txt license.txt qvsounds.pak"
# shellcheck disable=SC2086
expect_eq "deletions recorded" "$(tvx_expected_pending "$dir" "$dir" "$dir" $expected)" "$(tvx_pending)"
# shellcheck disable=SC2086
expect_eq "files written" "$(printf '%s\n' welcome.rtf $expected | sort)" "$(ls "$(tvx_unix "$dir")" | sort)"
echo "PASS"
