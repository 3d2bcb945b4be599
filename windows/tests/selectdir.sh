#!/usr/bin/env bash
# The destination chooser as a person sees and uses it, through the test driver.
# Usage: selectdir.sh WINDOWS_BUILD_DIR UIDRIVER TEST_DATA_DIR ARTIFACTS_DIR
# Needs the Wine environment of scripts/test-windows.sh (WINEPREFIX, DISPLAY, server).
set -euo pipefail
bin=$1
driver=$2
artifacts=$4
mkdir -p "$artifacts"
host="$bin/selectdir_host.exe"
dlg="Select Destination"
c_drive="$WINEPREFIX/drive_c"
work=$(mktemp -d)
extra_drive="$WINEPREFIX/dosdevices/m:"
mounted=
mapped=
cleanup() {
  [ -n "$mapped" ] && wine "$host" --unmap M: >/dev/null 2>&1 || true
  [ -n "${DRV_PID:-}" ] && kill "$DRV_PID" 2>/dev/null || true
  rm -f "$extra_drive"
  [ -n "$mounted" ] && umount "$mounted" 2>/dev/null || true
  [ -n "${host_pid:-}" ] && kill "$host_pid" 2>/dev/null || true
  rm -rf "$work" "$c_drive/TEMP/newdir"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }
# One driver process takes every command (starting Wine programs is slow on a busy
# machine); "sleep 0" after each command marks where its output ends.
# Its pipes get plain descriptors (7 and 8): pipelines cannot see a coprocess's own.
start_driver() {
  coproc DRV { wine "$driver" - 2>/dev/null; }
  exec 7>&"${DRV[1]}" 8<&"${DRV[0]}"
}
ui() {
  local line= a l out= first=1
  for a in "$@"; do
    if [[ -z "$a" || "$a" == *[\ \"]* ]]; then
      a=${a//\\/\\\\}
      a="\"${a//\"/\\\"}\""
    fi
    line+="$a "
  done
  printf '%s\nsleep 0\n' "$line" >&7
  while IFS= read -r l <&8; do
    l=${l%$'\r'}
    if [ "$first" = 1 ]; then first=0; continue; fi
    if [ "$l" = "> sleep 0" ]; then printf '%s' "$out"; return 0; fi
    out+="$l"$'\n'
  done
  # The driver stops at a failing command.
  printf '%s' "$out"
  return 1
}
expect() {  # description, expected, actual
  [ "$2" == "$3" ] || fail "$1: expected [$2], got [$3]"
  echo "ok - $1"
}
start() {  # folder, bytes needed: shows the chooser, waits for it
  ui gone "$dlg" 10000 >/dev/null || fail "a chooser is still open"
  : >"$work/out"
  wine "$host" "$1" "$2" --always >"$work/out" 2>/dev/null &
  host_pid=$!
  ui wait "$dlg" 30000 >/dev/null || fail "the chooser did not appear for $1"
  # The host says what SetTargetDir found before it shows the chooser.
  for _ in $(seq 100); do grep -q '^BytesFree=' "$work/out" && break; sleep 0.1; done
}
finish() {  # waits for the host to end; its output goes to $out
  wait "$host_pid" || true
  host_pid=
  out=$(tr -d '\r' <"$work/out")
}
value() { grep "^$1=" <<<"$2" | head -n1 | cut -d= -f2-; }
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$2"; }
text() { ui text "$dlg" "$1"; }
kb() { echo "$(( $1 / 1024 ))k"; }

mkdir -p "$c_drive/TEMP"
rm -rf "$c_drive/TEMP/newdir"
start_driver

echo "# layout, SetTargetDir C:\\TEMP\\ with 1 MiB needed"
start 'C:\TEMP\' 1048576
free=$(value BytesFree "$(tr -d '\r' <"$work/out")")
[ -n "$free" ] || fail "no BytesFree from the host"
w=$(ui window "$dlg")
expect "caption" 'caption="Select Destination"' "$(grep -o 'caption="[^"]*"' <<<"$w")"
expect "client size" "384x261" "$(field client "$w")"
expect "no title-bar buttons" "0 0 0" "$(field sysmenu "$w") $(field minimize "$w") $(field maximize "$w")"
expect "not sizable" "0" "$(field sizable "$w")"
left=$(field left "$w"); width=$(field width "$w"); top=$(field top "$w"); height=$(field height "$w")
expect "centred across" "1" "$(( (1024 - width) / 2 - left <= 1 && left - (1024 - width) / 2 <= 1 ))"
expect "centred down" "1" "$(( (768 - height) / 2 - top <= 1 && top - (768 - height) / 2 <= 1 ))"
controls=$(ui controls "$dlg" | sed 's/ visible=1 enabled=1//')
cat >"$work/expected" <<EOF
name=DL1 class=ListBox text="" x=8 y=56 w=193 h=190 default=0 tab=0
name=cmdCreate class=Button text="C&reate New" x=295 y=72 w=81 h=25 default=0 tab=1
name=DC1 class=ComboBox text="C" x=248 y=232 w=129 h=24 default=0 tab=2
name=cmdOK class=Button text="OK" x=296 y=8 w=81 h=25 default=0 tab=3
name=cmdCancel class=Button text="Cancel" x=296 y=40 w=81 h=25 default=0 tab=4
name=cmdUseTEMP class=Button text="Use TEMP" x=296 y=104 w=81 h=25 default=0 tab=5
name=Label2 class=Static text="Folder:" x=8 y=8 w=39 h=13 default=0 tab=-1
name=lblFolder class=Static text="C:\\\\" x=48 y=8 w=161 h=17 default=0 tab=-1
name=Label4 class=Static text="Folders:" x=8 y=38 w=45 h=13 default=0 tab=-1
name=lblStatus class=Static text="1024k bytes are needed to install this release." x=208 y=152 w=169 h=49 default=0 tab=-1
name=Label1 class=Static text="Free space:" x=208 y=208 w=66 h=13 default=0 tab=-1
name=lblAvail class=Static text="$(kb "$free")" x=296 y=208 w=81 h=13 default=0 tab=-1
name=Label5 class=Static text="Drives:" x=208 y=232 w=40 h=13 default=0 tab=-1
EOF
# Labels that size themselves to their text: compare only where they start.
strip() { sed -E '/class=Static text="(Folder|Folders|Free space|Drives):"/ s/ w=[0-9]+ h=[0-9]+//'; }
diff <(strip <"$work/expected") <(strip <<<"$controls") || fail "controls differ from the table"
echo "ok - every control's class, text, position, size, tab order; no default button"
items=$(ui items "$dlg" DL1)
expect "folder list opens C:\\TEMP" 'item 0 "C:\\" item 1 "TEMP" selected 1' \
  "$(grep -v '^name=' <<<"$items" | grep -E '^item [01] |^selected' | tr '\n' ' ' | sed 's/ $//')"
expect "drive combo shows C" 'selected 0' "$(ui items "$dlg" DC1 | grep '^selected')"
expect "DC1 entry 0" 'item 0 "C"' "$(ui items "$dlg" DC1 | grep '^item 0')"
expect "first focus" "DL1" "$(ui focus "$dlg" | sed -E 's/^name=([^ ]*).*/\1/')"
order=
for _ in 1 2 3 4 5 6; do
  ui key "$dlg" tab >/dev/null
  order="$order $(ui focus "$dlg" | sed -E 's/^name=([^ ]*).*/\1/')"
done
expect "Tab walks the table's order" " cmdCreate DC1 cmdOK cmdCancel cmdUseTEMP DL1" "$order"
sleep 0.3
import -window root "$artifacts/selectdir.png"
ui key "$dlg" tab >/dev/null
ui key "$dlg" tab >/dev/null
expect "focus on the drives" "DC1" "$(ui focus "$dlg" | sed -E 's/^name=([^ ]*).*/\1/')"
ui key "$dlg" f4 >/dev/null
sleep 0.5
import -window root "$artifacts/selectdir-drives.png"
ui key "$dlg" escape >/dev/null
expect "Escape does not cancel the chooser" "1" "$(ui window "$dlg" | grep -c 'caption=')"
ui click "$dlg" cmdCancel >/dev/null
finish
expect "Cancel ends with Cancel" "2" "$(value result "$out")"

echo "# a highlighted entry opens only on Enter or a double click"
start 'C:\TEMP\' 1024
ui pick "$dlg" DL1 1 >/dev/null
expect "highlighting shows the entry's path" 'C:\TEMP' "$(text lblFolder)"
expect "highlighting opens nothing" 'item 0 "C:\\" item 1 "TEMP" selected 1' \
  "$(ui items "$dlg" DL1 | grep -E '^item [01] |^selected' | tr '\n' ' ' | sed 's/ $//')"
ui pick "$dlg" DL1 0 >/dev/null
ui key "$dlg" enter >/dev/null
sleep 0.2
items=$(ui items "$dlg" DL1)
n=$(grep '^item [0-9]* "TEMP"' <<<"$items" | head -n1 | sed -E 's/^item ([0-9]+) .*/\1/' || true)
expect "Enter in the list opens the root (no default button)" "yes selected 0" \
  "$([ "${n:-0}" -gt 1 ] && echo yes) $(grep '^selected' <<<"$items")"
expect "the chooser stays open" "1" "$(ui window "$dlg" | grep -c 'caption=')"
ui open "$dlg" DL1 "$n" >/dev/null
sleep 0.2
expect "double click opens TEMP" 'item 1 "TEMP" selected 0' \
  "$(ui items "$dlg" DL1 | grep -E '^item 1 |^selected' | tr '\n' ' ' | sed 's/ $//')"
expect "Folder label back at the root" 'C:\' "$(text lblFolder)"
ui click "$dlg" cmdOK >/dev/null
finish
expect "OK ends with OK" "1" "$(value result "$out")"
expect "chosen folder" 'C:\TEMP' "$(value folder "$out")"

echo "# Use TEMP"
start 'C:\TEMP\' 1024
ui click "$dlg" cmdUseTEMP >/dev/null
sleep 0.3
expect "Folder label at the root" 'C:\' "$(text lblFolder)"
sel=$(ui items "$dlg" DL1 | grep '^selected' | cut -d' ' -f2)
name=$(ui items "$dlg" DL1 | grep "^item $sel " | sed -E 's/^item [0-9]+ "(.*)"$/\1/')
expect "the temporary folder is highlighted" "temp" "${name,,}"
ui click "$dlg" cmdOK >/dev/null
finish
expect "Use TEMP then OK" "1" "$(value result "$out")"
case "$(value folder "$out")" in
  C:\\*\\[Tt][Ee][Mm][Pp]) echo "ok - chosen folder is the system's temporary folder" ;;
  *) fail "chosen folder after Use TEMP: $(value folder "$out")" ;;
esac

echo "# Create New with a valid name"
start 'C:\TEMP\' 1024
ui click "$dlg" cmdCreate >/dev/null
ui wait Destination >/dev/null || fail "no input box"
expect "proposal is the highlighted folder" 'C:\TEMP' "$(ui text Destination Edit)"
ui type Destination Edit 'C:\TEMP\newdir' >/dev/null
ui click Destination OK >/dev/null
finish
expect "Create New ends with OK" "1" "$(value result "$out")"
expect "chosen folder is the new one" 'C:\TEMP\newdir' "$(value folder "$out")"
expect "the caller learns of the folder made" 'C:\TEMP\newdir' "$(value created "$out")"
[ -d "$c_drive/TEMP/newdir" ] || fail "the new folder does not exist"
echo "ok - the new folder exists"

echo "# Create New, then Cancel in the input box, then a name no folder can have"
start 'C:\TEMP\' 1024
for typed in '' 'C:\TEMP\bad|name'; do
  ui click "$dlg" cmdCreate >/dev/null
  ui wait Destination >/dev/null || fail "no input box"
  if [ -z "$typed" ]; then
    ui click Destination Cancel >/dev/null
  else
    ui type Destination Edit "$typed" >/dev/null
    ui click Destination OK >/dev/null
  fi
  box=$(ui dialog "$dlg")
  grep -q 'Unable to create directory' <<<"$box" || fail "no error message: $box"
  echo "ok - \"Unable to create directory\" (${typed:-Cancel})"
  ui answer "$dlg" OK >/dev/null
  ui gone Error >/dev/null || fail "the message stays"
  sleep 0.3
  ui window "$dlg" >/dev/null || fail "the chooser closed"
  echo "ok - the chooser stays open"
done
ui click "$dlg" cmdOK >/dev/null
finish
expect "OK ends with OK" "1" "$(value result "$out")"
expect "folder unchanged" 'C:\TEMP' "$(value folder "$out")"
expect "no folder made" "" "$(value created "$out")"

echo "# a lower-case drive letter matches nothing"
start 'c:\temp' 1048576
out=$(tr -d '\r' <"$work/out")
expect "BytesFree stays 0" "0" "$(value BytesFree "$out")"
expect "status names the bytes needed, for the drive shown" \
  "1024k bytes are needed to install this release." "$(text lblStatus)"
sel=$(ui items "$dlg" DL1 | grep '^selected' | cut -d' ' -f2)
expect "the name is still highlighted" "TEMP" \
  "$(ui items "$dlg" DL1 | grep "^item $sel " | sed -E 's/^item [0-9]+ "(.*)"$/\1/')"
ui close "$dlg" >/dev/null
finish
expect "a close request from the system ends it with Cancel" "2" "$(value result "$out")"

echo "# picking another drive"
# M: is a 4 MiB memory file system where the machine allows mounting one, else a
# plain folder whose free space is whatever its file system has.
mkdir -p "$work/m"
small=0
if mount -t tmpfs -o size=4m tmpfs "$work/m" 2>/dev/null; then
  small=1
  mounted="$work/m"
fi
mkdir -p "$work/m/inner"
ln -sfn "$work/m" "$extra_drive"
wine "$host" --map M: "Z:${work//\//\\}\\m" >/dev/null 2>&1 || fail "cannot map drive M"
mapped=1
drives=$(wine "$host" --drives 2>/dev/null | tr -d '\r')
expect "drive M is listed" "yes" "$([[ "$drives" == drives=*M* ]] && echo yes)"
start 'C:\TEMP\' $((8 * 1048576))
expect "C has room" "8192k bytes are needed to install this release." "$(text lblStatus)"
entries=$(ui items "$dlg" DC1)
m=$(grep '^item [0-9]* "M"' <<<"$entries" | sed -E 's/^item ([0-9]+) .*/\1/' || true)
[ -n "$m" ] || fail "drive M is not listed: $entries"
ui pick "$dlg" DC1 "$m" >/dev/null
sleep 0.2
if [ "$small" = 1 ]; then
  expect "free space of M" "4096k" "$(text lblAvail)"
  expect "status for M" \
    "8192k bytes are needed to install this release. There is not enough space on this drive." \
    "$(text lblStatus)"
else
  echo "skip - no memory file system; M's free space is not fixed"
fi
expect "combo box shows M" "selected $m" "$(ui items "$dlg" DC1 | grep '^selected')"
expect "Folder label at M's root" 'M:\' "$(text lblFolder)"
expect "folder list at M's root" 'item 0 "M:\\" item 1 "inner"' \
  "$(ui items "$dlg" DL1 | grep -E '^item [01] ' | tr '\n' ' ' | sed 's/ $//')"
ui click "$dlg" cmdOK >/dev/null
finish
expect "chosen folder on M" 'M:\' "$(value folder "$out")"
expect "BytesFree is C's, as SetTargetDir found it" "1" "$([ "$(value BytesFree "$out")" -gt 4194304 ] && echo 1)"
echo "all chooser checks passed"
