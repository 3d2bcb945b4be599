#!/usr/bin/env bash
# Black-box tests of quillox sfx and of reading installers as data, natively, with the
# small stub of tests/data/pe (no Windows build needed): releases the installer could
# not reproduce are refused with OUT untouched, names go into the ANSI code page, and
# l, t and x read the archives straight from the installer's file.
# (tests/e2e/make_installer.sh packs the real stub and runs the result under Wine.)
# Usage: sfx.sh QUILLOX TEST_DATA_DIR
source "$(dirname "$0")/cli_lib.bash"
stub=$data/pe/stub.exe
corpus=$data/../../fuzz/corpus/fuzz_pe_resources

printf '{\\rtf1\\ansi Welcome to Quorvane.\\par}' >intro.rtf
mkdir -p rel/docs
printf 'MZ setup' >rel/setup.exe
printf 'notes\r\n' >rel/docs/notes.txt
printf 'caf\r\n' >'rel/Café Übersicht.txt'
: >rel/empty.ini

# ---- a release packed and read back from the installer, as data -------------------------
expect 0 "$q" sfx "$stub" inst.exe --welcome intro.rtf --product rel --prefix '\\srv\q\'
has out.txt "inst.exe: "
expect 0 "$q" sfx "$stub" again.exe --welcome intro.rtf --product rel --prefix '\\srv\q\'
cmp -s inst.exe again.exe || fail "the same release packed twice gives other bytes"
expect 0 "$q" l inst.exe
has out.txt '\\srv\q\docs\notes.txt'
has out.txt "4 files"
expect 0 "$q" t inst.exe
has out.txt "4 entries tested, 0 errors"
expect 0 "$q" l inst.exe --resource welcome --json
has out.txt '"path":"welcome.rtf"'  # stored under the name the installer shows
expect 0 "$q" l --library inst.exe QUORV  # the older spelling, read the same way
has out.txt "4 files"
expect 1 "$q" l inst.exe --resource NOSUCH
has err.txt "quillox: inst.exe: has no archive NOSUCH (no TQUILLOX resource of that name)"
expect 1 "$q" l "$stub"
has err.txt "has no archive QUORV"
"$q" a plain.arc -C rel setup.exe >/dev/null
expect 1 "$q" l plain.arc --resource QUORV
has err.txt "not an installer; --resource picks an archive inside one"
# Names in the code page: Café Übersicht.txt is stored as Caf\xE9 \xDCbersicht.txt.
expect 0 "$q" sfx "$stub" flat.exe --welcome intro.rtf --product rel
expect 0 "$q" x flat.exe -C out-1252
[ -f "out-1252/Caf"$'\xe9'" "$'\xdc'"bersicht.txt" ] || { fail "Café not stored in code page 1252"; ls out-1252; }
cmp -s out-1252/docs/notes.txt rel/docs/notes.txt || fail "x from an installer"
mkdir rel-pl
printf 'MZ' >rel-pl/setup.exe
printf 'x' >rel-pl/Łódź.txt
expect 0 "$q" sfx "$stub" pl.exe --welcome intro.rtf --product rel-pl --codepage 1250
expect 0 "$q" x pl.exe -C out-1250
[ -f "out-1250/"$'\xa3\xf3d\x9f'".txt" ] || { fail "Łódź not stored in code page 1250"; ls out-1250; }

# ---- refusals: exit 1, every file named, OUT untouched --------------------------------
refuse() {  # WHAT, then the sfx arguments after STUB OUT
  local what=$1; shift
  printf 'keep' >kept.exe
  expect 1 "$q" sfx "$stub" kept.exe "$@"
  [ "$(cat kept.exe)" = keep ] || fail "$what: OUT changed"
  no_temp
  has err.txt "kept.exe: not written"
}
mkdir -p clash/docs clash/other
cp rel/setup.exe clash/
printf 'a' >clash/README.txt
printf 'b' >clash/docs/readme.TXT
printf 'c' >clash/other/ReadMe.txt
printf 'd' >clash/Łódź.txt
printf 'e' >'clash/what?.txt'
refuse "names equal as the installer writes them" --welcome intro.rtf --product clash
has err.txt "quillox: clash/docs/readme.TXT: installs as readme.TXT like clash/README.txt"
has err.txt "quillox: clash/other/ReadMe.txt: installs as ReadMe.txt like clash/README.txt"
has err.txt "the installer puts every file directly into one folder"
has err.txt "quillox: clash/Łódź.txt: cannot be stored as Łódź.txt: U+0141 'Ł' is not in code page 1252"
has err.txt "quillox: clash/what?.txt: Windows cannot give a file this name"
mkdir -p nosetup/bin
printf 'MZ' >nosetup/bin/setup.exe
refuse "a release without setup.exe at its top" --welcome intro.rtf --product nosetup
has err.txt "no setup.exe at the top of the release"
printf 'Welcome!' >welcome.txt
refuse "a welcome file that is not rich text" --welcome welcome.txt --product rel
has err.txt "quillox: welcome.txt: not rich text (it does not begin with {\\rtf)"
printf 'keep' >kept.exe
expect 2 "$q" sfx "$stub" kept.exe --welcome intro.rtf --product rel --codepage 932
has err.txt "--codepage 932: not a code page quillox knows (known: 874, 1250,"
[ "$(cat kept.exe)" = keep ] || fail "unknown code page: OUT changed"

# ---- stubs the PE rewriter cannot turn into a valid image: refused with the reason ------
for f in "$corpus"/regress-*; do
  name=$(basename "$f")
  printf 'keep' >kept.exe
  expect 1 "$q" sfx "$f" kept.exe --welcome intro.rtf --product rel
  grep -qE "not a (PE32 executable|Tellivox installer stub) \(" err.txt && ! grep -q '_M_\|vector' err.txt ||
    { fail "$name: unclear refusal"; cat err.txt; }
  [ "$(cat kept.exe)" = keep ] || fail "$name: OUT changed"
done

[ $fails = 0 ] && echo "all sfx CLI tests passed"
exit $((fails > 0))
