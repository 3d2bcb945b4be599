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

Cases whose name begins with "device-" also run through quillox.exe under Wine.
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
       "smaller out/bomb.bin 1000000"])

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
# checksum 0 would otherwise pass short).
write("past-end",
      archive_header(11 + 100) + entry(*three[0])
      + entry("long.bin", b"only part", expanded=100, checksum=0, stored_size=100),
      ["run 1 t past-end.arc", "says long.bin: stored data runs past the end of the archive",
       "run 1 x past-end.arc -C out",
       "says quillox: long.bin: stored data runs past the end of the archive",
       file_step("out/one.txt", three[0][1])])

# A locked, scrambled entry over a file the user already has: neither a missing nor a
# wrong key may destroy it; the right key replaces it.
KEY = 0x1234
SECRET = b"secret contents\n"
scrambled = bytes(b ^ ((KEY >> (8 * (i % 4))) & 0xFF) for i, b in enumerate(SECRET))
write("locked-over-file",
      archive_header(len(SECRET)) + entry("a.txt", scrambled, checksum=sum(SECRET), lock=2),
      ["put ko/a.txt user data",
       "run 1 x locked-over-file.arc -C ko", "says quillox: a.txt: File locked -- valid key required",
       file_step("ko/a.txt", b"user data"), "nofile ko/a.txt.quillox-old",
       "run 1 x locked-over-file.arc -C ko -k 5",
       "says quillox: a.txt: File locked -- valid key required",
       file_step("ko/a.txt", b"user data"), "nofile ko/a.txt.quillox-old",
       "run 0 x locked-over-file.arc -C ko -k 4660", file_step("ko/a.txt", SECRET),
       "nofile ko/a.txt.quillox-old"])

# A damaged entry over an existing file: the file stays as it was.
BAD = entry("b.txt", b"new bytes", checksum=12345)
write("damaged-over-file",
      archive_header(9) + BAD,
      ["put ko/b.txt kept",
       "run 1 x damaged-over-file.arc -C ko",
       "says quillox: b.txt: Bad checksum during expansion -- data may be invalid",
       file_step("ko/b.txt", b"kept"), "nofile ko/b.txt.quillox-old"])

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
