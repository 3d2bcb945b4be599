#!/usr/bin/env python3
"""Makes the hostile and damaged archives of this folder and what quillox must do with
each; kept as the record of how. Run from a built tree:

    python3 tests/data/hostile/make.py build/native/quillox

For every case NAME it writes NAME.arc and NAME.expect. The .expect file is a list of
steps that tests/cli/hostile.sh carries out in a scratch folder holding a copy of the
archive:

    run CODE ARGS...       runs quillox ARGS and wants exit status CODE
    says TEXT              the last run printed TEXT (standard output or error)
    lacks TEXT             ... did not print TEXT
    put PATH TEXT          writes TEXT to PATH (a file that is there before the run)
    file PATH SIZE SHA256  PATH holds exactly these bytes
    smaller PATH N         PATH exists and holds fewer than N bytes
    nofile PATH            nothing named PATH exists
    recent PATH            PATH's last-write time is the time of the run, not a stored one
    touch DATE PATH        makes PATH, dated DATE (touch -d)
    link TARGET PATH       makes PATH a symbolic link to TARGET
    chmod MODE PATH        sets PATH's permissions (444: read-only for Windows too)
    readonly PATH          PATH is a file its owner may not write (Windows: read-only)
    holds DIR NAME...      DIR holds exactly these names, below it at any depth (so no
                           temporary file is left)

A step may begin with "posix:" or "wine:": it is then taken only natively, or only
under Wine. The cases that tests/CMakeLists.txt names also run through quillox.exe
under Wine.
quillox is used only to code an LH5 stream; every archive is put together here byte by
byte, so that it can be as broken as the case needs.
"""
import hashlib
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
QUILLOX = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else None
DOS_2000 = 0x282D944E  # 13 January 2000, 18:34:28
METHODS = {"NON": 0, "RLE": 1, "LZH": 2, "CUS": 3, "LH5": 4}


def archive_header(total, method="NON"):
    return b"YRMA\x1a" + method.encode() + struct.pack("<iBii", total, 1, 0, 0)


def entry(path, stored, expanded=None, method=0, checksum=None, lock=0, date=DOS_2000,
          stored_size=None, attributes=0x20):
    """An entry header, its path and its stored bytes; the checksum of the stored bytes
    unless told otherwise (right for method 0)."""
    p = path.encode("latin-1")
    if expanded is None:
        expanded = len(stored)
    if checksum is None:
        checksum = sum(stored) & 0xFFFFFFFF
    if stored_size is None:
        stored_size = len(stored)
    head = struct.pack("<hiHiiBIi", len(p), date, attributes, expanded, stored_size, method,
                       checksum, lock)
    return head + p + stored


def lh5(data):
    """The LH5 stream of data, as quillox codes it."""
    r = subprocess.run([QUILLOX, "raw", "compress", "--method", "LH5"], input=data,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
    return r.stdout


def sha(data):
    return hashlib.sha256(data).hexdigest()


def file_step(path, data):
    return "file %s %d %s" % (path, len(data), sha(data))


def write(name, arc, steps):
    with open(os.path.join(HERE, name + ".arc"), "wb") as f:
        f.write(arc)
    with open(os.path.join(HERE, name + ".expect"), "w") as f:
        f.write("\n".join(steps) + "\n")


TEXT = b"".join(b"line %04d of the text that a.txt holds\n" % i for i in range(80))[:3000]
VISIBLE = b"visible\n"
assert len(TEXT) == 3000

# An LH5 entry whose coded stream ends well before its StoredSize, with an entry header
# hidden in the rest, where a reader that goes on from its last 8192-byte read would
# find it: every reader goes on at the entry's end and never sees it.
coded = lh5(TEXT)
hidden = entry("a.txt", b"smuggled!")
stored = coded + bytes(8192 - len(coded)) + hidden + bytes(100)
write("smuggled",
      archive_header(3000 + len(VISIBLE), "LH5")
      + entry("a.txt", stored, expanded=3000, method=4, checksum=sum(TEXT))
      + entry("c.txt", VISIBLE),
      ["run 0 l smuggled.arc", "says 2 files", "lacks smuggled",
       "run 0 t smuggled.arc", "says 2 entries tested, 0 errors",
       "run 0 x smuggled.arc -C out",
       file_step("out/a.txt", TEXT), file_step("out/c.txt", VISIBLE)])

# An entry of zeros whose checksum is 0: it passes, and a stop at it must not (the stop
# itself is tested in process, ExpandTest).
write("zero-sum",
      archive_header(20001) + entry("zeros.bin", bytes(20000)) + entry("one.txt", b"1"),
      ["run 0 t zero-sum.arc", "says 2 entries tested, 0 errors",
       "run 0 x zero-sum.arc -C out", file_step("out/zeros.bin", bytes(20000)),
       file_step("out/one.txt", b"1")])

# 66 bytes claiming 300,000,000 bytes of checksum 0: zeros from nowhere.
bomb = archive_header(300000000, "LH5") + entry("bomb.bin", bytes(12), expanded=300000000,
                                                method=4, checksum=0)
assert len(bomb) == 66
write("zero-bomb", bomb,
      ["run 0 l zero-bomb.arc", "says 300000000",
       "run 1 t zero-bomb.arc",
       "says bomb.bin: Bad checksum during expansion -- data may be invalid",
       "says 1 entry tested, 1 error",
       "run 1 x zero-bomb.arc -C out",
       "says quillox: bomb.bin: Bad checksum during expansion -- data may be invalid",
       "holds out"])

# Three stored entries, cut inside the third entry header.
three = [("one.txt", b"first file\n"), ("two.txt", b"second file\n"), ("three.txt", b"third\n")]
whole = archive_header(sum(len(d) for _, d in three)) + b"".join(entry(p, d) for p, d in three)
cut_at = len(whole) - len(three[2][1]) - len("three.txt") - 10
write("cut", whole[:cut_at],
      ["run 0 l cut.arc", "says 2 files",
       "run 1 t cut.arc", "says quillox: cut.arc: damaged bytes after the last complete entry",
       "says quillox: cut.arc: total size 29 differs from the sum of the entries, 23",
       "says 2 entries tested, 2 errors",
       "run 1 x cut.arc -C out",
       "says quillox: cut.arc: damaged bytes after the last complete entry",
       "says quillox: cut.arc: total size 29 differs from the sum of the entries, 23",
       file_step("out/one.txt", three[0][1]), file_step("out/two.txt", three[1][1]),
       "nofile out/three.txt"])

# The second entry's StoredSize is negative: no reader can pass over it.
write("negative-size",
      archive_header(sum(len(d) for _, d in three)) + entry(*three[0])
      + entry(three[1][0], three[1][1], stored_size=-5) + entry(*three[2]),
      ["run 0 l negative-size.arc", "says 1 file",
       "run 1 t negative-size.arc",
       "says quillox: negative-size.arc: damaged bytes after the last complete entry",
       "says 1 entry tested, 2 errors",
       "run 1 x negative-size.arc -C out",
       "says quillox: negative-size.arc: damaged bytes after the last complete entry",
       "says quillox: negative-size.arc: total size 29 differs from the sum of the entries, 11",
       file_step("out/one.txt", three[0][1]), "nofile out/two.txt", "nofile out/three.txt"])

# The last entry's stored data runs past the end of the archive (a stored entry with
# checksum 0 would otherwise pass short), over a file the user already has: the file
# stays as it was.
write("past-end",
      archive_header(11 + 100) + entry(*three[0])
      + entry("long.bin", b"only part", expanded=100, checksum=0, stored_size=100),
      ["run 1 t past-end.arc", "says long.bin: stored data runs past the end of the archive",
       "put out/long.bin user data",
       "run 1 x past-end.arc -C out",
       "says quillox: long.bin: stored data runs past the end of the archive",
       file_step("out/one.txt", three[0][1]), file_step("out/long.bin", b"user data"),
       "holds out one.txt long.bin"])

# The same with a run-length entry whose bytes, as far as they go, make the expanded
# size and the checksum: the cut is what gives it away.
RUNS = bytes([0x41, 0x94, 0x05, 0x42])  # AAAAAB
write("past-end-rle",
      archive_header(6, "RLE")
      + entry("runs.txt", RUNS, expanded=6, method=1, checksum=5 * 0x41 + 0x42,
              stored_size=50),
      ["run 1 t past-end-rle.arc", "says runs.txt: stored data runs past the end of the archive",
       "put out/runs.txt user data",
       "run 1 x past-end-rle.arc -C out",
       "says quillox: runs.txt: stored data runs past the end of the archive",
       file_step("out/runs.txt", b"user data"), "holds out runs.txt"])

# Entries whose data does not make the size their header promises: each fails in t and
# in x, whatever its checksum says, and leaves nothing behind (a user's file stays).
SIZES = [("more.txt", entry("more.txt", b"0123456789", expanded=5, checksum=0)),
         ("fewer.txt", entry("fewer.txt", b"abc", expanded=10, checksum=0)),
         ("nothing.txt", entry("nothing.txt", b"", expanded=50, checksum=0)),
         # the run goes on past the 3 bytes; their sum alone would pass
         ("run.bin", entry("run.bin", bytes([0x41, 0x94, 0xFF]), expanded=3, method=1,
                           checksum=3 * 0x41)),
         ("m7.bin", entry("m7.bin", b"", expanded=50, method=7, checksum=0))]
BAD_SUM = "Bad checksum during expansion -- data may be invalid"
steps = ["run 0 l wrong-size.arc", "says 5 files", "run 1 t wrong-size.arc"]
steps += ["says quillox: %s: %s" % (n, BAD_SUM) for n, _ in SIZES]
steps += ["says 5 entries tested, 5 errors"]
for n, _ in SIZES:
    steps += ["put ko/%s user data" % n, "run 1 x wrong-size.arc -C ko %s" % n,
              "says quillox: %s: %s" % (n, BAD_SUM), file_step("ko/" + n, b"user data")]
steps += ["holds ko " + " ".join(n for n, _ in SIZES)]
write("wrong-size", archive_header(5 + 10 + 50 + 3 + 50) + b"".join(e for _, e in SIZES), steps)

# Past the archive's total size readers stop; x creates only the entries there that
# hold nothing at all, and t fails the others as x does (a "ghost" of 100 stored bytes
# that expands to nothing, an entry whose size is negative).
write("ghost",
      archive_header(5) + entry("a.txt", b"hello") + entry("empty.txt", b"")
      + entry("ghost.bin", bytes(100), expanded=0, checksum=0),
      ["run 1 t ghost.arc",
       "says quillox: ghost.bin: lies past the archive's total size; readers never expand it",
       "lacks empty.txt:",
       "run 1 x ghost.arc -C out",
       "says quillox: ghost.bin: not expanded: it lies past the archive's total size",
       file_step("out/a.txt", b"hello"), file_step("out/empty.txt", b""),
       "holds out a.txt empty.txt"])
write("negative-total",
      archive_header(0) + entry("neg.txt", b"", expanded=-5, checksum=0)
      + entry("b.txt", b"hello"),
      ["run 1 t negative-total.arc",
       "says quillox: neg.txt: lies past the archive's total size; readers never expand it",
       "says quillox: b.txt: lies past the archive's total size; readers never expand it",
       "run 1 x negative-total.arc -C out",
       "says quillox: neg.txt: not expanded: it lies past the archive's total size",
       "says quillox: b.txt: not expanded: it lies past the archive's total size",
       "holds out"])

# Links planted in the target folder are never followed: not a folder link named like
# an entry's folder, not a link at an entry's own name (dangling, or to a read-only file
# elsewhere, whose mode must not change). Under Wine a Unix link to a folder is a
# reparse point; a link to a file looks like the file, and x then replaces the link
# itself (renaming over it), still writing nothing outside the folder.
write("link-folder",
      archive_header(6) + entry("sub\\a.txt", b"sub") + entry("ok.txt", b"ok\n"),
      ["link ../elsewhere out/sub", "put elsewhere/keep.txt kept",
       "run 1 x link-folder.arc -C out",
       "says quillox: sub\\a.txt: unsafe path skipped (a link is in the way: out\\sub)",
       file_step("out/ok.txt", b"ok\n"), "holds elsewhere keep.txt",
       "run 1 x link-folder.arc -C out sub\\a.txt", "holds elsewhere keep.txt"])
write("link-file",
      archive_header(16) + entry("dangling.txt", b"dangling") + entry("ro.txt", b"readonly"),
      ["link ../nowhere.txt out/dangling.txt", "put elsewhere/ro.txt precious",
       "chmod 444 elsewhere/ro.txt", "link ../elsewhere/ro.txt out/ro.txt",
       "posix: run 1 x link-file.arc -C out",
       "posix: says quillox: dangling.txt: unsafe path skipped (a link is in the way: out\\dangling.txt)",
       "posix: says quillox: ro.txt: unsafe path skipped (a link is in the way: out\\ro.txt)",
       "wine: run 0 x link-file.arc -C out",
       "wine: " + file_step("out/dangling.txt", b"dangling"),
       "wine: " + file_step("out/ro.txt", b"readonly"),
       "nofile nowhere.txt", file_step("elsewhere/ro.txt", b"precious"),
       "readonly elsewhere/ro.txt"])

# A read-only file of the user's is replaced by a verified entry, and a read-only entry
# is written read-only; again over what the first run left.
write("readonly-over-file",
      archive_header(3) + entry("a.txt", b"new", attributes=0x21),
      ["put ko/a.txt old", "chmod 444 ko/a.txt",
       "run 0 x readonly-over-file.arc -C ko", file_step("ko/a.txt", b"new"),
       "readonly ko/a.txt",
       "run 0 x readonly-over-file.arc -C ko", file_step("ko/a.txt", b"new"),
       "readonly ko/a.txt", "holds ko a.txt"])

# A path longer than any fixed line buffer is listed whole, and the next row after it.
LONG = "d" * 200 + "\\" + "n" * 246 + ".exe"
write("long-path",
      archive_header(2) + entry(LONG, b"1") + entry("next.txt", b"2"),
      ["run 0 l long-path.arc", "says " + LONG, "says 2 files"])

# A locked, scrambled entry over a file the user already has: neither a missing nor a
# wrong key may destroy it; the right key replaces it.
KEY = 0x1234
SECRET = b"secret contents\n"
scrambled = bytes(b ^ ((KEY >> (8 * (i % 4))) & 0xFF) for i, b in enumerate(SECRET))
write("locked-over-file",
      archive_header(len(SECRET)) + entry("a.txt", scrambled, checksum=sum(SECRET), lock=2),
      ["put ko/a.txt user data",
       "run 1 x locked-over-file.arc -C ko", "says quillox: a.txt: File locked -- valid key required",
       file_step("ko/a.txt", b"user data"), "holds ko a.txt",
       "run 1 x locked-over-file.arc -C ko -k 5",
       "says quillox: a.txt: File locked -- valid key required",
       file_step("ko/a.txt", b"user data"), "holds ko a.txt",
       "run 0 x locked-over-file.arc -C ko -k 4660", file_step("ko/a.txt", SECRET),
       "holds ko a.txt"])

# A damaged entry over an existing file: the file stays as it was.
BAD = entry("b.txt", b"new bytes", checksum=12345)
write("damaged-over-file",
      archive_header(9) + BAD,
      ["put ko/b.txt kept",
       "run 1 x damaged-over-file.arc -C ko",
       "says quillox: b.txt: Bad checksum during expansion -- data may be invalid",
       file_step("ko/b.txt", b"kept"), "holds ko b.txt"])

# An entry named "*" would end the component's expansion; it is refused and the rest
# is written. Run without -C, so that the component is offered exactly "*".
write("star",
      archive_header(3) + entry("first.txt", b"1") + entry("*", b"2") + entry("last.txt", b"3"),
      ["run 0 t star.arc", "says 3 entries tested, 0 errors",
       "run 1 x star.arc", "says quillox: *: unsafe path skipped ('*' would end the expansion)",
       file_step("first.txt", b"1"), file_step("last.txt", b"3")])

# Windows device names as a whole component, in their many forms, even with
# --absolute-paths.
DEVICES = ["nul", "CON.txt", "sub\\aux .log", "LPT1.", "com9", "Prn..", "x\\conout$"]
write("device-names",
      archive_header(2 * len(DEVICES) + 3)
      + b"".join(entry(d, b"%02d" % i) for i, d in enumerate(DEVICES))
      + entry("ok.txt", b"ok\n"),
      ["run 1 x device-names.arc -C out"]
      + ["says quillox: %s: unsafe path skipped (a Windows device name)" % d for d in DEVICES]
      + [file_step("out/ok.txt", b"ok\n"), "nofile out/sub", "nofile out/x"]
      + ["run 1 x device-names.arc -C out2 --absolute-paths"]
      + ["says quillox: %s: unsafe path skipped (a Windows device name)" % d for d in DEVICES]
      + [file_step("out2/ok.txt", b"ok\n"), "nofile out2/sub"])

# Stored dates that name no real day (31 February, hour 25) leave the file's time as
# it is; the listing shows the fields as stored.
FEB31 = ((2001 - 1980) << 9 | 2 << 5 | 31) << 16 | (12 << 11)
HOUR25 = ((2001 - 1980) << 9 | 3 << 5 | 1) << 16 | (25 << 11)
write("bad-dates",
      archive_header(2) + entry("feb31.txt", b"a", date=FEB31) + entry("hour25.txt", b"b",
                                                                        date=HOUR25),
      ["run 0 l bad-dates.arc", "says 2001-02-31 12:00:00",
       "run 0 x bad-dates.arc -C out", "recent out/feb31.txt", "recent out/hour25.txt"])

# Files dated after 2107 or before 1980 are stored with the latest or the earliest date
# the format holds, not with a wrapped year.
write("far-dates", archive_header(0),
      ["touch 2200-06-01T10:00:00 far/future.txt", "touch 1970-01-02T00:00:00 far/past.txt",
       "run 0 a far-dates-new.arc -C far future.txt past.txt",
       "run 0 l far-dates-new.arc", "says 2107-12-31 23:59:58", "says 1980-01-01 00:00:00",
       "lacks 1982-"])

# Short folder names (one or two characters) are created, and so is the -C folder.
write("short-folders",
      archive_header(2) + entry("a\\b.txt", b"b") + entry("c.txt", b"c"),
      ["run 0 x short-folders.arc -C xy", file_step("xy/a/b.txt", b"b"),
       file_step("xy/c.txt", b"c"),
       "run 0 x short-folders.arc -C o/sub", file_step("o/sub/a/b.txt", b"b")])

# An entry whose method has no decoder (index 7) and checksum 0 is accepted without
# reading its stored bytes; reading goes on after them, where listing does.
write("unknown-method",
      archive_header(5) + entry("m7.bin", entry("ghost.txt", b"boo!!"), expanded=0, method=7,
                                checksum=0)
      + entry("real.txt", b"real!"),
      ["run 0 l unknown-method.arc", "says 2 files", "lacks ghost",
       "run 0 t unknown-method.arc", "says 2 entries tested, 0 errors",
       "run 0 x unknown-method.arc -C out", file_step("out/real.txt", b"real!"),
       "nofile out/ghost.txt"])
