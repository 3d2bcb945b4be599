# A folder of the user's picked in the chooser (C:\...\MyDocs, holding the user's own
# readme.txt and setup.ini). TEMP lies on a 4 MiB drive T: so that the chooser is
# shown. First "C&reate New" twice, answered with Cancel in the input box and with a
# name no folder can have: each says "Unable to create directory" and the chooser stays
# open. Then MyDocs, OK: the product goes into a fresh folder made inside it, which the
# status line and setup.exe's current folder name; the user's files stay byte for byte
# and none of them, nor MyDocs, is recorded for deletion. Skipped where no file system
# can be mounted.
set -euo pipefail
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
tvx_map_small_drive "$build" e2e-small-user-folder
mkdir -p "$TVX_SMALL/tmp"

tvx_test_begin chooser_user_folder "$build" 'T:\tmp'
trap 'rc=$?; tvx_unmap_small_drive; tvx_test_end "$rc"' EXIT
mydocs=$TVX_RUN_DIR'\MyDocs'
mkdir -p "$(tvx_unix "$mydocs")"
printf 'My own notes\r\n' >"$(tvx_unix "$mydocs")/readme.txt"
printf '[Mine]\r\nKeep=this\r\n' >"$(tvx_unix "$mydocs")/setup.ini"
before=$(cd "$(tvx_unix "$mydocs")" && sha256sum readme.txt setup.ini)

dlg="Select Destination"
# Opens the subfolder NAME in the folder list (a double click), and waits for the list
# to be rebuilt inside it (which highlights the root entry).
open_folder() {
  local index
  index=$(ui items "$dlg" DL1 | sed -n "s/^item \([0-9]*\) \"$1\"\$/\1/p" | tail -1)
  [ -n "$index" ] && [ "$index" != 0 ] ||
    tvx_fail "no folder $1 in the list: $(ui items "$dlg" DL1 | tr '\n' ' ')"
  ui open "$dlg" DL1 "$index" >/dev/null
  for _ in $(seq 100); do
    ui items "$dlg" DL1 | grep -qx 'selected 0' && return 0
    sleep 0.1
  done
  tvx_fail "the folder list did not open $1"
}

tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
tmpdir=$(tvx_the_temp_folder)
ui_click "Quorvane" "Continue"
ui_wait "$dlg"
for typed in '' "$TVX_RUN_DIR\\bad|name"; do
  ui_click "$dlg" cmdCreate
  ui_wait "Destination"
  if [ -z "$typed" ]; then
    ui_click "Destination" Cancel
  else
    ui type "Destination" Edit "$typed" >/dev/null || tvx_fail "cannot type the name"
    ui_click "Destination" OK
  fi
  what=${typed:+Create New with $typed}
  expect_match "${what:-Create New, cancelled}" 'text "Unable to create directory"' \
    "$(ui_dialog "$dlg")"
  ui_shot unable-to-create
  ui_answer "$dlg" OK
  ui_gone "Error"
  sleep 0.5
  ui window "$dlg" >/dev/null || tvx_fail "the chooser closed"
  tvx_log "ok: the chooser stays open"
done

c=$(ui items "$dlg" DC1 | sed -n 's/^item \([0-9]*\) "C"$/\1/p')
ui pick "$dlg" DC1 "$c" >/dev/null || tvx_fail "cannot pick drive C:"
ui_wait_text "$dlg" lblFolder '^C:\\$'
for part in tvx chooser_user_folder MyDocs; do open_folder "$part"; done
ui_shot mydocs
ui_batch "click \"$dlg\" cmdOK" 'waitchange "Quorvane Installer" lblDest "Extracting to..." 20000' \
  >"$TVX_SHOTS/driver.out" || tvx_fail "driver: $(cat "$TVX_SHOTS/driver.out")"
tvx_wait_setup_report
tvx_expect_exit 0
dest=$(tvx_setup_report | sed -n 's/^cwd=//p')
expect_match "setup.exe runs in a fresh folder inside MyDocs" "^${mydocs//\\/\\\\}\\\\_ZK[0-9a-fA-F]+\\.tmp\$" "$dest"
expect_eq "the status line names it" "text \"Extracting to ${dest//\\/\\\\}\"" "$(sed -n 's/^text /text /p' "$TVX_SHOTS/driver.out")"
expect_eq "the user's files, byte for byte" "$before" \
  "$(cd "$(tvx_unix "$mydocs")" && sha256sum readme.txt setup.ini)"
expect_eq "MyDocs holds the user's files and the fresh folder" \
  "$(printf '%s\n' readme.txt setup.ini "$(basename "${dest//\\//}")" | sort)" \
  "$(ls "$(tvx_unix "$mydocs")" | sort)"
# shellcheck disable=SC2086
expect_eq "deletions recorded" \
  "$(tvx_expected_pending "$tmpdir" "$dest" "$dest" $TVX_PRODUCT_FILES; echo "$tmpdir")" "$(tvx_pending)"
echo "PASS"
