# Shared by the black-box tests of quillox a and sfx: sourced with QUILLOX and
# TEST_DATA_DIR as $1 and $2, and not named *.sh so that it is no test itself. Each
# test runs in a scratch folder of its own, removed at the end.
set -uo pipefail
q=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work" || exit 1
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
# expect CODE CMD...: runs CMD with its output in out.txt and err.txt, checks the code.
expect() {
  local want=$1; shift
  "$@" >out.txt 2>err.txt
  local got=$?
  [ "$got" = "$want" ] || { fail "exit $got, wanted $want: $*"; cat err.txt; }
}
# has FILE TEXT: FILE holds TEXT.
has() { grep -qF -- "$2" "$1" || { fail "$1 lacks: $2"; cat "$1"; }; }
# no_temp: no temporary file is left in the scratch folder.
no_temp() { [ -z "$(ls -A | grep '\.tmp$')" ] || fail "temporary file left: $(ls -A | grep '\.tmp$')"; }
