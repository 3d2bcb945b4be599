#!/usr/bin/env bash
# The welcome page as a person meets it: its window and every control, the keys,
# Continue, Cancel then No, the close box then Yes, the link, and the welcome text
# from a missing and from a real rich-text file.
# Usage: welcome.sh WINDOWS_BUILD_DIR UIDRIVER TEST_DATA ARTIFACTS_DIR
set -uo pipefail
mkdir -p "$4/welcome"
bin=$(realpath "$1") driver=$(realpath "$2") art=$(realpath "$4/welcome")
host=$bin/welcome_host.exe
page=Quorvane
failures=0
host_pid=

ui() { wine "$driver" "$@" </dev/null; }
# Caption buttons are drawn with Marlett; a prefix made by 64-bit Wine may lack it.
fonts=${WINEPREFIX:-$HOME/.wine}/drive_c/windows/Fonts
[ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null || true
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

start_page() {  # welcome file
  wine "$host" "$1" </dev/null >"$art/host.out" 2>"$art/host.err" &
  host_pid=$!
  ui wait "$page" 10000 >/dev/null || fail "the page did not appear"
}
# Waits for the host to end and checks the modal result it printed.
expect_result() {  # expected modal result, case name
  local i
  for i in $(seq 100); do kill -0 "$host_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$host_pid" 2>/dev/null; then
    fail "$2: the page is still open"; ui close "$page" >/dev/null; ui answer "$page" "&Yes" 2000 >/dev/null
  fi
  wait "$host_pid"
  grep -qx "ModalResult=$1" <(tr -d '\r' <"$art/host.out") || fail "$2: expected ModalResult=$1, got $(cat "$art/host.out")"
}
expect_no_dialog() {  # case name
  if ui dialog "$page" 700 >/dev/null; then fail "$1: a question appeared"; fi
}
expect_question() {  # case name
  local q
  q=$(ui dialog "$page" 5000 | tr -d '\r')
  grep -qx 'text "Abort the installation of Quorvane?"' <<<"$q" || fail "$1: question text: $q"
  grep -qx 'button "&Yes"' <<<"$q" && grep -qx 'button "&No"' <<<"$q" || fail "$1: question buttons: $q"
}

echo "== layout, keys and the built-in text (missing welcome file)"
start_page 'C:\nowhere\welcome.rtf'
w=$(ui window "$page" | tr -d '\r')
echo "$w"
for want in 'caption="Quorvane"' 'client=504x298' 'sysmenu=1' 'minimize=1' 'maximize=1' 'sizable=0' 'topmost=0'; do
  grep -q " $want\| ^$want" <<<" $w" || fail "window: want $want"
done
left=$(sed -n 's/.* left=\([0-9-]*\).*/\1/p' <<<"$w") width=$(sed -n 's/.* width=\([0-9]*\).*/\1/p' <<<"$w")
top=$(sed -n 's/.* top=\([0-9-]*\).*/\1/p' <<<"$w") height=$(sed -n 's/.* height=\([0-9]*\).*/\1/p' <<<"$w")
[ $(( (1024 - width) / 2 - left )) -ge -1 ] && [ $(( (1024 - width) / 2 - left )) -le 1 ] || fail "not centred across: $w"
[ $(( (768 - height) / 2 - top )) -ge -1 ] && [ $(( (768 - height) / 2 - top )) -le 1 ] || fail "not centred down: $w"

ui controls "$page" | tr -d '\r' >"$art/controls.txt"
cat "$art/controls.txt"
while IFS= read -r want; do
  grep -qxF "$want" "$art/controls.txt" || fail "control: want $want"
done <<'EOT'
name=cmdBack class=Button text="< Back" x=250 y=272 w=80 h=21 visible=0 enabled=0 default=0 tab=1
name=cmdNext class=Button text="Continue" x=334 y=271 w=79 h=22 visible=1 enabled=1 default=1 tab=2
name=cmdCancel class=Button text="Cancel" x=418 y=271 w=80 h=22 visible=1 enabled=1 default=0 tab=3
name=Image1 class=Static text="" x=7 y=7 w=132 h=253 visible=1 enabled=1 default=0 tab=-1
name=Bevel1 class=Static text="" x=8 y=264 w=489 h=2 visible=1 enabled=1 default=0 tab=-1
name=Label2 class=Static text="For more info, visit us at" x=8 y=272 w=111 h=13 visible=1 enabled=1 default=0 tab=-1
name=Label1 class=Static text="quorvane.example" x=128 y=272 w=110 h=13 visible=1 enabled=1 default=0 tab=-1
EOT
grep -q '^name=RichEdit1 class=RichEdit20A text="Welcome to Quorvane\\r\\n\\r\\nQuorvane keeps your conversations.*" x=152 y=8 w=345 h=252 visible=1 enabled=1 default=0 tab=0$' \
  "$art/controls.txt" || fail "RichEdit1 with the built-in text"
[ "$(wc -l <"$art/controls.txt")" -eq 8 ] || fail "expected 8 controls"

import -window root "$art/welcome.png" || fail "screenshot"
ui focus "$page" | tr -d '\r' | grep -q '^name=RichEdit1 ' || fail "first focus is not RichEdit1"
ui key "$page" tab >/dev/null
sleep 0.3
ui focus "$page" | tr -d '\r' | grep -q '^name=RichEdit1 ' || fail "Tab left RichEdit1"
ui key "$page" escape >/dev/null
expect_no_dialog "Escape"
ui click "$page" cmdBack >/dev/null
expect_no_dialog "hidden < Back"
kill -0 "$host_pid" 2>/dev/null || fail "the page closed on Escape or < Back"

echo "== Continue closes at once with OK"
ui click "$page" Continue >/dev/null
expect_result 1 "Continue"

echo "== Cancel, No keeps the page; then Continue gives OK"
start_page 'C:\nowhere\welcome.rtf'
ui click "$page" Cancel >/dev/null
expect_question "Cancel"
import -window root "$art/question.png"
ui answer "$page" "&No" >/dev/null
sleep 0.5
kill -0 "$host_pid" 2>/dev/null || fail "No closed the page"
ui window "$page" | grep -q 'enabled=1' || fail "the page is not usable after No"
ui click "$page" Continue >/dev/null
expect_no_dialog "Continue after No"
expect_result 1 "Cancel, No, Continue"

echo "== close box, Yes gives Cancel"
start_page 'C:\nowhere\welcome.rtf'
ui close "$page" >/dev/null
expect_question "close box"
ui answer "$page" "&Yes" >/dev/null
expect_result 2 "close box, Yes"

echo "== Cancel, Yes gives Cancel"
start_page 'C:\nowhere\welcome.rtf'
ui click "$page" Cancel >/dev/null
expect_question "Cancel"
ui answer "$page" "&Yes" >/dev/null
expect_result 2 "Cancel, Yes"

echo "== a real rich-text file replaces the built-in text"
printf '%s\r\n' '{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}}\f0\fs20 Hello from the {\b test} file.\par' \
  'Second paragraph.\par}' >"$art/welcome.rtf"
start_page "$(winpath "$art/welcome.rtf")"
t=$(ui text "$page" RichEdit1 | tr -d '\r')
[ "$t" = 'Hello from the test file.' ] || grep -q '^Hello from the test file\.$' <<<"$t" || fail "rich text: $t"
grep -q 'Second paragraph.' <<<"$t" || fail "rich text second paragraph: $t"
import -window root "$art/welcome-file.png"
ui click "$page" Continue >/dev/null
expect_result 1 "rich-text file"

echo "== the link starts the browser with the page's address, maximised"
log=$art/browser.log
rm -f "$log"
old_htm=$(wine reg query 'HKCR\.htm' /ve </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
restore() {
  wine reg add 'HKCR\.htm' /ve /d "${old_htm:-htmlfile}" /f </dev/null >/dev/null 2>&1
  wine reg delete 'HKCR\TvxWelcomeTest' /f </dev/null >/dev/null 2>&1
}
trap restore EXIT
wine reg add 'HKCR\TvxWelcomeTest\shell\open\command' /ve /d "\"$(winpath "$bin/fakebrowser.exe")\" -new \"%1\"" /f </dev/null >/dev/null 2>&1
wine reg add 'HKCR\.htm' /ve /d TvxWelcomeTest /f </dev/null >/dev/null 2>&1
TVX_FAKEBROWSER_LOG=$(winpath "$log")
export TVX_FAKEBROWSER_LOG
start_page 'C:\nowhere\welcome.rtf'
ui mouse "$page" Label1 >/dev/null
for _ in $(seq 50); do [ -s "$log" ] && break; sleep 0.1; done
cat "$log" 2>/dev/null
grep -q '^show=3 .*-new http://quorvane.example/welcome\]' "$log" 2>/dev/null || fail "browser start: $(cat "$log" 2>/dev/null)"
restore
trap - EXIT
expect_no_dialog "link"
ui click "$page" Continue >/dev/null
expect_result 1 "after the link"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all welcome page checks passed"
