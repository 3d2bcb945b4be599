# Shared by the raw_*.sh tests: sourced, and not named *.sh so that it is no test itself.
# Each case runs quillox in a scratch folder and checks the exit code, standard error
# and, where given, standard output.
set -u
Q=$1
DATA=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# expect CODE STDERR_TEXT -- quillox-args...   (stdin from $scratch/in, stdout to $scratch/out)
expect() {
    local code=$1 err=$2; shift 3
    local got=0
    "$Q" "$@" <"$scratch/in" >"$scratch/out" 2>"$scratch/err" || got=$?
    if [ "$got" != "$code" ]; then
        echo "FAIL: quillox $* exited $got, expected $code"; cat "$scratch/err"; failures=$((failures + 1)); return
    fi
    if [ -n "$err" ] && ! grep -qxF -- "$err" "$scratch/err"; then
        echo "FAIL: quillox $*: stderr lacks '$err':"; cat "$scratch/err"; failures=$((failures + 1))
    fi
}

# same FILE: standard output of the last case equals FILE
same() {
    if ! cmp -s "$scratch/out" "$1"; then echo "FAIL: output differs from $1"; failures=$((failures + 1)); fi
}

# bytesum FILE: the unsigned 32-bit byte sum, as quillox prints it
bytesum() { od -An -v -tu1 "$1" | awk '{ for (i = 1; i <= NF; i++) s += $i } END { printf "%d", s % 4294967296 }'; }

finish() {
    [ "$failures" -eq 0 ] && echo "all cases passed"
    exit "$failures"
}
