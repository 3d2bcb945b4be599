// Codec throughput in MB/s of expanded bytes: LH5 expansion, and the run-length
// method in both directions, over the benchmark corpus.
//
// The corpus folder comes from the environment variable TVX_BENCH_CORPUS or the first
// argument that is not a benchmark flag. It holds the files made by
// /work/shared/bench/mkcorpus.sh and, in lh5/, their -lh5- archives made by
// bench/mklh5.sh (an independent encoder). Without a corpus nothing is registered.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t Le(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<size_t>(i)];
    return v;
}

// A destination that keeps nothing, as /dev/null would.
class TNullStream : public TStream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t count) override { return count; }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
};

// One codec run per iteration; the source is rewound each time.
void RunCodec(benchmark::State& state, const Bytes& input, int method, TRunDirection dir,
              int32_t expandedSize, int64_t expandedBytes) {
    TCompThreadSafety codec;
    TReadOnlyMemoryStream src(input.data(), static_cast<int64_t>(input.size()));
    TNullStream dst;
    int32_t checksum = 0;
    const auto n = static_cast<int32_t>(input.size());
    for (auto _ : state) {
        src.SetPosition(0);
        codec.RunMethod(src, dst, method, dir, false, expandedSize, n, checksum, 0,
                        dir == TRunDirection::Compress ? n - 0x7FFFFFFF : 0, nullptr);
        benchmark::DoNotOptimize(checksum);
    }
    state.SetBytesProcessed(state.iterations() * expandedBytes);
}

std::vector<std::string> ListFiles(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == ".." || name == "lh5") continue;
            names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void Register(const std::string& corpus) {
    for (const std::string& name : ListFiles(corpus)) {
        auto plain = std::make_shared<Bytes>(ReadFile(corpus + "/" + name));
        if (plain->empty()) continue;
        const auto size = static_cast<int64_t>(plain->size());

        const Bytes archive = ReadFile(corpus + "/lh5/" + name + ".lzh");
        if (archive.size() > 22 && std::memcmp(archive.data() + 2, "-lh5-", 5) == 0 &&
            archive[20] == 2) {
            const size_t header = Le(archive, 0, 2);
            const uint32_t packed = Le(archive, 7, 4);
            const auto expanded = static_cast<int32_t>(Le(archive, 11, 4));
            auto stream = std::make_shared<Bytes>(archive.begin() + static_cast<long>(header),
                                                  archive.begin() + static_cast<long>(header + packed));
            benchmark::RegisterBenchmark(("ExpandLH5/" + name).c_str(), [=](benchmark::State& s) {
                RunCodec(s, *stream, 4, TRunDirection::Expand, expanded, expanded);
            });
        }

        benchmark::RegisterBenchmark(("PackRuns/" + name).c_str(), [=](benchmark::State& s) {
            RunCodec(s, *plain, 1, TRunDirection::Compress, 0, size);
        });
        // The packed form, made once, expands back to the file.
        auto packed = std::make_shared<Bytes>();
        {
            TCompThreadSafety codec;
            TReadOnlyMemoryStream src(plain->data(), size);
            TMemoryStream dst;
            int32_t sum = 0;
            codec.RunMethod(src, dst, 1, TRunDirection::Compress, false, 0, static_cast<int32_t>(size),
                            sum, 0, static_cast<int32_t>(size) - 0x7FFFFFFF, nullptr);
            *packed = dst.Bytes();
        }
        benchmark::RegisterBenchmark(("UnpackRuns/" + name).c_str(), [=](benchmark::State& s) {
            RunCodec(s, *packed, 1, TRunDirection::Expand, static_cast<int32_t>(size), size);
        });
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::string corpus;
    if (const char* env = std::getenv("TVX_BENCH_CORPUS")) corpus = env;
    if (argc > 1) corpus = argv[1];
    if (corpus.empty() || ListFiles(corpus).empty()) {
        std::printf("bench_codec: no corpus (set TVX_BENCH_CORPUS or pass a folder); skipped\n");
        return 0;
    }
    Register(corpus);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
