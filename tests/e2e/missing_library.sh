# A system library that cannot be loaded: the installer says so in its fatal-error
# dialog, before any window of its own and before it makes any folder, and ends when
# OK is pressed, with exit code 3; under /S it shows nothing and writes the dialog's text
# into its log. Wine is told not to load the rich-edit libraries (RICHED20 and
# RICHED32, which Wine builds on it), as on a Windows that lacks both.
# Usage: missing_library.sh BUILD [INSTALLER]  (default BUILD/demo/Tellivox.exe)
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin missing_library "$1"
installer=${2:-$TVX_EXE}

WINEDLLOVERRIDES="riched20,riched32=" wine "$installer" </dev/null >/dev/null 2>&1 &
tvx_installer_pid=$!
ui_wait "Error"
ui_shot fatal-error
expect_match "the fatal error names the library" \
  'text="Tellivox encountered the following unrecoverable error:.*Cannot load the system library [A-Za-z]:\\.*\\riched32\.dll.*Please contact product support for assistance\."' \
  "$(ui controls "Error" | tr '\n' ' ')"
ui gone "Quorvane Installer" 100 >/dev/null || tvx_fail "the main window was shown"
ui_click "Error" "OK"
tvx_expect_exit 3
expect_eq "temporary folders made" "" "$(tvx_temp_folders)"

echo "# under /S"
log=$TVX_RUN_DIR'\install.log'
tvx_watch_unseen "$(basename "$installer")"
WINEDLLOVERRIDES="riched20,riched32=" wine "$installer" /S "/LOG=$log" </dev/null >/dev/null 2>&1 &
tvx_installer_pid=$!
tvx_expect_exit 3
tvx_expect_unseen
expect_match "the fatal error, in the log" \
  'Message not shown \(/S; taken as OK\), "Error": Tellivox encountered the following unrecoverable error:'$'\n''    Cannot load the system library' \
  "$(tr -d '\r' <"$(tvx_unix "$log")")"
expect_eq "temporary folders made" "" "$(tvx_temp_folders)"
echo "PASS"
