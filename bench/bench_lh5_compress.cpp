// LH5 compression speed on the benchmark corpus, next to `gzip -6` on the same files.
//
//   TVX_CORPUS=DIR bench_lh5_compress [--sizes] [--callgrind] [--interop] [benchmark options]
//
// Speed: one benchmark per corpus file for LH5 (RunMethod, memory to memory) and one for
// `gzip -6 -c FILE >/dev/null` (a process per iteration, so its figure includes start-up,
// well under a millisecond against files of megabytes). Both report bytes per second of
// input in wall time, and as cpu_MBps in processor time (gzip's from its child process),
// which is the figure to compare on a busy machine. Without TVX_CORPUS nothing is measured.
//
// --sizes adds a table of compressed sizes: LH5 against gzip -6 and against the -lh5-
// method of jlha (when installed), which shows how our coder compares with another
// implementation of the same format.
//
// --callgrind adds a table of instructions per input byte, counted by callgrind: for LH5
// only inside CompressLH5, for gzip the whole process. Slow (about a minute per 24 MB).
//
// --interop checks every corpus file's LH5 stream with decoders we did not write: it is
// wrapped in an LHA archive and extracted by lhasa and by 7z (when installed), and also
// expanded by ExpandLH5; each must give back the file's bytes.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"
#include "tests/support/Lha.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    const char* dir = std::getenv("TVX_CORPUS");
    if (!dir || !fs::is_directory(dir)) return files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// LH5 with no output budget; returns the compressed size.
int32_t CompressLH5Once(const Bytes& data, TMemoryStream& dst) {
    TCompThreadSafety state;
    TMemoryStream src(data);
    dst.Clear();
    int32_t checksum = 0;
    const auto size = static_cast<int32_t>(data.size());
    const auto margin = static_cast<int32_t>(static_cast<uint32_t>(size) - 0x7FFFFFFFu);
    return state.RunMethod(src, dst, 4, TRunDirection::Compress, false, size, size, checksum, 0,
                           margin, nullptr);
}

// Processor time in seconds, of this process or of its finished children.
double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

// Runs a shell command and returns its standard output.
std::string Capture(const std::string& cmd) {
    std::string out;
    if (FILE* f = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        pclose(f);
    }
    return out;
}

bool Have(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

long long GzipSize(const fs::path& file) {
    return std::atoll(Capture("gzip -6 -c " + Quote(file) + " | wc -c").c_str());
}

// Packed size of the one entry of a level-0 archive made by jlha with -lh5-, or -1.
long long JlhaSize(const fs::path& file) {
    const fs::path dir = fs::temp_directory_path() / ("tvx-jlha-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(file, dir / "data.bin");
    Capture("cd " + Quote(dir) + " && jlha ao50q x.lzh data.bin 2>&1");
    const Bytes a = ReadFile(dir / "x.lzh");
    fs::remove_all(dir);
    if (a.size() < 11 || std::memcmp(a.data() + 2, "-lh5-", 5) != 0) return -1;
    return static_cast<long long>(a[7] | a[8] << 8 | a[9] << 16 | static_cast<uint32_t>(a[10]) << 24);
}

// Instructions counted by callgrind in a command's output file ("summary:" line).
long long CallgrindCount(const std::string& cmd, const char* toggle) {
    const fs::path out = fs::temp_directory_path() / ("tvx-cg-" + std::to_string(getpid()));
    std::string run = "valgrind --tool=callgrind --callgrind-out-file=" + Quote(out);
    if (toggle) run += std::string(" --toggle-collect='") + toggle + "'";
    Capture(run + " " + cmd + " >/dev/null 2>&1");
    std::ifstream in(out);
    std::string line;
    long long n = -1;
    while (std::getline(in, line))
        if (line.rfind("summary:", 0) == 0) n = std::atoll(line.c_str() + 8);
    fs::remove(out);
    return n;
}

void SizesTable(const std::vector<fs::path>& files) {
    const bool jlha = Have("jlha");
    std::printf("\n%-16s %10s %10s %10s %10s %8s %8s\n", "file", "size", "lh5", "gzip -6",
                "jlha lh5", "lh5/gz", "lh5/jlha");
    long long t[4] = {0, 0, 0, 0};
    TMemoryStream dst;
    for (const auto& f : files) {
        const Bytes data = ReadFile(f);
        const long long s[4] = {static_cast<long long>(data.size()), CompressLH5Once(data, dst),
                                GzipSize(f), jlha ? JlhaSize(f) : -1};
        for (int i = 0; i < 4; ++i) t[i] += s[i];
        std::printf("%-16s %10lld %10lld %10lld %10lld %8.3f %8.3f\n", f.filename().c_str(), s[0],
                    s[1], s[2], s[3], double(s[1]) / s[2], s[3] > 0 ? double(s[1]) / s[3] : 0.0);
    }
    std::printf("%-16s %10lld %10lld %10lld %10lld %8.3f %8.3f\n", "total", t[0], t[1], t[2],
                jlha ? t[3] : -1, double(t[1]) / t[2], jlha ? double(t[1]) / t[3] : 0.0);
}

void CallgrindTable(const char* self, const std::vector<fs::path>& files) {
    if (!Have("valgrind")) {
        std::printf("\nvalgrind is not installed: no instruction counts\n");
        return;
    }
    std::printf("\n%-16s %10s %14s %14s\n", "file", "size", "lh5 instr/B", "gzip-6 instr/B");
    long long total = 0, lh5 = 0, gz = 0;
    for (const auto& f : files) {
        const long long size = static_cast<long long>(fs::file_size(f));
        const long long a =
            CallgrindCount(Quote(self) + " --compress-once " + Quote(f), "CompressLH5*");
        const long long b = CallgrindCount("gzip -6 -c " + Quote(f), nullptr);
        total += size;
        lh5 += a;
        gz += b;
        std::printf("%-16s %10lld %14.1f %14.1f\n", f.filename().c_str(), size,
                    double(a) / size, double(b) / size);
    }
    std::printf("%-16s %10lld %14.1f %14.1f\n", "total", total, double(lh5) / total,
                double(gz) / total);
}

const char* Verdict(const std::optional<Bytes>& got, const Bytes& want, bool have) {
    if (!have) return "-";
    if (!got) return "FAILED";
    return *got == want ? "ok" : "DIFFERS";
}

// Returns false when any decoder disagrees.
bool InteropTable(const std::vector<fs::path>& files) {
    using tvxtest::Extractor;
    const bool lhasa = tvxtest::HaveExtractor(Extractor::Lhasa);
    const bool sevenZip = tvxtest::HaveExtractor(Extractor::SevenZip);
    std::printf("\n%-16s %10s %10s %8s %8s %8s\n", "file", "size", "lh5", "lhasa", "7z",
                "ours");
    bool good = true;
    for (const auto& f : files) {
        const Bytes data = ReadFile(f);
        TMemoryStream packed;
        CompressLH5Once(data, packed);
        const Bytes stream = packed.Bytes();
        const Bytes archive = tvxtest::MakeLhaArchive("-lh5-", stream, data);
        std::optional<Bytes> a, b;
        if (lhasa) a = tvxtest::ExtractLha(Extractor::Lhasa, archive);
        if (sevenZip) b = tvxtest::ExtractLha(Extractor::SevenZip, archive);
        TCompThreadSafety state;
        TMemoryStream src(stream), back;
        int32_t sum = 0;
        state.RunMethod(src, back, 4, TRunDirection::Expand, false,
                        static_cast<int32_t>(data.size()), static_cast<int32_t>(stream.size()),
                        sum, 0, 0, nullptr);
        const std::optional<Bytes> c = back.Bytes();
        const char* v[3] = {Verdict(a, data, lhasa), Verdict(b, data, sevenZip),
                            Verdict(c, data, true)};
        for (const char* x : v) good = good && (std::strcmp(x, "ok") == 0 || x[0] == '-');
        std::printf("%-16s %10zu %10zu %8s %8s %8s\n", f.filename().c_str(), data.size(),
                    stream.size(), v[0], v[1], v[2]);
    }
    return good;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--compress-once") == 0) {
        TMemoryStream dst;
        CompressLH5Once(ReadFile(argv[2]), dst);
        return 0;
    }
    bool sizes = false, callgrind = false, interop = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") == 0)
            sizes = true;
        else if (std::strcmp(argv[i], "--callgrind") == 0)
            callgrind = true;
        else if (std::strcmp(argv[i], "--interop") == 0)
            interop = true;
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    const auto files = CorpusFiles();
    if (files.empty()) {
        std::printf("TVX_CORPUS is not set to a folder of files: nothing to measure\n");
        return 0;
    }
    for (const auto& f : files) {
        const std::string name = f.filename().string();
        benchmark::RegisterBenchmark(("LH5/" + name).c_str(), [f](benchmark::State& st) {
            const Bytes data = ReadFile(f);
            TMemoryStream dst;
            int32_t packed = 0;
            const double cpu = CpuSeconds(RUSAGE_SELF);
            for (auto _ : st) packed = CompressLH5Once(data, dst);
            st.SetBytesProcessed(st.iterations() * static_cast<int64_t>(data.size()));
            st.counters["cpu_MBps"] = double(st.iterations()) * double(data.size()) / 1048576.0 /
                                      (CpuSeconds(RUSAGE_SELF) - cpu);
            st.counters["ratio"] = double(packed) / double(data.size());
        })->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("gzip-6/" + name).c_str(), [f](benchmark::State& st) {
            const std::string cmd = "gzip -6 -c " + Quote(f) + " >/dev/null";
            const double cpu = CpuSeconds(RUSAGE_CHILDREN);
            for (auto _ : st)
                if (std::system(cmd.c_str()) != 0) st.SkipWithError("gzip failed");
            const auto size = static_cast<int64_t>(fs::file_size(f));
            st.SetBytesProcessed(st.iterations() * size);
            st.counters["cpu_MBps"] = double(st.iterations()) * double(size) / 1048576.0 /
                                      (CpuSeconds(RUSAGE_CHILDREN) - cpu);
        })->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (sizes) SizesTable(files);
    if (callgrind) CallgrindTable(argv[0], files);
    if (interop && !InteropTable(files)) return 1;
    return 0;
}
