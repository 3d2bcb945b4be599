#!/usr/bin/env bash
# Hostile and damaged archives (tests/data/hostile, made by its make.py): each case's
# steps in NAME.expect say what quillox must print, its exit status and the files it
# must leave. Usage: hostile.sh QUILLOX TEST_DATA_DIR [CASE...] (default: every case)
# A QUILLOX ending in .exe runs under Wine (the environment of scripts/test-windows.sh).
set -uo pipefail
q=$(realpath "$1")
data=$(realpath "$2")/hostile
shift 2
names=("$@")
[ ${#names[@]} = 0 ] && names=($(cd "$data" && ls -- *.expect | sed 's/\.expect$//'))
runner=()
case "$q" in *.exe) runner=(wine) ;; esac
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL: $name: $*"; fails=$((fails + 1)); }

step() {
  local verb=$1; shift
  case $verb in
    posix:) [ ${#runner[@]} = 0 ] && step "$@"; return 0 ;;
    wine:) [ ${#runner[@]} = 0 ] || step "$@"; return 0 ;;
    run)
      local want=$1; shift
      "${runner[@]}" "$q" "$@" >out.txt 2>&1 </dev/null
      local got=$?
      tr -d '\r' <out.txt >said.txt
      [ "$got" = "$want" ] || { fail "exit $got, wanted $want: quillox $*"; cat said.txt; } ;;
    says) grep -qF -- "$*" said.txt || { fail "output lacks: $*"; cat said.txt; } ;;
    lacks) grep -qF -- "$*" said.txt && { fail "output has: $*"; cat said.txt; } ;;
    put) mkdir -p "$(dirname "$1")"; local p=$1; shift; printf '%s' "$*" >"$p" ;;
    touch) mkdir -p "$(dirname "$2")"; : >"$2"; touch -d "$1" "$2" ;;
    file)
      if [ ! -f "$1" ]; then fail "missing file $1"; return; fi
      [ "$(stat -c %s "$1")" = "$2" ] && [ "$(sha256sum <"$1" | cut -d' ' -f1)" = "$3" ] ||
        fail "$1 holds other bytes ($(stat -c %s "$1") bytes)" ;;
    smaller) [ -f "$1" ] && [ "$(stat -c %s "$1")" -lt "$2" ] || fail "$1 missing or not below $2 bytes" ;;
    nofile) [ -e "$1" ] && fail "$1 should not exist" ;;
    recent) [ -f "$1" ] && [ $(( $(date +%s) - $(stat -c %Y "$1") )) -lt 600 ] ||
        fail "$1 does not carry the time of the run" ;;
    link) mkdir -p "$(dirname "$2")"; ln -s "$1" "$2" ;;
    chmod) chmod "$1" "$2" ;;
    readonly) [ -f "$1" ] && [ "$(stat -L -c %A "$1" | cut -c3)" = - ] ||
        fail "$1 is not a read-only file" ;;
    holds)
      local dir=$1; shift
      local want got
      want=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
      got=$(cd "$dir" 2>/dev/null && find . -mindepth 1 -printf '%P\n' | sort)
      [ -d "$dir" ] && [ "$got" = "$want" ] || fail "$dir holds: $(echo $got), wanted: $(echo $want)" ;;
    *) fail "unknown step $verb" ;;
  esac
}

cases=0
for name in "${names[@]}"; do
  expect=$data/$name.expect
  mkdir -p "$work/$name"
  cd "$work/$name" || exit 1
  cp "$data/$name.arc" .
  while read -r -a words; do
    [ ${#words[@]} = 0 ] || step "${words[@]}"
  done <"$expect"
  cases=$((cases + 1))
done
[ $cases -gt 0 ] || { echo "no cases in $data"; exit 1; }
[ $fails = 0 ] && echo "all $cases hostile-archive cases passed"
exit $((fails > 0))
