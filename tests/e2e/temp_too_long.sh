# Temporary-files folder paths too long for a temporary folder's name (247 to 255
# characters as the system answers them, trailing backslash included, where Windows
# forms no temporary name) or for the answer itself (256 characters and more): each
# ends in the standard error report naming the folder. Nothing is written, neither in
# the folder nor at a drive's root, and nothing is recorded for deletion.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin temp_too_long "$1"

for length in 247 255 256; do
  # A folder whose path, with the backslash that the system adds, has that length: a
  # deep tree of long names, as redirected or roaming profile folders make.
  temp='C:\tvx\temp_too_long\'$length
  n=0
  while [ $(( ${#temp} + 2 )) -lt "$length" ]; do
    n=$((n + 1))
    part="A folder with a rather long name $n"
    room=$(( length - ${#temp} - 2 ))
    [ "${#part}" -le "$room" ] || part=${part:0:$room}
    part=${part% }
    temp=$temp'\'$part
  done
  expect_eq "answer length" "$length" $(( ${#temp} + 1 ))
  mkdir -p "$(tvx_unix "$temp")"
  tvx_set_temp "$temp"
  wine reg delete "$TVX_SESSION_KEY" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1 || true

  tvx_mark_root_files
  tvx_start_installer "$TVX_EXE"
  ui_wait "Quorvane Installer"
  dlg=$(ui_dialog "Quorvane Installer")
  expect_match "$length: report caption" 'caption="Tellivox"' "$dlg"
  expect_eq "$length: report text" "text \"Cannot create temporary folder ${temp//\\/\\\\}.\"" \
    "$(grep '^text ' <<<"$dlg")"
  ui_shot "error-report-$length"
  ui_answer "Quorvane Installer" "OK"
  tvx_expect_exit 3
  expect_eq "$length: nothing written in the run's folder" "" \
    "$(find "$(tvx_unix "$TVX_RUN_DIR")" -type f)"
  expect_eq "$length: no folder made in the temporary-files folder" "" \
    "$(ls -A "$(tvx_unix "$temp")")"
  tvx_expect_no_root_files
  expect_eq "$length: deletions recorded" "" "$(tvx_pending)"
done
echo "PASS"
