# Runs the FullDrive cases of test_installer on a memory file system of 256 KiB mapped
# as drive S:, in the main prefix (NT family, $WINEPREFIX) and in the prefix that
# reports Windows 98.
# Needs the rights to mount; skipped (77) where there are none.
# Usage: full_drive.sh BUILD_DIR PREFIX98
set -euo pipefail
build=$(cd "$1" && pwd)
small=$build/full-drive
mkdir -p "$small"
mountpoint -q "$small" || mount -t tmpfs -o size=256k tmpfs "$small" 2>/dev/null || {
  echo "SKIP: cannot mount a small file system here"; exit 77; }
prefix98=${2:?usage: full_drive.sh BUILD_DIR PREFIX98}
prefixes=("${WINEPREFIX:?}" "$prefix98")
cleanup() {
  local p
  for p in "${prefixes[@]}"; do rm -f "$p/dosdevices/s:"; done
  umount "$small" 2>/dev/null || true
}
trap cleanup EXIT
for p in "${prefixes[@]}"; do
  [ -d "$p" ] || { echo "FAIL: no prefix $p"; exit 1; }
  rm -rf "${small:?}"/*
  mkdir "$small/w"
  ln -sfn "$small" "$p/dosdevices/s:"
  family=()
  [ "$p" = "$prefix98" ] && family=(TVX_WIN95_FAMILY=1)
  echo "-- $(basename "$p")"
  env WINEPREFIX="$p" TVX_FULL_DRIVE='S:\w' "${family[@]}" \
    wine "$build/tests/test_installer.exe" --gtest_filter='FullDrive.*' </dev/null
done
echo "PASS"
