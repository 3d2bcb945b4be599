# The installer started from a folder whose name the ANSI code page cannot hold
# (...\Загрузки on a Western-language system) and from a path of 270 characters: the
# build values still reach setup.ini, read from the installer's own version resource
# rather than through its file's path.
set -euo pipefail
# Wine takes Unix file names and command-line arguments in the locale's character set.
export LC_ALL=C.UTF-8
source "$(dirname "$0")/common.sh"
tvx_test_begin start_folder "$1"
expected=$(printf 'Gateway=%s\nProdLevel=%s\nEmailDomain=%s' "$(tvx_cache_value TVX_GATEWAY)" \
  "$(tvx_cache_value TVX_PRODUCT_LEVEL)" "$(tvx_cache_value TVX_EMAIL_DOMAIN)")

cyrillic=$TVX_RUN_DIR'\Загрузки'
# 257 characters of folders, and "\Tellivox.exe": 270.
long=$TVX_RUN_DIR'\long'
while [ ${#long} -lt 257 ]; do long=$long'\a-folder-of-the-start-path'; done
long=${long:0:257}
[ "${long: -1}" != '\' ] || long=${long:0:256}x
for folder in "$cyrillic" "$long"; do
  exe=$folder'\Tellivox.exe'
  tvx_log "-- started as $exe (${#exe} characters)"
  mkdir -p "$(tvx_unix "$folder")"
  cp "$TVX_EXE" "$(tvx_unix "$exe")"
  rm -f "$(tvx_unix "$TVX_SETUP_REPORT")"
  wine reg delete "$TVX_SESSION_KEY" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1 || true
  TVX_T0_NS=$(date +%s%N)
  tvx_start_installer "$exe"
  tvx_drive_normal_road
  tvx_expect_exit 0
  dir=$(tvx_setup_report | sed -n 's/^cwd=//p')
  expect_eq "${#exe} characters: the build values in setup.ini" "$expected" \
    "$(tr -d '\r' <"$(tvx_unix "$dir")/setup.ini" | sed -n 2,4p)"
  tvx_close_setup
done
echo "PASS"
