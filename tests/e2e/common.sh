# Shared by the end-to-end tests of the installer and by scripts/run.sh: a Wine prefix
# and display, a fresh state per run (own TEMP folder, no recorded deletions), starting
# the installer, driving its windows through the UI driver, and reading back what it
# left on disk and in the registry. Source it; it defines functions only.
#
# Expects: WINEPREFIX; `wine` on PATH; TVX_UIDRIVER (path of uidriver.exe) for the ui_*
# functions. Windows paths are written with backslashes; tvx_unix maps them.

TVX_SESSION_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'
tvx_xvfb_pid=
tvx_installer_pid=

tvx_log() { printf '   %s\n' "$*" >&2; }
TVX_FAILED=
tvx_fail() { TVX_FAILED=1; echo "FAIL: $*" >&2; exit 1; }

# A command that fails under `set -e` ends a script without a word; remember the last
# one (and its line), so that the end of a test can name it (tvx_test_end). Scripts
# with an ERR trap of their own keep it.
set -E
if [ -z "$(trap -p ERR)" ]; then
  trap 'TVX_LAST_ERROR="${BASH_SOURCE[0]##*/} line $LINENO: $BASH_COMMAND (exit status $?)"' ERR
fi

# Unix path of a Windows path on one of the prefix's drives (C:\a -> .../drive_c/a).
tvx_unix() {
  local drive rest
  drive=$(printf '%s' "${1:0:1}" | tr 'A-Z' 'a-z')
  rest=${1:2}
  rest=${rest//\\//}
  printf '%s%s\n' "$(readlink -f "$WINEPREFIX/dosdevices/$drive:")" "$rest"
}

# ---- Steps that say what failed ---------------------------------------------------------

# Runs a command (standard input from /dev/null, its output kept aside) as the step
# WHAT. On failure prints "FAILED: WHAT (exit status N)", the command and the end of its
# output, and returns the status; callers stop or retry. Exit status 53 from a Windows
# program is Wine's STATUS_DLL_NOT_FOUND (0xC0000135) cut to 8 bits: a system library
# did not load, as happens on a first start in a prefix that is not complete.
tvx_try() {  # what, command...
  local what=$1 rc=0 out
  shift
  out=$(mktemp)
  "$@" </dev/null >"$out" 2>&1 || rc=$?
  if [ $rc -ne 0 ]; then
    {
      echo "FAILED: $what (exit status $rc)"
      echo "   command: $*"
      [ $rc -ne 53 ] || echo "   (53: Wine could not load a system library, STATUS_DLL_NOT_FOUND)"
      tr -d '\r' <"$out" | grep -v '^ *$' | tail -n 15 | sed 's/^/   | /'
    } >&2
  fi
  rm -f "$out"
  return $rc
}

# The same, but a failure ends the script.
tvx_step() {  # what, command...
  local rc=0
  tvx_try "$@" || rc=$?
  [ $rc -eq 0 ] || exit $rc
}

# The same for a command that may be run again without harm (a registry value set, say):
# up to three attempts a second apart, and only the last failure is reported. Starting a
# program under Wine now and then fails for reasons of Wine's own ("ShellExecuteEx
# failed: Internal error" from `wine reg`, seen once in some hundred runs under 64-bit
# Wine), which says nothing about what is tested.
tvx_try_again() {  # what, command...
  local i
  for i in 1 2; do
    "${@:2}" </dev/null >/dev/null 2>&1 && return 0
    sleep 1
  done
  tvx_try "$@"
}

# ---- Which Wine -----------------------------------------------------------------------

# Chooses the Wine that runs the Windows build: TVX_WINE=32 (the PE32 build under 32-bit
# Wine), TVX_WINE=64 (the same sources built as 64-bit programs, under 64-bit Wine), or
# unset: 32 where this kernel runs 32-bit Wine, else 64. For 64 it puts a `wine` that
# runs 64-bit Wine first on PATH (in BIN64), and sets WINELOADER and WINEARCH. Sets
# TVX_WINE_BITS to 32 or 64.
tvx_choose_wine() {  # folder for the 64-bit wine command
  local bin=$1
  case ${TVX_WINE:-} in
    32) wine --version >/dev/null 2>&1 ||
          tvx_fail "TVX_WINE=32, but 32-bit Wine cannot run here (a kernel without 32-bit program support?)"
        TVX_WINE_BITS=32 ;;
    64) TVX_WINE_BITS=64 ;;
    '') if wine --version >/dev/null 2>&1; then TVX_WINE_BITS=32; else TVX_WINE_BITS=64; fi ;;
    *) tvx_fail "TVX_WINE is \"$TVX_WINE\"; use 32, 64 or leave it unset" ;;
  esac
  if [ "$TVX_WINE_BITS" = 64 ]; then
    [ -x /usr/lib/wine/wine64 ] || tvx_fail "64-bit Wine (/usr/lib/wine/wine64) is not installed"
    mkdir -p "$bin"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/wine"
    chmod +x "$bin/wine"
    export PATH=$bin:$PATH WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
  else
    export WINEARCH=win32
  fi
}

# ---- X server and prefixes --------------------------------------------------------------

# Starts Xvfb on the first free display from :91 on and exports DISPLAY.
tvx_start_xvfb() {
  local n log
  command -v Xvfb >/dev/null || tvx_fail "X server: Xvfb is not installed"
  log=$(mktemp)
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$log" 2>&1 &
    tvx_xvfb_pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$tvx_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$tvx_xvfb_pid" 2>/dev/null; then
      export DISPLAY=:$n
      rm -f "$log"
      return 0
    fi
    # Another program may have taken the display meanwhile: try the next one.
    kill "$tvx_xvfb_pid" 2>/dev/null || true
    tvx_xvfb_pid=
  done
  echo "FAILED: X server: no display from :91 to :140 could be started; Xvfb said:" >&2
  tail -n 5 "$log" | sed 's/^/   | /' >&2
  rm -f "$log"
  exit 1
}

# Makes a prefix (first start of Wine in it, windows with frames: Managed=N, optionally
# the Windows version it reports, Wine's fonts). Returns non-zero, having said which
# step failed, when one does.
tvx_make_prefix() {  # prefix dir, windows version for winecfg (empty: default)
  local p=$1 version=$2 reported
  rm -rf "$p"
  WINEPREFIX=$p tvx_try "prefix $p: first start of Wine (wineboot -i)" wine wineboot -i || return
  WINEPREFIX=$p tvx_try "prefix $p: wait for the registry to be written" wineserver -w || return
  WINEPREFIX=$p tvx_try "prefix $p: give windows frames (Managed=N)" \
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f || return
  if [ -n "$version" ]; then
    # 64-bit winecfg refuses the Windows 95 family; the setting it writes is this value.
    WINEPREFIX=$p wine winecfg /v "$version" </dev/null >/dev/null 2>&1 ||
      WINEPREFIX=$p tvx_try "prefix $p: report Windows version $version" \
        wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f || return
    reported=$(WINEPREFIX=$p wine winecfg /v </dev/null 2>/dev/null | tr -d '\r')
    [ "$reported" = "$version" ] ||
      { echo "FAILED: prefix $p reports \"$reported\", not $version" >&2; return 1; }
  fi
  WINEPREFIX=$p tvx_try "prefix $p: wait for the settings to be written" wineserver -w || return
  # A prefix made by 64-bit Wine lacks Wine's own fonts (title-bar buttons would draw
  # as letters and "MS Sans Serif" would fall back to a wider face).
  mkdir -p "$p/drive_c/windows/Fonts"
  cp -n /usr/share/wine/fonts/* "$p/drive_c/windows/Fonts/" 2>/dev/null || true
  touch "$p/.tvx-ready" || return
}

# Makes the prefix once (a marker says it is complete; Wine's first start in a new
# prefix is retried once with a new prefix), then starts its server persistently and
# Wine's services (`wine cmd /c exit`), so that later programs start at once.
tvx_prepare_prefix() {  # prefix dir, [windows version for winecfg]
  local p=$1 version=${2:-}
  if [ ! -f "$p/.tvx-ready" ]; then
    if ! tvx_make_prefix "$p" "$version"; then
      echo "   making prefix $p again, once" >&2
      WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
      tvx_make_prefix "$p" "$version" || exit 1
    fi
  fi
  # A server left running for this prefix (tests run by hand, a run that was killed)
  # would refuse a second one: end it first.
  WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$p tvx_step "prefix $p: start its Wine server" wineserver -p
  WINEPREFIX=$p tvx_step "prefix $p: start Wine's services (wine cmd /c exit)" wine cmd /c exit
}

tvx_stop_all() {
  tvx_close_setup 2>/dev/null || true
  [ -n "$tvx_installer_pid" ] && kill "$tvx_installer_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$tvx_xvfb_pid" ] && kill "$tvx_xvfb_pid" 2>/dev/null || true
  return 0
}

# A fresh state for a run named NAME: C:\tvx\NAME holds its TEMP folder (TEMP and TMP
# point there; Wine takes them from the registry, not from the Unix environment), the
# setup report goes to C:\tvx\NAME\setup-report.txt, no deletions are recorded.
tvx_fresh_state() {
  TVX_RUN=$1
  TVX_RUN_DIR='C:\tvx\'$TVX_RUN
  TVX_TEMP=${2:-$TVX_RUN_DIR'\temp'}
  rm -rf "$(tvx_unix "$TVX_RUN_DIR")"
  mkdir -p "$(tvx_unix "$TVX_RUN_DIR")"
  mkdir -p "$(tvx_unix "$TVX_TEMP")"
  tvx_set_temp "$TVX_TEMP"
  wine reg delete "$TVX_SESSION_KEY" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1 || true
  export TVX_SETUP_REPORT=$TVX_RUN_DIR'\setup-report.txt'
  rm -f "$(tvx_unix "$TVX_SETUP_REPORT")"
}

tvx_set_temp() {
  local v
  for v in TEMP TMP; do
    tvx_try_again "set the prefix's $v to $1" wine reg add 'HKCU\Environment' /v $v /t REG_SZ /d "$1" /f ||
      exit
  done
}

# TEMP or TMP of the prefix as "TYPE VALUE" (empty when not set).
tvx_read_temp() {  # TEMP or TMP
  local f
  f=$(mktemp)
  wine reg query 'HKCU\Environment' /v "$1" </dev/null >"$f" 2>/dev/null || true
  tr -d '\r' <"$f" | sed -n "s/^ *$1 *\\(REG_[A-Z_]*\\) *\\(.*\\)\$/\\1 \\2/p"
  rm -f "$f"
}

# Remembers the prefix's own TEMP and TMP (type and value), for tvx_restore_temp. A
# value that a run before this one left in C:\tvx (where runs keep their temporary
# folders) is not the prefix's own: Wine's default is remembered instead.
tvx_save_temp() {
  local v value
  for v in TEMP TMP; do
    value=$(tvx_read_temp $v)
    case ${value#* } in
      [Cc]:\\tvx\\*|'') value='REG_EXPAND_SZ %USERPROFILE%\Temp' ;;
    esac
    printf -v "TVX_ORIG_$v" '%s' "$value"
  done
}

# Puts the prefix's own temporary folder back (what tvx_save_temp remembered; nothing
# to do before that) and reads it back; says what failed and returns non-zero when it
# could not.
tvx_restore_temp() {
  local v saved value rc=0
  for v in TEMP TMP; do
    saved=TVX_ORIG_$v
    value=${!saved:-}
    [ -n "$value" ] || continue
    tvx_try_again "put the prefix's $v back to ${value#* }" \
      wine reg add 'HKCU\Environment' /v $v /t "${value%% *}" /d "${value#* }" /f || rc=1
    [ "$(tvx_read_temp $v)" = "$value" ] ||
      { echo "FAILED: the prefix's $v reads [$(tvx_read_temp $v)], not [$value]" >&2; rc=1; }
  done
  return $rc
}

tvx_start_installer() {  # installer, [arguments...]
  wine "$@" </dev/null >/dev/null 2>&1 &
  tvx_installer_pid=$!
}

# Waits (up to 60 s) for the installer process to end; its exit code goes to
# TVX_INSTALLER_RC.
tvx_wait_installer_end() {
  local i
  for i in $(seq 600); do
    kill -0 "$tvx_installer_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$tvx_installer_pid" 2>/dev/null && tvx_fail "the installer did not end"
  TVX_INSTALLER_RC=0
  wait "$tvx_installer_pid" || TVX_INSTALLER_RC=$?
  tvx_installer_pid=
}

# Waits for the installer to end and checks its exit code: 0 setup.exe started,
# 1 cancelled, 2 damaged, 3 any other failure.
tvx_expect_exit() {  # expected code
  tvx_wait_installer_end
  expect_eq "installer exit code" "$1" "$TVX_INSTALLER_RC"
}

# The paths recorded for deletion at restart, one a line, in order.
tvx_pending() {
  local f
  f=$(mktemp)
  wine reg query "$TVX_SESSION_KEY" /v PendingFileRenameOperations </dev/null >"$f" 2>/dev/null || true
  tr -d '\r' <"$f" | sed -n 's/^ *PendingFileRenameOperations *REG_MULTI_SZ *//p' |
    sed 's/\\0/\n/g' | sed -n 's/^\\??\\//p'
  rm -f "$f"
}

# The "_ZK..." folders made in this run's TEMP folder (Windows paths).
tvx_temp_folders() {
  local d
  for d in "$(tvx_unix "$TVX_TEMP")"/_ZK*; do
    [ -d "$d" ] && printf '%s\\%s\n' "$TVX_TEMP" "$(basename "$d")"
  done
  return 0
}

tvx_setup_report() { cat "$(tvx_unix "$TVX_SETUP_REPORT")" 2>/dev/null | tr -d '\r'; }

# ---- Driving windows -------------------------------------------------------------------

# One uidriver command; its output without CRs. Returns the driver's exit code.
# The output goes through a file, not a pipe: a Wine service process started by the
# call (the desktop's explorer.exe) would inherit a pipe and hold it open.
ui() {
  local rc=0 f
  f=$(mktemp)
  wine "$TVX_UIDRIVER" "$@" </dev/null >"$f" 2>&1 || rc=$?
  tr -d '\r' <"$f"
  rm -f "$f"
  return $rc
}

# Several driver commands in one driver process (one a line on standard input, with
# "double quotes" around arguments with blanks), for steps that must follow each other
# quickly. Fails when any command fails.
ui_batch() {
  local rc=0 f
  f=$(mktemp)
  printf '%s\n' "$@" | wine "$TVX_UIDRIVER" - >"$f" 2>&1 || rc=$?
  tr -d '\r' <"$f"
  rm -f "$f"
  return $rc
}

# Saves a screenshot of the whole screen as $TVX_SHOTS/NN-NAME.png.
TVX_SHOT_N=0
ui_shot() {
  [ -n "${TVX_SHOTS:-}" ] || return 0
  mkdir -p "$TVX_SHOTS"
  TVX_SHOT_N=$((TVX_SHOT_N + 1))
  local f
  f=$(printf '%s/%02d-%s.png' "$TVX_SHOTS" "$TVX_SHOT_N" "$1")
  sleep 0.3
  import -display "$DISPLAY" -window root "$f" 2>/dev/null || true
}

ui_wait() { ui wait "$1" "${2:-20000}" >/dev/null || tvx_fail "no window \"$1\" appeared"; }
ui_gone() { ui gone "$1" "${2:-20000}" >/dev/null || tvx_fail "window \"$1\" did not go"; }
ui_click() { ui click "$1" "$2" >/dev/null || tvx_fail "cannot click $2 in \"$1\""; }
ui_text() { ui text "$1" "$2"; }
# Waits for a dialog owned by the window OWNER and prints its caption, texts and buttons.
ui_dialog() { ui dialog "$1" "${2:-20000}" || tvx_fail "no dialog owned by \"$1\""; }
ui_answer() { ui answer "$1" "$2" "${3:-20000}" >/dev/null || tvx_fail "cannot answer $2 to \"$1\""; }

# Waits until the control's text matches the extended regular expression.
ui_wait_text() {  # caption, control, regex, [tenths of seconds]
  local i t
  for i in $(seq "${4:-200}"); do
    t=$(ui text "$1" "$2" 2>/dev/null) && [[ $t =~ $3 ]] && return 0
    sleep 0.1
  done
  tvx_fail "\"$1\" $2 never read /$3/ (last: $t)"
}

# Watches, through the UI driver, that no top-level window of the program named NAME
# (a file name, such as Tellivox.exe) is ever visible, from before it starts until every
# process of that name has ended: start it before the program, then call
# tvx_expect_unseen once the program has ended.
tvx_watch_unseen() {  # name
  TVX_WATCH_OUT=$(mktemp)
  wine "$TVX_UIDRIVER" unseen "$1" 60000 </dev/null >"$TVX_WATCH_OUT" 2>&1 &
  TVX_WATCH_PID=$!
  for _ in $(seq 100); do
    grep -q watching "$TVX_WATCH_OUT" && return 0
    sleep 0.1
  done
  tvx_fail "the window watcher did not start"
}

tvx_expect_unseen() {
  wait "$TVX_WATCH_PID" || tvx_fail "a window was seen: $(tr -d '\r' <"$TVX_WATCH_OUT")"
  expect_match "no window of the installer was ever visible" '^no window shown in [0-9]+ polls' \
    "$(tr -d '\r' <"$TVX_WATCH_OUT" | tail -1)"
  rm -f "$TVX_WATCH_OUT"
}

tvx_close_setup() {
  ui close "Quorvane Setup" >/dev/null 2>&1 || true
  ui gone "Quorvane Setup" 5000 >/dev/null 2>&1 || true
}

# The normal road: the welcome page, Continue, the extraction, setup.exe's window.
# Sets TVX_T_WELCOME_MS (start to welcome page) and TVX_T_SETUP_MS (Continue to the
# setup report), measured from TVX_T0_NS.
tvx_drive_normal_road() {
  ui_wait "Quorvane" 30000
  TVX_T_WELCOME_MS=$(( ($(date +%s%N) - TVX_T0_NS) / 1000000 ))
  ui_shot welcome-page
  local t1
  t1=$(date +%s%N)
  ui_click "Quorvane" "Continue"
  ui_shot extracting
  tvx_wait_setup_report
  TVX_T_SETUP_MS=$(( ($(date +%s%N) - t1) / 1000000 ))
  ui_wait "Quorvane Setup" 20000
  ui_shot setup-exe
}

tvx_wait_setup_report() {
  local f i
  f=$(tvx_unix "$TVX_SETUP_REPORT")
  for i in $(seq 600); do
    [ -s "$f" ] && return 0
    sleep 0.1
  done
  tvx_fail "setup.exe was not started (no report)"
}

# What a run left: destination, files, setup.ini, setup.exe's start, deletions.
tvx_report() {
  local dest
  dest=$(tvx_setup_report | sed -n 's/^cwd=//p')
  echo "== what happened"
  echo "-- destination folder: ${dest:-(setup.exe not started)}"
  if [ -n "$dest" ]; then
    echo "-- files written there:"
    (cd "$(tvx_unix "$dest")" && ls -l | sed 1d | awk '{printf "   %10s  %s\n", $5, $9}')
    echo "-- setup.ini as rewritten:"
    tr -d '\r' <"$(tvx_unix "$dest")/setup.ini" | sed 's/^/   | /'
    echo "-- setup.exe started: $(tvx_setup_report | sed -n 's/^cmdline=//p')"
    echo "   with current folder $(tvx_setup_report | sed -n 's/^cwd=//p')"
  fi
  echo "-- installer exit code: ${TVX_INSTALLER_RC:-?} (0 setup.exe started, 1 cancelled, 2 damaged, 3 failed)"
  echo "-- deletions recorded for the next restart (PendingFileRenameOperations):"
  tvx_pending | sed 's/^/   /'
  echo "-- times: start to welcome page ${TVX_T_WELCOME_MS:-?} ms;" \
       "Continue to setup.exe started ${TVX_T_SETUP_MS:-?} ms"
}

# A drive T: with little room: a 4 MiB memory file system mounted at BUILD/NAME and
# mapped as T: (the chooser's drive list asks the mount manager, the file functions
# the prefix's dosdevices). Exits 77 (skipped) where no file system can be mounted.
# Sets TVX_SMALL to the mount point; tvx_unmap_small_drive undoes everything.
tvx_map_small_drive() {  # build dir, folder name below it
  TVX_SMALL_BUILD=$1
  TVX_SMALL=$1/$2
  mkdir -p "$TVX_SMALL"
  # An earlier run may have left T: as a folder rather than a link.
  [ -L "$WINEPREFIX/dosdevices/t:" ] || rm -rf "$WINEPREFIX/dosdevices/t:"
  mountpoint -q "$TVX_SMALL" || mount -t tmpfs -o size=4m tmpfs "$TVX_SMALL" 2>/dev/null || {
    echo "SKIP: cannot mount a small file system here"; exit 77; }
  trap tvx_unmap_small_drive EXIT
  rm -rf "${TVX_SMALL:?}"/*
  ln -sfn "$TVX_SMALL" "$WINEPREFIX/dosdevices/t:"
  wine "$TVX_SMALL_BUILD/windows/selectdir_host.exe" --map T: "Z:${TVX_SMALL//\//\\}" \
    </dev/null >/dev/null 2>&1 || { echo "FAIL: cannot map drive T:"; exit 1; }
}

tvx_unmap_small_drive() {
  wine "$TVX_SMALL_BUILD/windows/selectdir_host.exe" --unmap T: </dev/null >/dev/null 2>&1 || true
  rm -f "$WINEPREFIX/dosdevices/t:"
  umount "$TVX_SMALL" 2>/dev/null || true
}

# ---- Test scaffolding ------------------------------------------------------------------

# Starts a test named NAME against the cross build in BUILD from a known state,
# whatever an earlier test left: its own TEMP folder, no deletions recorded, no drive
# T:, no setup.exe window; screenshots go to BUILD/e2e-artifacts/NAME. On exit
# everything it started is stopped and TEMP is put back (tvx_test_end).
tvx_test_begin() {
  TVX_TEST=$1
  TVX_BUILD=$(cd "$2" && pwd)
  TVX_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  TVX_EXE=$TVX_BUILD/demo/Tellivox.exe
  TVX_UIDRIVER=$TVX_BUILD/forms/uidriver.exe
  TVX_SHOTS=$TVX_BUILD/e2e-artifacts/$TVX_TEST
  rm -rf "$TVX_SHOTS"
  mkdir -p "$TVX_SHOTS"
  trap tvx_test_end EXIT
  # A drive T: that this test did not map (tvx_map_small_drive comes first) is an
  # earlier test's leftover.
  if [ -z "${TVX_SMALL:-}" ] && { [ -e "$WINEPREFIX/dosdevices/t:" ] || [ -L "$WINEPREFIX/dosdevices/t:" ]; }; then
    tvx_log "removing drive T: left by an earlier run"
    wine "$TVX_BUILD/windows/selectdir_host.exe" --unmap T: </dev/null >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX/dosdevices/t:"
  fi
  tvx_close_setup
  tvx_save_temp
  tvx_fresh_state "$TVX_TEST" "${3:-}"
  echo "-- $TVX_TEST: TEMP=$TVX_TEMP"
}

# Ends a test with the status of the command before it, or with STATUS when given (a
# trap that did its own cleaning first passes the status it saw). A test that passed
# but could not put TEMP back fails, saying so.
tvx_test_end() {  # [status]
  local rc=${1:-$?}
  set +e
  [ $rc -ne 0 ] && ui_shot at-failure
  tvx_close_setup
  if [ -n "$tvx_installer_pid" ]; then
    kill -9 "$tvx_installer_pid" 2>/dev/null
    wine taskkill /f /im "$(basename "$TVX_EXE")" </dev/null >/dev/null 2>&1
  fi
  [ -z "${TVX_SMALL:-}" ] || tvx_unmap_small_drive
  if [ $rc -ne 0 ] && [ -z "$TVX_FAILED" ]; then
    echo "FAIL: $TVX_TEST stopped with exit status $rc at: ${TVX_LAST_ERROR:-(unknown)}" >&2
  fi
  if ! tvx_restore_temp; then
    echo "FAIL: $TVX_TEST could not put the prefix's TEMP back" >&2
    [ $rc -ne 0 ] || rc=1
  fi
  exit $rc
}

expect_eq() {  # what, expected, actual
  [ "$2" = "$3" ] || tvx_fail "$1: expected [$2], got [$3]"
  tvx_log "ok: $1"
}
expect_match() {  # what, regex, actual
  [[ $3 =~ $2 ]] || tvx_fail "$1: [$3] does not match /$2/"
  tvx_log "ok: $1"
}
expect_line() {  # what, line, text: the text has exactly that line
  grep -qxF -- "$2" <<<"$3" || tvx_fail "$1: no line [$2] in [$3]"
  tvx_log "ok: $1"
}

# The single "_ZK...tmp" folder this run made in its TEMP folder.
tvx_the_temp_folder() {
  local folders
  folders=$(tvx_temp_folders)
  [ "$(printf '%s\n' "$folders" | grep -c .)" = 1 ] ||
    tvx_fail "expected one _ZK folder in $TVX_TEMP, found: $folders"
  expect_match "temporary folder name" '\\_ZK[0-9a-fA-F]+\.tmp$' "$folders"
  printf '%s\n' "$folders"
}

# The product's 18 files in the archive order of Tellivox.exe (quillox sfx packs the
# release folder in name order).
TVX_PRODUCT_FILES="license.txt qvclient.exe qvcore.dll qvdata.ini qvemoji.dat qvhelp.hlp
qvicons.dat qvlang.dll qvmedia.cab qvnet.dll qvshell.dll qvsounds.pak qvspell.dic qvui.dll
qvupdate.exe readme.txt setup.exe setup.ini"

# The same files in the order of the archive that the test variants link (quorv.qlx:
# setup.exe and setup.ini first), for the variants whose tests follow entry order.
TVX_VARIANT_PRODUCT_FILES="setup.exe setup.ini qvclient.exe qvcore.dll qvnet.dll qvui.dll
qvhelp.hlp readme.txt license.txt qvsounds.pak qvmedia.cab qvicons.dat qvlang.dll qvspell.dic
qvemoji.dat qvupdate.exe qvshell.dll qvdata.ini"

# Expected deletion records: welcome.rtf in WELCOMEDIR, then each named file in DEST,
# then FOLDER.
tvx_expected_pending() {  # welcomedir dest folder files...
  local w=$1 d=$2 folder=$3 f
  shift 3
  printf '%s\\welcome.rtf\n' "$w"
  for f in "$@"; do printf '%s\\%s\n' "$d" "$f"; done
  printf '%s\n' "$folder"
}

# A value of the build's CMake cache (the build information, say).
tvx_cache_value() {
  sed -n "s/^$1:[A-Z]*=//p" "$TVX_BUILD/CMakeCache.txt" | sed "s/^'\\(.*\\)'\$/\\1/"
}

# ---- Temporary folders the ANSI functions cannot name as they are ----------------------

# The short (8.3) form that Wine gives the Windows path of an existing folder, found
# part by part in "dir /x" listings: parts that are valid short names stay as they are.
# (cmd lists a name's characters outside the code page as "?".)
tvx_short_path() {
  local path=$1 result=${1%%\\*} rest part listed short f
  rest=${path#*\\}
  f=$(mktemp)
  while [ -n "$rest" ]; do
    part=${rest%%\\*}
    if [ "$part" = "$rest" ]; then rest=; else rest=${rest#*\\}; fi
    if [[ $part =~ ^[A-Za-z0-9_-]{1,8}(\.[A-Za-z0-9_-]{1,3})?$ ]]; then
      result=$result'\'$part
      continue
    fi
    wine cmd /c dir /x /ad "$result\\" </dev/null >"$f" 2>/dev/null || true
    listed=${part//[^ -~]/?}
    short=$(tr -d '\r' <"$f" |
      awk -v name="$listed" '/<DIR>/ && $NF == name && NF >= 5 { print $(NF - 1); exit }')
    [ -n "$short" ] || { rm -f "$f"; tvx_fail "no short name for $part in $result"; }
    result=$result'\'$short
  done
  rm -f "$f"
  printf '%s\n' "$result"
}

# Marks the moment from which tvx_expect_no_root_files looks (other runs on the same
# machine may have left such files before).
tvx_mark_root_files() {
  TVX_ROOT_MARK=$(mktemp)
  sleep 0.01
}

# Fails when a file of the installer (welcome.rtf or a product file) was written in
# the root of drive C: or of Z: (the Unix root) since tvx_mark_root_files, where an
# empty destination would have put it. The change time counts: the archive gives each
# file its stored date.
tvx_expect_no_root_files() {
  local f root
  for root in "$(tvx_unix 'C:\')" /; do
    # shellcheck disable=SC2086
    for f in welcome.rtf $TVX_PRODUCT_FILES; do
      [ -z "$(find "${root%/}/$f" -maxdepth 0 -cnewer "$TVX_ROOT_MARK" 2>/dev/null)" ] ||
        tvx_fail "$f was written to the root $root"
    done
  done
  rm -f "$TVX_ROOT_MARK"
  tvx_log "ok: nothing written to a drive's root"
}
