// Reads an arbitrary file as an installer stub the way quillox sfx does, and rewrites
// it. Must never crash or read out of bounds; whatever it accepts must come back from
// its own output unchanged: the same resources, and a version resource that keeps its
// bytes once laid out. The output must itself be a stub that can be packed again, to
// the very same bytes. The resource directory is also read the way quillox l reads an
// installer, and must name the same resources at bytes inside the file.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <memory>
#include <string>

#include "FuzzAssert.h"
#include "tools/quillox/PeImage.h"

namespace {

// The rewritten image's file: "out.exe" in a scratch folder of this process's own,
// made the current folder once, so that the name is the same on every run and no
// process or random number shapes what the target does.
std::string Scratch() {
    static const bool entered = [] {
        char templ[] = "/tmp/tvx-fuzz-pe-XXXXXX";
        FUZZ_ASSERT(mkdtemp(templ) != nullptr);
        FUZZ_ASSERT(chdir(templ) == 0);
        return true;
    }();
    (void)entered;
    return "out.exe";
}

std::vector<uint8_t> ReadBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    std::remove(path.c_str());
    return bytes;
}

bool Same(const pe::Resource& a, const pe::Resource& b) {
    return a.type == b.type && a.name == b.name && a.language == b.language &&
           a.codePage == b.codePage && a.bytes == b.bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1 << 20)) return 0;
    const std::vector<uint8_t> input(data, data + size);
    try {
        for (const auto& e : pe::ReadResourceDirectory(pe::MemorySource(input)))
            FUZZ_ASSERT(e.offset + e.size <= size);
    } catch (const pe::Error&) {
    }
    std::vector<pe::Resource> resources;
    std::unique_ptr<pe::PeImage> image;
    try {
        image = std::make_unique<pe::PeImage>(input);
        resources = image->Resources();
    } catch (const pe::Error&) {
        return 0;
    }
    for (auto& r : resources) {
        if (!(r.type == pe::ResourceId::Number(16))) continue;
        try {
            const std::vector<uint8_t> once = pe::SerializeVersionInfo(pe::ParseVersionInfo(r.bytes));
            FUZZ_ASSERT(pe::SerializeVersionInfo(pe::ParseVersionInfo(once)) == once);
        } catch (const pe::Error&) {
        }
    }
    // The rewrite must hold exactly what it was given (in directory order).
    const std::string out = Scratch();
    try {
        image->Write(out, resources);
    } catch (const pe::Error&) {
        std::remove(out.c_str());
        return 0;
    }
    const std::vector<uint8_t> written = ReadBack(out);
    std::vector<pe::Resource> back;
    try {
        const pe::PeImage again(written);
        back = again.Resources();
        again.Write(out, back);
    } catch (const pe::Error& e) {
        std::fprintf(stderr, "own output refused: %s\n", e.what());
        abort();
    }
    FUZZ_ASSERT(ReadBack(out) == written);
    FUZZ_ASSERT(back.size() == resources.size());
    std::stable_sort(resources.begin(), resources.end(), [](const pe::Resource& a, const pe::Resource& b) {
        if (!(a.type == b.type)) return a.type < b.type;
        if (!(a.name == b.name)) return a.name < b.name;
        return a.language < b.language;
    });
    for (size_t i = 0; i < back.size(); ++i) FUZZ_ASSERT(Same(back[i], resources[i]));
    return 0;
}
