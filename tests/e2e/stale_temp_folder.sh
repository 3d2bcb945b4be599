# Folders "_ZK<n>.tmp" left in TEMP by earlier runs, each holding a stale qvold.dll, for
# every number the temporary folder's name can take but one: whichever number the run
# draws, it passes over the stale folders and makes the free one, installs there and
# starts setup.exe there; the stale folders keep exactly their file, and nothing of them
# is recorded for deletion.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin stale_temp_folder "$1"
temp=$(tvx_unix "$TVX_TEMP")
free=123
for n in $(seq 254); do
  [ "$n" = "$free" ] && continue
  mkdir "$temp/$(printf '_ZK%x.tmp' "$n")"
  printf 'stale' >"$temp/$(printf '_ZK%x.tmp' "$n")/qvold.dll"
done

TVX_T0_NS=$(date +%s%N)
tvx_start_installer "$TVX_EXE"
tvx_drive_normal_road
tvx_expect_exit 0
dir=$TVX_TEMP'\'$(printf '_ZK%x.tmp' "$free")
expect_eq "setup.exe runs in the one free folder" "$(tr 'A-Z' 'a-z' <<<"$dir")" \
  "$(tvx_setup_report | sed -n 's/^cwd=//p' | tr 'A-Z' 'a-z')"
dir=$(tvx_setup_report | sed -n 's/^cwd=//p')
# shellcheck disable=SC2086
expect_eq "files in it" "$(printf '%s\n' welcome.rtf $TVX_PRODUCT_FILES | sort)" \
  "$(ls "$(tvx_unix "$dir")" | sort)"
stale=$(for d in "$temp"/_ZK*; do
  [ "$d" = "$(tvx_unix "$dir")" ] || printf '%s %s\n' "$(ls -A "$d")" "$(cat "$d/qvold.dll")"
done | sort | uniq -c | sed 's/^ *//')
expect_eq "the stale folders keep their file alone" "253 qvold.dll stale" "$stale"
# shellcheck disable=SC2086
expect_eq "deletions recorded" "$(tvx_expected_pending "$dir" "$dir" "$dir" $TVX_PRODUCT_FILES)" \
  "$(tvx_pending)"
echo "PASS"
