# A second copy started while the first runs ends at once, with exit code 0, showing
# nothing and creating no folder.
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
expect_eq "no second temporary folder" "$dir" "$(tvx_temp_folders)"
ui_shot only-the-first-copy
# The first copy is unharmed: it still runs its welcome page.
ui_click "Quorvane" "Cancel"
ui_answer "Quorvane" "Yes"
tvx_expect_exit 1
expect_eq "the first copy removed its folder" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
