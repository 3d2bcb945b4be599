// Lists and expands an arbitrary archive into a scratch folder, the way quillox x
// does (TPathGuard on every path). Must never crash, never write outside the scratch
// folder, and never use unbounded memory or disk.
//
// Input: one byte of settings, then the archive. Bit 0: Key 12345; bit 1:
// ExceptionOnFileError; bit 2: answer -1 to the second progress report; bit 3: a
// Selection holding "a".
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "archive/PathGuard.h"
#include "archive/Quillox.h"
#include "runtime/Stream.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMaxEntryBytes = 256 * 1024;

#define FUZZ_ASSERT(c)                                                 \
    do {                                                               \
        if (!(c)) {                                                    \
            std::fprintf(stderr, "assertion failed: %s\n", #c);      \
            abort();                                                   \
        }                                                              \
    } while (0)

const fs::path& Scratch() {
    static const fs::path dir = [] {
        std::string templ = (fs::temp_directory_path() / "fuzz-archive-XXXXXX").string();
        FUZZ_ASSERT(mkdtemp(&templ[0]) != nullptr);
        return fs::canonical(templ);
    }();
    return dir;
}

// True when the native form of f lies inside the scratch folder. Purely lexical: the
// expansion creates no links, so resolving "." and ".." is enough, and unlike a check
// that asks the file system it cannot fail on names the system refuses (too long,
// odd characters), which the product itself must report, not the harness.
bool Inside(const std::string& f) {
    std::string native = f;
    for (auto& c : native)
        if (c == '\\') c = '/';
    const std::string resolved = fs::path(native).lexically_normal().string();
    const std::string root = Scratch().string() + "/";
    return resolved.compare(0, root.size(), root) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    const fs::path out = Scratch() / "out";
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

    const TPathGuard guard(q.TargetPath(), false);
    q.OnCheckFile = [&](std::string& f, TCProcessMode) {
        // The entry header sits before the stored path, which ends at the position.
        const std::string stored = guard.StoredPathOf(f);
        const int64_t here = source.Position();
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
    for (fs::recursive_directory_iterator it(Scratch(), ec), end; !ec && it != end;
         it.increment(ec))
        FUZZ_ASSERT(it->path().string().compare(0, out.string().size(), out.string()) == 0);
    FUZZ_ASSERT(!ec);
    return 0;
}
