# A temporary-files folder named in Cyrillic, which the ANSI code page cannot represent
# (as for a user whose name is in another script than the system's language): the
# installer reaches it through its short (8.3) form, makes its _ZK....tmp folder inside
# it, installs there and starts setup.exe there. Nothing goes to a drive's root.
set -euo pipefail
# Wine takes Unix file names and command-line arguments in the locale's character set.
export LC_ALL=C.UTF-8
source "$(dirname "$0")/common.sh"
tvx_test_begin temp_cyrillic "$1" 'C:\tvx\temp_cyrillic\Иван'
short=$(tvx_short_path "$TVX_TEMP")
tvx_log "Wine's short form of $TVX_TEMP: $short"
expect_match "the short form is plain ASCII" '^[ -~]+$' "$short"

tvx_mark_root_files
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane" 30000
name=$(basename "$(tvx_the_temp_folder | tr '\\' /)")
dir=$short'\'$name
expect_eq "welcome.rtf expanded into it" "$(tr -d '\r' <"$TVX_SOURCE/demo/welcome.rtf")" \
  "$(tr -d '\r' <"$(tvx_unix "$TVX_TEMP")/$name/welcome.rtf")"
ui_click "Quorvane" "Continue"
tvx_wait_setup_report
ui_wait "Quorvane Setup"
ui_shot setup-exe
tvx_expect_exit 0
expect_eq "setup.exe's current folder" "$dir" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
expect_eq "setup.exe's command line" "\"$dir\\setup.exe\"" \
  "$(tvx_setup_report | sed -n 's/^cmdline=//p' | sed 's/ *$//')"
# shellcheck disable=SC2086
expect_eq "files in the temporary folder" \
  "$(printf '%s\n' welcome.rtf $TVX_PRODUCT_FILES | sort)" \
  "$(ls "$(tvx_unix "$TVX_TEMP")/$name" | sort)"
tvx_expect_no_root_files
# shellcheck disable=SC2086
expect_eq "deletions recorded" "$(tvx_expected_pending "$dir" "$dir" "$dir" $TVX_PRODUCT_FILES)" \
  "$(tvx_pending)"
echo "PASS"
