# Ample free space: welcome page, Continue, no chooser; the 18 files land in the new
# temporary folder, setup.ini is rewritten, setup.exe runs from that folder, and every
# file and then the folder are recorded for deletion at restart, in order.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin ample_space "$1"

TVX_T0_NS=$(date +%s%N)
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane Installer"
ui_wait "Quorvane"
ui_shot welcome-page
expect_eq "status line under the welcome page" "Unpacking welcome.rtf" "$(ui_text "Quorvane Installer" Label1)"
expect_eq "destination line before it is settled" "Extracting to..." "$(ui_text "Quorvane Installer" lblDest)"
dir=$(tvx_the_temp_folder)
expect_eq "welcome.rtf expanded into it" "$(tr -d '\r' <"$TVX_SOURCE/demo/welcome.rtf")" \
  "$(tr -d '\r' <"$(tvx_unix "$dir")/welcome.rtf")"

# The extraction may be over in a fraction of a second: the driver presses Continue and
# then reads the destination line without pause, while the window still shows it.
ui_batch 'click "Quorvane" Continue' \
  "waittext \"Quorvane Installer\" lblDest \"Extracting to ${dir//\\/\\\\}\" 20000" \
  >"$TVX_SHOTS/driver.out" || tvx_fail "destination line: $(cat "$TVX_SHOTS/driver.out")"
tvx_log "ok: destination line"
ui_shot extracting
tvx_wait_setup_report
ui_wait "Quorvane Setup"
ui_shot setup-exe
tvx_expect_exit 0
ui gone "Select Destination" 100 >/dev/null || tvx_fail "the chooser was shown"

expect_eq "setup.exe's current folder" "$dir" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
expect_eq "setup.exe's command line" "\"$dir\\setup.exe\"" "$(tvx_setup_report | sed -n 's/^cmdline=//p' | sed 's/ *$//')"
# shellcheck disable=SC2086
expect_eq "files in the temporary folder" \
  "$(printf '%s\n' welcome.rtf $TVX_PRODUCT_FILES | sort)" "$(ls "$(tvx_unix "$dir")" | sort)"
ini=$(tr -d '\r' <"$(tvx_unix "$dir")/setup.ini")
expect_eq "setup.ini's first five lines" \
  "$(printf '[Startup]\nGateway=%s\nProdLevel=%s\nEmailDomain=%s\nAppName=Quorvane' \
     "$(tvx_cache_value TVX_GATEWAY)" "$(tvx_cache_value TVX_PRODUCT_LEVEL)" \
     "$(tvx_cache_value TVX_EMAIL_DOMAIN)")" \
  "$(printf '%s\n' "$ini" | head -5)"
expect_eq "setup.ini keeps its other lines" "Product=Quorvane" "$(printf '%s\n' "$ini" | sed -n 6p)"
expect_eq "setup.ini lines end in CR LF" "$(grep -c . "$(tvx_unix "$dir")/setup.ini")" \
  "$(grep -c $'\r$' "$(tvx_unix "$dir")/setup.ini")"
# shellcheck disable=SC2086
expect_eq "deletions recorded" "$(tvx_expected_pending "$dir" "$dir" "$dir" $TVX_PRODUCT_FILES)" \
  "$(tvx_pending)"
echo "PASS"
