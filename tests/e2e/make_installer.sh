# quillox sfx, as a release engineer uses it: packs the demo release (and a file named
# Café Übersicht.txt) into the stub and checks the result with an independent PE
# reader (python3-pefile): the two archives byte for byte what `quillox a` makes of the
# same input, with their check record (size and CRC-32 of each, as zlib computes it),
# the build values and version as given, a sound PE layout; packing an installer again
# replaces its payload; quillox l reads the packed installer as data; each refusal
# leaves OUT alone; the result can be signed and verified (osslsigncode); and
# quillox.exe under Wine writes the very same bytes as the native quillox.
# Last, the installer packed with build values other than the stub's runs the install
# road under Wine: setup.exe starts and finds exactly those values in setup.ini.
# (The other e2e tests run the demo's Tellivox.exe, also made by quillox sfx.)
# Usage: make_installer.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin make_installer "$1"
build=$TVX_BUILD
source_dir=$TVX_SOURCE
py=/usr/bin/python3
q=$(sed -n 's/^TVX_HOST_QUILLOX:[A-Z]*=//p' "$build/CMakeCache.txt")
stub=$build/installer/TellivoxStub.exe
qexe=$build/quillox.exe
for f in "$q" "$stub" "$qexe" "$build/demo/product/setup.exe"; do
  [ -e "$f" ] || { echo "FAIL: missing $f (build first)"; exit 1; }
done
$py -c 'import pefile' || { echo "SKIP: python3-pefile missing"; exit 77; }
work=$TVX_SHOTS/work  # left for a look when the test fails
mkdir -p "$work"
cd "$work"
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
ok() { echo "   ok: $*"; }

cp -r "$build/demo/product" product
# A name beyond ASCII: stored in code page 1252, installed under the same name.
printf 'Gr\xfc\xdfe\r\n' >"product/Café Übersicht.txt"
cp "$source_dir/demo/welcome.rtf" welcome.rtf
stub_sum=$(sha256sum <"$stub")
prefix='\\qvbuild\release\quorvane\'
values=(--gateway /Ggw9.release.example --product-level /P4 --email-domain /Eq.example)

# ---- the demo release, packed and read back --------------------------------------------
t0=$(date +%s%N)
"$q" sfx "$stub" Quorvane-4.2.exe --welcome welcome.rtf --product product --prefix "$prefix" \
  "${values[@]}" --version 4.2.0.118 >out.txt || fail "packing the demo release"
t1=$(date +%s%N)
echo "   packed the demo release in $(((t1 - t0) / 1000000)) ms: $(cat out.txt)"
echo "   sizes: stub $(stat -c %s "$stub"), packed $(stat -c %s Quorvane-4.2.exe)"
[ "$(sha256sum <"$stub")" = "$stub_sum" ] && ok "the stub is unchanged" || fail "the stub changed"

# What `quillox a` makes of the same input.
"$q" a ref-welcome.qlx -m LH5 -C . welcome.rtf
"$q" a ref-quorv.qlx -m LH5 --prefix "$prefix" --codepage 1252 -C product .

# check.py EXE PREFIX STUB: the resources and layout of EXE, as pefile reads them, against
# the STUB it was packed from; writes the two archives to PREFIX-welcome.qlx and
# PREFIX-quorv.qlx and prints the version strings.
cat >check.py <<'EOF'
import struct, sys, zlib, pefile
exe, out, stubname = sys.argv[1:4]
pe = pefile.PE(exe)
stub = pefile.PE(stubname)
problems = pe.get_warnings()
def fail(m): problems.append(m)
oh = pe.OPTIONAL_HEADER
if oh.CheckSum != pe.generate_checksum(): fail("checksum %x, computed %x" % (oh.CheckSum, pe.generate_checksum()))
if pe.get_overlay_data_start_offset() is not None: fail("data after the last section")
last = pe.sections[-1]
size = -(-(last.VirtualAddress + last.Misc_VirtualSize) // oh.SectionAlignment) * oh.SectionAlignment
if oh.SizeOfImage != size: fail("SizeOfImage %x, expected %x" % (oh.SizeOfImage, size))
for a, b in zip(pe.sections, pe.sections[1:]):
    if b.VirtualAddress < a.VirtualAddress + a.Misc_VirtualSize: fail("sections overlap")
    if b.SizeOfRawData and b.PointerToRawData < a.PointerToRawData + a.SizeOfRawData: fail("raw data overlaps")
for s in pe.sections:
    if s.PointerToRawData % oh.FileAlignment or s.SizeOfRawData % oh.FileAlignment: fail("unaligned " + str(s.Name))
    if s.VirtualAddress % oh.SectionAlignment: fail("unaligned address " + str(s.Name))
rsrc = pe.OPTIONAL_HEADER.DATA_DIRECTORY[2]
if not [s for s in pe.sections if s.VirtualAddress == rsrc.VirtualAddress and s.Misc_VirtualSize == rsrc.Size]:
    fail("resource directory is not its section")
def relocs(p): return [(e.rva, e.type) for b in p.DIRECTORY_ENTRY_BASERELOC for e in b.entries]
if relocs(pe) != relocs(stub): fail("base relocations differ from the stub's")
for s, t in zip(pe.sections, stub.sections):
    if s.Name != t.Name: fail("section names differ")
    elif s.Name.startswith(b".rsrc"): break
    elif s.get_data() != t.get_data() or s.VirtualAddress != t.VirtualAddress: fail("section %s changed" % s.Name)
names, archives, record = [], {}, None
for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
    for n in t.directory.entries:
        tn = str(t.name) if t.name else str(t.id)
        nn = str(n.name) if n.name else str(n.id)
        names.append(tn + "/" + nn)
        d = n.directory.entries[0].data.struct
        if tn == "TQUILLOX":
            archives[nn] = pe.get_data(d.OffsetToData, d.Size)
            open("%s-%s.qlx" % (out, nn.lower()), "wb").write(archives[nn])
        if tn == "TVXCHECK" and nn == "PAYLOAD":
            record = pe.get_data(d.OffsetToData, d.Size)
            open("%s-record.bin" % out, "wb").write(record)
print("resources " + " ".join(names))
# The check record, read independently: mark, version, count, then name, size, CRC-32.
if record is None or record[:10] != b"TVXCHECK\x01\x02": fail("no check record of two archives")
else:
    at, listed = 10, {}
    while at < len(record):
        n = record[at]
        name = record[at + 1:at + 1 + n].decode()
        listed[name] = struct.unpack_from("<II", record, at + 1 + n)
        at += 1 + n + 8
    want = {k: (len(v), zlib.crc32(v)) for k, v in archives.items()}
    if listed != want: fail("check record %s, archives %s" % (listed, want))
    else: print("check record matches")
for fi in pe.FileInfo[0]:
    if hasattr(fi, "StringTable"):
        for st in fi.StringTable:
            for k, v in st.entries.items():
                print("%s/%s=[%s]" % (st.LangID.decode(), k.decode(), v.decode()))
f = pe.VS_FIXEDFILEINFO[0]
print("fixed %d.%d.%d.%d" % (f.FileVersionMS >> 16, f.FileVersionMS & 0xFFFF, f.FileVersionLS >> 16, f.FileVersionLS & 0xFFFF))
for p in problems: print("PROBLEM " + p)
EOF
check() { $py check.py "$1" "$2" "$stub" >"$2.txt" || fail "pefile could not read $1"; }
has() { grep -qxF -- "$2" "$1" && ok "$3" || { fail "$3: $1 lacks [$2]"; cat "$1"; }; }

check Quorvane-4.2.exe a
grep PROBLEM a.txt && fail "layout of Quorvane-4.2.exe" || ok "sound PE layout and checksum"
has a.txt "resources TQUILLOX/QUORV TQUILLOX/WELCOME TVXCHECK/PAYLOAD 2/WELCOMEIMAGE 16/1" \
  "the stub's resources plus the two archives and their check record"
has a.txt "check record matches" "the check record holds each archive's size and CRC-32"
cmp -s a-welcome.qlx ref-welcome.qlx && ok "WELCOME is what quillox a makes" || fail "WELCOME differs from quillox a"
cmp -s a-quorv.qlx ref-quorv.qlx && ok "QUORV is what quillox a makes" || fail "QUORV differs from quillox a"
"$q" check-record ref-record.bin WELCOME=ref-welcome.qlx QUORV=ref-quorv.qlx
cmp -s a-record.bin ref-record.bin && ok "the check record is what quillox check-record makes" ||
  fail "the check record differs from quillox check-record"
has a.txt "040904E4/Gateway=[/Ggw9.release.example         ]" "Gateway padded to 30"
has a.txt "040904E4/ProductLevel=[/P4  ]" "ProductLevel padded to 5"
has a.txt "040904E4/EmailDomain=[/Eq.example$(printf '%29s' '')]" "EmailDomain padded to 40"
has a.txt "040904E4/FileVersion=[4.2.0.118]" "file version text"
has a.txt "040904E4/ProductName=[Quorvane]" "other strings kept"
has a.txt "fixed 4.2.0.118" "fixed file version"
"$q" t a-quorv.qlx >/dev/null && ok "QUORV tests clean" || fail "QUORV does not test clean"
[ -x Quorvane-4.2.exe ] && ok "OUT is executable like the stub" || fail "OUT lost the execute bit"
# The installer read as data, as a release engineer inspects it.
"$q" l ref-quorv.qlx >ref-list.txt
"$q" l Quorvane-4.2.exe >exe-list.txt && cmp -s ref-list.txt exe-list.txt &&
  ok "quillox l reads the installer's product archive" || fail "quillox l of the installer"
"$q" t Quorvane-4.2.exe --resource welcome >/dev/null && ok "quillox t reads its welcome archive" ||
  fail "quillox t --resource welcome of the installer"

# ---- packing twice: the payload and values are replaced --------------------------------
mkdir small
printf 'second release\r\n' >small/readme.txt
cp product/setup.exe small/
"$q" sfx Quorvane-4.2.exe twice.exe --welcome welcome.rtf --product small --prefix 'X\' \
  --gateway /Gother --version 4.3.0.1 >/dev/null || fail "packing a packed installer"
"$q" sfx "$stub" once.exe --welcome welcome.rtf --product small --prefix 'X\' \
  --gateway /Gother --product-level /P4 --email-domain /Eq.example --version 4.3.0.1 >/dev/null
cmp -s twice.exe once.exe && ok "packing a packed installer equals packing the stub" ||
  fail "packing twice differs from packing once"
check twice.exe b
has b.txt "resources TQUILLOX/QUORV TQUILLOX/WELCOME TVXCHECK/PAYLOAD 2/WELCOMEIMAGE 16/1" "no payload left behind"
has b.txt "check record matches" "the check record replaced with the payload"
"$q" l b-quorv.qlx | grep -q 'X\\readme.txt' && ok "the new product archive" || fail "QUORV not replaced"

# ---- refusals: exit 1, a message, OUT untouched ----------------------------------------
refuse() {  # what, expected message part, sfx arguments...
  local what=$1 msg=$2 rc=0
  shift 2
  printf 'keep' >kept.exe
  "$q" sfx "$@" >out.txt 2>err.txt || rc=$?
  if [ $rc = 1 ] && grep -qF -- "$msg" err.txt && [ "$(cat kept.exe)" = keep ] &&
     [ -z "$(ls | grep '\.tmp$')" ]; then ok "refuses $what"
  else fail "$what: exit $rc, stderr: $(cat err.txt), OUT: $(head -c 20 kept.exe | tr -c '[:print:]' .)"; fi
}
printf 'MZ but nothing else' >notpe.exe
refuse "a file that is not a PE" "notpe.exe: not a PE32 executable" notpe.exe kept.exe --welcome welcome.rtf --product small
refuse "a PE that is not a stub" "setup.exe: not a Tellivox installer stub" product/setup.exe kept.exe --welcome welcome.rtf --product small
refuse "a missing welcome file" "nowelcome.rtf: no such file" "$stub" kept.exe --welcome nowelcome.rtf --product small
refuse "a missing product folder" "noproduct: no such folder" "$stub" kept.exe --welcome welcome.rtf --product noproduct
refuse "a value too long" "ProductLevel holds at most 5" "$stub" kept.exe --welcome welcome.rtf --product small --product-level /P1234
cp "$stub" own.exe
rc=0
"$q" sfx own.exe ./own.exe --welcome welcome.rtf --product small 2>err.txt || rc=$?
[ $rc = 1 ] && grep -qF "is the stub itself" err.txt && cmp -s own.exe "$stub" &&
  ok "refuses to pack onto the stub itself" || fail "packing onto the stub: exit $rc, $(cat err.txt)"
refuse "an installer inside the product folder" "lies inside the product folder" "$stub" small/x.exe --welcome welcome.rtf --product ./small/
mkdir big
truncate -s 1200M big/part1.bin
truncate -s 1000M big/part2.bin
refuse "a payload over 2 GB" "at most 2 GB" "$stub" kept.exe --welcome welcome.rtf --product big
rm -rf big

# ---- signing ---------------------------------------------------------------------------
if ! command -v osslsigncode >/dev/null; then
  fail "osslsigncode missing (scripts/deps.sh installs it)"
else
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tellivox test" \
    -keyout key.pem -out cert.pem >/dev/null 2>&1
  osslsigncode sign -certs cert.pem -key key.pem -n Quorvane -in Quorvane-4.2.exe \
    -out signed.exe >sign.txt 2>&1 || fail "signing: $(cat sign.txt)"
  osslsigncode verify -CAfile cert.pem -in signed.exe >verify.txt 2>&1 &&
    grep -q "Signature verification: ok" verify.txt && ok "the packed installer signs and verifies" ||
    fail "signature does not verify: $(tail -5 verify.txt)"
  "$q" sfx signed.exe resigned.exe --welcome welcome.rtf --product small >/dev/null ||
    fail "packing a signed installer"
  check resigned.exe c
  grep PROBLEM c.txt && fail "layout after packing a signed installer" ||
    ok "packing a signed installer drops the stale signature"
fi

# ---- quillox.exe under Wine writes the same bytes --------------------------------------
if wine --version >/dev/null 2>&1; then
  cp "$stub" stub.exe
  touch -r "$stub" stub.exe
  wine "$qexe" sfx stub.exe wine.exe --welcome welcome.rtf --product product --prefix "$prefix" \
    "${values[@]}" --version 4.2.0.118 </dev/null >wine.txt 2>&1 || fail "quillox.exe: $(cat wine.txt)"
  cmp -s wine.exe Quorvane-4.2.exe && ok "quillox.exe under Wine writes the same installer" ||
    fail "quillox.exe under Wine wrote other bytes"
  wine "$qexe" l wine.exe </dev/null 2>&1 | tr -d '\r' >wine-list.txt
  cmp -s wine-list.txt exe-list.txt && ok "quillox.exe reads the installer as data too" ||
    fail "quillox.exe l of the installer: $(head -3 wine-list.txt)"
  # An OUT held open by another program (say, a running installer) stays as it was.
  rm -f released
  wine "$build/demo/filelock.exe" wine.exe released </dev/null >lock.out 2>&1 &
  for _ in $(seq 100); do grep -q locked lock.out && break; sleep 0.1; done
  rc=0
  wine "$qexe" sfx stub.exe wine.exe --welcome welcome.rtf --product small </dev/null >out.txt 2>err.txt || rc=$?
  touch released
  wait
  [ $rc = 1 ] && grep -qF "wine.exe: cannot write" err.txt && cmp -s wine.exe Quorvane-4.2.exe &&
    [ -z "$(ls | grep '\.tmp$')" ] && ok "a locked OUT is reported and left as it was" ||
    fail "locked OUT: exit $rc, $(tr -d '\r' <err.txt)"
fi

# ---- the install road with the packed values ------------------------------------------
TVX_T0_NS=$(date +%s%N)
tvx_start_installer "$work/Quorvane-4.2.exe"
tvx_drive_normal_road
tvx_expect_exit 0
dest=$(tvx_setup_report | sed -n 's/^cwd=//p')
[ -n "$dest" ] && ok "setup.exe started in $dest" || fail "setup.exe was not started"
expect_eq "setup.ini with the packed build values" \
  "$(printf 'Gateway=/Ggw9.release.example         \nProdLevel=/P4  \nEmailDomain=/Eq.example%29s' '')" \
  "$(tr -d '\r' <"$(tvx_unix "$dest")/setup.ini" | sed -n 2,4p)"
for f in product/*; do
  [ "$(basename "$f")" = setup.ini ] && continue
  cmp -s "$f" "$(tvx_unix "$dest")/$(basename "$f")" || fail "$(basename "$f") not installed as packed"
done

[ $fails = 0 ] || { echo "$fails failure(s)"; exit 1; }
cd "$TVX_SHOTS"
rm -rf "$work"
echo PASS
