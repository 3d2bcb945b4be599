# TEMP on a 4 MiB drive T: (a memory file system mapped as a Wine drive).
# - /S: the chooser cannot be asked, so the run fails with exit code 3, the reason in
#   its log; nothing is left on T: and nothing is recorded for deletion.
# - /S /D=<folder with blanks, unquoted, parents missing>: the folders are made, the
#   product goes there, exit code 0; only what the run made is recorded for deletion.
# - /S /D= the same folder again, now holding the first run's files: a fresh folder
#   inside it takes the product; the first run's files stay byte for byte.
# - /S /D= a folder on T:, which runs full: the disk error is not retried, exit code 3,
#   T: as empty as before, nothing recorded.
# - /D= without /S, an empty folder that exists: the welcome page, then no chooser; the
#   product goes into the folder, which is not recorded for deletion (it was there).
# Skipped where no file system can be mounted.
set -euo pipefail
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
tvx_map_small_drive "$build" e2e-small-silent
mkdir -p "$TVX_SMALL/tmp"

tvx_test_begin silent_small_temp "$build" 'T:\tmp'
trap 'rc=$?; tvx_unmap_small_drive; tvx_test_end "$rc"' EXIT
log=$TVX_RUN_DIR'\install.log'
logfile=$(tvx_unix "$log")
free_before=$(df -B1 --output=avail "$TVX_SMALL" | tail -1)
# The log's lines of the latest run.
last_run() { tr -d '\r' <"$logfile" | awk '/^=== /{n=""} {n=n $0 "\n"} END{printf "%s", n}'; }
# The files directly in a folder, with their digests.
digests() { (cd "$(tvx_unix "$1")" && find . -maxdepth 1 -type f -exec sha256sum {} + | sort); }

echo "# /S, TEMP without room"
tvx_start_installer "$TVX_EXE" /S "/LOG=$log"
tvx_expect_exit 3
run=$(last_run)
expect_match "the log says why" \
  'Message not shown \(/S; taken as OK\), "Tellivox": Not enough space for Quorvane in T:\\tmp\\_ZK[0-9a-f]+\.tmp\. [0-9]+k bytes are needed to install this release\. There is not enough space on this drive\. Under /S the installer cannot ask for another folder: name one with /D=\.' "$run"
expect_eq "last line" "Exit code 3: failed" "$(tail -1 <<<"$run")"
expect_eq "nothing left in TEMP" "" "$(ls -A "$TVX_SMALL/tmp")"
expect_eq "deletions recorded" "" "$(tvx_pending)"

echo "# /S /D= a folder with blanks whose parents are missing"
dest=$TVX_RUN_DIR'\Program Files\Quorvane Setup'
tvx_start_installer "$TVX_EXE" /S "/LOG=$log" /D=$TVX_RUN_DIR'\Program' 'Files\Quorvane' Setup
tvx_expect_exit 0
tvx_wait_setup_report
expect_eq "setup.exe's current folder" "$dest" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
tvx_close_setup
run=$(last_run)
expect_line "the parent made" "Made the folder $TVX_RUN_DIR\\Program Files" "$run"
expect_line "the folder made" "Made the folder $dest" "$run"
expect_line "the destination" "Destination: $dest (/D=, made by this run)" "$run"
tmpdir=$(tvx_the_temp_folder)
# shellcheck disable=SC2086
expect_eq "deletions recorded: files, then the folders innermost first" \
  "$(tvx_expected_pending "$tmpdir" "$dest" "$dest" $TVX_PRODUCT_FILES
     printf '%s\n' "$TVX_RUN_DIR\\Program Files" "$tmpdir")" "$(tvx_pending)"
before=$(digests "$dest")

echo "# /S /D= the same folder, which now holds files"
wine reg delete "$TVX_SESSION_KEY" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1 || true
rm -f "$(tvx_unix "$TVX_SETUP_REPORT")"
tvx_start_installer "$TVX_EXE" /S "/LOG=$log" "/D=$dest"
tvx_expect_exit 0
tvx_wait_setup_report
tvx_close_setup
fresh=$(tvx_setup_report | sed -n 's/^cwd=//p')
expect_match "a fresh folder inside it" "^${dest//\\/\\\\}\\\\_ZK[0-9a-f]+\\.tmp\$" "$fresh"
expect_line "the log says so" "Destination: $fresh (a new folder in $dest of /D=, which was not empty)" "$(last_run)"
expect_eq "the first run's files stay as they were" "$before" "$(digests "$dest")"
tvx_pending | grep -qxF "$dest" && tvx_fail "$dest recorded for deletion"
tvx_pending | grep -qxF "$dest\\setup.exe" && tvx_fail "the first run's setup.exe recorded for deletion"
tvx_log "ok: nothing of the first run recorded for deletion"
wine reg delete "$TVX_SESSION_KEY" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1 || true
rm -rf "$(tvx_unix "$TVX_RUN_DIR\\Program Files")"
rm -rf "$TVX_SMALL/tmp/"*

echo "# /S /D= on T:, which runs full"
tvx_start_installer "$TVX_EXE" /S "/LOG=$log" '/D=T:\Quorvane'
tvx_expect_exit 3
run=$(last_run)
expect_match "the disk error, not shown" \
  'Message not shown \(/S; taken as Cancel\), "Error": There was an error writing to disk\.'$'\n''    Error: Stream write error' "$run"
expect_line "not retried" 'Message not shown (/S; taken as OK), "Tellivox": A disk error is not retried under /S.' "$run"
expect_eq "T: as empty as before" "tmp" "$(ls -A "$TVX_SMALL")"
expect_eq "nothing left in TEMP" "" "$(ls -A "$TVX_SMALL/tmp")"
expect_eq "the drive's free space is back" "$free_before" "$(df -B1 --output=avail "$TVX_SMALL" | tail -1)"
expect_eq "deletions recorded" "" "$(tvx_pending)"

echo "# /D= an empty folder that exists, with the window"
empty=$TVX_RUN_DIR'\Empty'
mkdir -p "$(tvx_unix "$empty")"
rm -f "$(tvx_unix "$TVX_SETUP_REPORT")"
tvx_start_installer "$TVX_EXE" "/D=$empty"
ui_wait "Quorvane"
ui_click "Quorvane" "Continue"
# The chooser, were it shown, would hold the run before setup.exe.
tvx_wait_setup_report
tvx_expect_exit 0
expect_eq "setup.exe's current folder" "$empty" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
tmpdir=$(tvx_the_temp_folder)
# shellcheck disable=SC2086
expect_eq "deletions recorded: the files, not the folder that was there" \
  "$(tvx_expected_pending "$tmpdir" "$empty" "$tmpdir" $TVX_PRODUCT_FILES)" "$(tvx_pending)"
echo "PASS"
