# A second copy started while the first runs ends at once, with exit code 0, showing
# nothing and creating no folder; with /S or /WAIT it answers 4 instead, and says so in
# its log.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin second_instance "$1"

tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
t0=$(date +%s%N)
rc=0
timeout 30 wine "$TVX_EXE" </dev/null >/dev/null 2>&1 || rc=$?
ms=$(( ($(date +%s%N) - t0) / 1000000 ))
expect_eq "second copy's exit code" 0 "$rc"
tvx_log "second copy ended after $ms ms"
[ "$ms" -lt 10000 ] || tvx_fail "the second copy took $ms ms"
for switch in /S /wait; do
  rc=0
  timeout 30 wine "$TVX_EXE" $switch '/LOG=C:\tvx\second_instance\second.log' </dev/null >/dev/null 2>&1 || rc=$?
  expect_eq "second copy's exit code with $switch" 4 "$rc"
done
expect_eq "its log says why, each time" \
  "$(printf 'Exit code 4: another copy of the installer is running\n%.0s' 1 2)" \
  "$(tr -d '\r' <"$(tvx_unix 'C:\tvx\second_instance\second.log')" | grep '^Exit code')"
expect_eq "no second temporary folder" "$dir" "$(tvx_temp_folders)"
ui_shot only-the-first-copy
# The first copy is unharmed: it still runs its welcome page.
ui_click "Quorvane" "Cancel"
ui_answer "Quorvane" "Yes"
tvx_expect_exit 1
expect_eq "the first copy removed its folder" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
