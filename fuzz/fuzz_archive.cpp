// Lists and expands an arbitrary archive into a scratch folder, the way quillox x
// does (TPathGuard on every path). Must never crash, never write outside the scratch
// folder, and never use unbounded memory or disk. Listing, testing (quillox t's walk:
// each entry decoded, then the next header) and expanding must meet the same entries
// in the same order: nothing hidden inside an entry's stored bytes is ever taken for
// an entry.
//
// Input: one byte of settings, then the archive. Bit 0: Key 12345; bit 1:
// ExceptionOnFileError; bit 2: answer -1 to the second progress report; bit 3: a
// Selection holding "a".
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "FuzzAssert.h"
#include "archive/PathGuard.h"
#include "archive/Quillox.h"
#include "runtime/Stream.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMaxEntryBytes = 256 * 1024;

// The scratch folder, made once per process and made the current folder: the
// component is given the relative target "out", so no path it sees or compares holds
// the folder's random name, and the same inputs explore the same way on every run.
const fs::path& Scratch() {
    static const fs::path dir = [] {
        std::string templ = (fs::temp_directory_path() / "fuzz-archive-XXXXXX").string();
        FUZZ_ASSERT(mkdtemp(&templ[0]) != nullptr);
        std::error_code ec;
        fs::current_path(templ, ec);
        FUZZ_ASSERT(!ec);
        return fs::path(templ);
    }();
    return dir;
}

// True when the native form of f lies inside "out" of the scratch folder. Purely
// lexical: the expansion creates no links, so resolving "." and ".." is enough, and
// unlike a check that asks the file system it cannot fail on names the system refuses
// (too long, odd characters), which the product itself must report, not the harness.
bool Inside(const std::string& f) {
    std::string native = f;
    for (auto& c : native)
        if (c == '\\') c = '/';
    const std::string resolved = fs::path(native).lexically_normal().string();
    return resolved.compare(0, 4, "out/") == 0;
}

// A destination that keeps nothing.
class TSink : public TStream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t count) override { return count; }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
};

// Where the stored path of a listed entry ends: where the component offers the entry.
int64_t OfferedAt(const TStrings& list, int i) {
    const auto* info = static_cast<const TArchiveFileInfo*>(list.Objects(i));
    return int64_t{info->HeaderPosition} + kEntryHeaderSize + static_cast<int64_t>(list[i].size());
}

// quillox t's walk: every header where the previous entry ends by its sizes, each
// entry decoded on the way. Its entries must be the listed ones, and an accepted entry
// must leave the source at its end.
void TestLikeQuilloxT(TQuillox& q, TMemoryStream& source, const TStrings& list) {
    source.SetPosition(0);
    std::string method;
    try {
        q.ReadArchiveHeader(source, method);
    } catch (const Exception&) {
        return;
    }
    TEntryHeader e;
    std::string path;
    int seen = 0;
    while (TQuillox::ReadEntryHeader(source, e, path)) {
        FUZZ_ASSERT(seen < list.Count() && list[seen] == path);
        FUZZ_ASSERT(OfferedAt(list, seen) == source.Position());
        ++seen;
        const int64_t next = source.Position() + e.StoredSize;
        if (e.ExpandedSize <= kMaxEntryBytes) {
            TSink sink;
            try {
                q.ExpandEntry(sink, source, e, method);
                FUZZ_ASSERT(source.Position() == next);
            } catch (const Exception&) {
            }
        }
        source.SetPosition(next);
    }
    FUZZ_ASSERT(seen == list.Count());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    Scratch();
    const fs::path out = "out";
    std::error_code ec;
    fs::remove_all(out, ec);
    fs::create_directories(out, ec);
    FUZZ_ASSERT(!ec);

    TMemoryStream source(std::vector<uint8_t>(data + 1, data + size));
    TQuillox q;
    q.Key = (flags & 1) ? 12345 : 0;
    q.ExceptionOnFileError = (flags & 2) != 0;
    q.MakeDirectories = true;
    q.SetTargetPath(out.string());

    TStrings list;
    try {
        q.ListArchive(source, list);
    } catch (const Exception&) {
    }
    FUZZ_ASSERT(list.Count() <= static_cast<int>(size / 25));
    TestLikeQuilloxT(q, source, list);

    const TPathGuard guard(q.TargetPath(), false);
    int nextListed = 0;  // the expansion meets the listed entries in order
    q.OnCheckFile = [&](std::string& f, TCProcessMode) {
        // The entry header sits before the stored path, which ends at the position.
        const std::string stored = guard.StoredPathOf(f);
        const int64_t here = source.Position();
        int i = nextListed;
        if (flags & 8)  // a Selection passes over the entries it does not hold
            while (i < list.Count() && OfferedAt(list, i) != here) ++i;
        FUZZ_ASSERT(i < list.Count() && OfferedAt(list, i) == here && list[i] == stored);
        nextListed = i + 1;
        source.SetPosition(here - static_cast<int64_t>(stored.size()) - kEntryHeaderSize);
        uint8_t bytes[kEntryHeaderSize];
        source.ReadBuffer(bytes, kEntryHeaderSize);
        source.SetPosition(here);
        const TEntryHeader e = TEntryHeader::FromBytes(bytes);
        f = e.ExpandedSize > kMaxEntryBytes ? std::string() : guard.Check(f);
        if (!f.empty()) FUZZ_ASSERT(Inside(f));
    };
    int calls = 0;
    q.OnShowProgress = [&](int32_t& pct) {
        if ((flags & 4) && ++calls == 2) pct = -1;
    };
    TStrings selection{"a"};
    source.SetPosition(0);
    try {
        q.ExpandArchive(source, (flags & 8) ? &selection : nullptr);
    } catch (const Exception&) {
    }
    // Nothing outside "out", and no file larger than the entries allowed (no entry
    // writes past its expanded size).
    for (fs::recursive_directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec)) {
        FUZZ_ASSERT(it->path().string().compare(0, 5, "./out") == 0);
        if (it->is_regular_file(ec))
            FUZZ_ASSERT(it->file_size(ec) <= static_cast<uintmax_t>(kMaxEntryBytes));
    }
    FUZZ_ASSERT(!ec);
    return 0;
}
