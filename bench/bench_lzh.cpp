// LZH method speed and size on the benchmark corpus, side by side with `lhasa`
// extracting our streams as -lh1- and with `gzip -6` compressing the same files.
//
//   TVX_CORPUS=DIR bench_lzh [benchmark flags]     (DIR from mkcorpus.sh; skips without it)
//
// Google Benchmark measures MB/s (of uncompressed data, by CPU time) for our expansion
// and compression, and for lhasa and gzip runs on the same data (their child-process
// CPU time, process start included: a few milliseconds). After the timings it prints the compressed sizes
// against gzip -6 and, when valgrind is installed, callgrind instruction counts per
// uncompressed byte for all four, measured on the first TVX_CALLGRIND_BYTES bytes of
// each file (default 1048576; 0 skips callgrind).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "codec/Codec.h"
#include "runtime/Stream.h"
#include "tests/support/Lha.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int kLZH = 2;

Bytes ReadFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& p, const Bytes& b) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes Compress(const Bytes& in) {
    TCompThreadSafety state;
    TMemoryStream src(in), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLZH, TRunDirection::Compress, false, 0,
                    static_cast<int32_t>(in.size()), sum, 0, -(1 << 30), nullptr);
    return dst.Bytes();
}

Bytes Expand(const Bytes& in, int32_t size) {
    TCompThreadSafety state;
    TMemoryStream src(in), dst;
    int32_t sum = 0;
    state.RunMethod(src, dst, kLZH, TRunDirection::Expand, false, size,
                    static_cast<int32_t>(in.size()), sum, 0, 0, nullptr);
    return dst.Bytes();
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

int Shell(const std::string& cmd) { return std::system(cmd.c_str()); }

// CPU seconds (user + system) that finished child processes have used so far.
double ChildCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Times an external command by the CPU time it used, like the in-process benchmarks
// (which Google Benchmark times by this process's CPU time), so that a busy machine
// skews neither side.
void RunExternal(benchmark::State& st, const std::string& cmd, int64_t bytes) {
    for (auto _ : st) {
        const double before = ChildCpuSeconds();
        if (Shell(cmd) != 0) {
            st.SkipWithError("external command failed");
            break;
        }
        st.SetIterationTime(ChildCpuSeconds() - before);
    }
    st.SetBytesProcessed(st.iterations() * bytes);
}

// Standard output of a command, or "" when it fails.
std::string Capture(const std::string& cmd) {
    std::string out;
    if (FILE* f = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        if (pclose(f) != 0) out.clear();
    }
    return out;
}

bool Have(const char* program) {
    return Shell(std::string("command -v ") + program + " >/dev/null 2>&1") == 0;
}

// Instructions callgrind counts for a command (its "Collected" total), or -1.
long long Callgrind(const std::string& options, const std::string& command) {
    const std::string out = Capture("valgrind --tool=callgrind --callgrind-out-file=/dev/null " +
                                    options + " " + command + " 2>&1 >/dev/null");
    const auto at = out.find("Collected : ");
    if (at == std::string::npos) return -1;
    return std::atoll(out.c_str() + at + 12);
}

struct TSample {
    std::string name;
    fs::path original;  // the file itself
    fs::path archive;   // our stream as a one-entry -lh1- archive
    Bytes data;
    Bytes packed;
};

// One operation for callgrind: `--one expand RAW SIZE` or `--one compress FILE`.
int RunOne(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[2]) == "expand") {
        const Bytes out = Expand(ReadFile(argv[3]), std::atoi(argv[4]));
        return out.size() == static_cast<size_t>(std::atoi(argv[4])) ? 0 : 1;
    }
    if (argc >= 4 && std::string(argv[2]) == "compress") return Compress(ReadFile(argv[3])).empty();
    return 2;
}

void PrintSizes(const std::vector<TSample>& samples) {
    std::printf("\n%-16s %12s %12s %7s %12s %7s\n", "file", "bytes", "LZH", "ratio", "gzip -6",
                "ratio");
    size_t total = 0, ours = 0, gz = 0;
    for (const auto& s : samples) {
        const size_t g =
            std::strtoull(Capture("gzip -6 -c " + Quote(s.original) + " | wc -c").c_str(), nullptr, 10);
        std::printf("%-16s %12zu %12zu %6.1f%% %12zu %6.1f%%\n", s.name.c_str(), s.data.size(),
                    s.packed.size(), 100.0 * s.packed.size() / s.data.size(), g,
                    100.0 * g / s.data.size());
        total += s.data.size();
        ours += s.packed.size();
        gz += g;
    }
    std::printf("%-16s %12zu %12zu %6.1f%% %12zu %6.1f%%\n", "total", total, ours,
                100.0 * ours / total, gz, 100.0 * gz / total);
}

void PrintCallgrind(const std::vector<TSample>& samples, const fs::path& self,
                    const fs::path& scratch, size_t prefix) {
    std::printf("\ncallgrind instructions per uncompressed byte (first %zu bytes of each file)\n",
                prefix);
    std::printf("%-16s %12s %12s %12s %12s\n", "file", "LZH expand", "lhasa -lh1-",
                "LZH compress", "gzip -6");
    for (const auto& s : samples) {
        const Bytes part(s.data.begin(), s.data.begin() + std::min(prefix, s.data.size()));
        const Bytes packed = Compress(part);
        const fs::path plain = scratch / (s.name + ".part");
        const fs::path raw = scratch / (s.name + ".part.lh1");
        const fs::path archive = scratch / (s.name + ".part.lzh");
        WriteFile(plain, part);
        WriteFile(raw, packed);
        WriteFile(archive, tvxtest::MakeLhaArchive("-lh1-", packed, part));
        const double n = static_cast<double>(part.size());
        const long long expand =
            Callgrind("--collect-atstart=no '--toggle-collect=ExpandLZH*'",
                      Quote(self) + " --one expand " + Quote(raw) + " " + std::to_string(part.size()));
        const long long lhasa = Callgrind("", "lhasa pq " + Quote(archive));
        const long long compress =
            Callgrind("--collect-atstart=no '--toggle-collect=CompressLZH*'",
                      Quote(self) + " --one compress " + Quote(plain));
        const long long gzip = Callgrind("", "gzip -6 -c " + Quote(plain));
        std::printf("%-16s %12.1f %12.1f %12.1f %12.1f\n", s.name.c_str(), expand / n, lhasa / n,
                    compress / n, gzip / n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--one") return RunOne(argc, argv);

    const char* dir = std::getenv("TVX_CORPUS");
    if (!dir || !fs::is_directory(dir)) {
        std::printf("TVX_CORPUS is not set to a corpus folder: nothing to measure\n");
        return 0;
    }
    tvxtest::ScratchDir scratch;
    if (!scratch.Ok()) return 1;

    std::vector<TSample> samples;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        TSample s;
        s.name = f.filename().string();
        s.original = f;
        s.data = ReadFile(f);
        if (s.data.empty()) continue;
        s.packed = Compress(s.data);
        if (Expand(s.packed, static_cast<int32_t>(s.data.size())) != s.data) {
            std::fprintf(stderr, "%s: round trip failed\n", s.name.c_str());
            return 1;
        }
        s.archive = scratch.Path() / (s.name + ".lzh");
        WriteFile(s.archive, tvxtest::MakeLhaArchive("-lh1-", s.packed, s.data));
        samples.push_back(std::move(s));
    }

    const bool lhasa = Have("lhasa");
    const bool gzip = Have("gzip");
    for (const auto& s : samples) {
        const auto size = static_cast<int64_t>(s.data.size());
        benchmark::RegisterBenchmark(("LZH_expand/" + s.name).c_str(), [&s, size](benchmark::State& st) {
            for (auto _ : st) benchmark::DoNotOptimize(Expand(s.packed, static_cast<int32_t>(size)));
            st.SetBytesProcessed(st.iterations() * size);
        })->Unit(benchmark::kMillisecond);
        if (lhasa) {
            benchmark::RegisterBenchmark(("lhasa_lh1_extract/" + s.name).c_str(), [&s, size](benchmark::State& st) {
                RunExternal(st, "lhasa pq " + Quote(s.archive) + " >/dev/null 2>&1", size);
            })->Unit(benchmark::kMillisecond)->UseManualTime();
        }
        benchmark::RegisterBenchmark(("LZH_compress/" + s.name).c_str(), [&s, size](benchmark::State& st) {
            for (auto _ : st) benchmark::DoNotOptimize(Compress(s.data));
            st.SetBytesProcessed(st.iterations() * size);
        })->Unit(benchmark::kMillisecond);
        if (gzip) {
            benchmark::RegisterBenchmark(("gzip_6/" + s.name).c_str(), [&s, size](benchmark::State& st) {
                RunExternal(st, "gzip -6 -c " + Quote(s.original) + " >/dev/null", size);
            })->Unit(benchmark::kMillisecond)->UseManualTime();
        }
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (gzip) PrintSizes(samples);
    const char* prefixEnv = std::getenv("TVX_CALLGRIND_BYTES");
    const size_t prefix = prefixEnv ? std::strtoull(prefixEnv, nullptr, 10) : 1048576;
    if (prefix > 0 && Have("valgrind") && lhasa && gzip)
        PrintCallgrind(samples, fs::canonical("/proc/self/exe"), scratch.Path(), prefix);
    return 0;
}
