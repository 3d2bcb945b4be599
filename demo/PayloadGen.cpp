// Writes the demo product's generated files into a folder: program-like binaries and
// texts that compress well, and already-compressed data (random bytes) that does not.
// The output depends on nothing but this file, so every build carries the same bytes.
// Usage: tvx_demo_payload OUTDIR [--sets N]
// With --sets N it writes a larger release for benchmarks instead: N sets of the same
// 16 kinds of file, each 5/3 of the demo's size, the k-th set's names ending in -k
// (qvclient-1.exe, ...) and drawn from seeds of their own. 18 sets make 288 files of
// 181 MB, a quarter of it random bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 7;
        s_ ^= s_ << 17;
        return static_cast<uint32_t>(s_ >> 16);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }

private:
    uint64_t s_;
};

enum class Kind { Binary, Text, Random };

struct FileSpec {
    const char* name;
    Kind kind;
    uint32_t size;
};

const FileSpec kFiles[] = {
    {"qvclient.exe", Kind::Binary, 1310720}, {"qvcore.dll", Kind::Binary, 978944},
    {"qvnet.dll", Kind::Binary, 421888},     {"qvui.dll", Kind::Binary, 610304},
    {"qvhelp.hlp", Kind::Text, 348160},      {"readme.txt", Kind::Text, 17834},
    {"license.txt", Kind::Text, 21977},      {"qvsounds.pak", Kind::Random, 540672},
    {"qvmedia.cab", Kind::Random, 699392},   {"qvicons.dat", Kind::Random, 258048},
    {"qvlang.dll", Kind::Binary, 189440},    {"qvspell.dic", Kind::Text, 331776},
    {"qvemoji.dat", Kind::Binary, 94208},    {"qvupdate.exe", Kind::Binary, 118784},
    {"qvshell.dll", Kind::Binary, 84992},    {"qvdata.ini", Kind::Text, 3921},
};

const char* const kWords[] = {
    "Quorvane", "message", "contact",  "server",   "gateway",   "account", "folder",
    "the",      "a",       "to",       "and",      "of",        "your",    "is",
    "with",     "when",    "presence", "status",   "away",      "online",  "offline",
    "send",     "receive", "file",     "transfer", "window",    "option",  "select",
    "click",    "domain",  "e-mail",   "network",  "connection", "setting", "profile",
    "history",  "search",  "group",    "list",     "notify",    "sound",   "password",
    "user",     "name",    "delivery", "receipt",  "encrypted", "team",    "share",
    "for",      "in",      "on",       "not",      "can",       "will",    "be",
};

std::vector<uint8_t> MakeText(Rng& rng, uint32_t size) {
    std::vector<uint8_t> out;
    out.reserve(size);
    std::string line;
    const size_t wordCount = sizeof kWords / sizeof kWords[0];
    bool sentenceStart = true;
    while (out.size() < size) {
        std::string w = kWords[rng.Below(wordCount)];
        if (sentenceStart && w[0] >= 'a' && w[0] <= 'z') w[0] = static_cast<char>(w[0] - 32);
        sentenceStart = rng.Below(9) == 0;
        if (sentenceStart) w += '.';
        if (line.size() + w.size() + 1 > 72) {
            line += "\r\n";
            out.insert(out.end(), line.begin(), line.end());
            line.clear();
        }
        if (!line.empty()) line += ' ';
        line += w;
    }
    out.resize(size);
    return out;
}

// Bytes shaped like program code: short instruction-like groups from a small set, with
// name tables and zero-filled alignment gaps between stretches.
std::vector<uint8_t> MakeBinary(Rng& rng, uint32_t size) {
    static const uint8_t ops[][4] = {{0x55, 0x8B, 0xEC, 0}, {0x8B, 0x45, 0x08, 0},
                                     {0x89, 0x45, 0xFC, 0}, {0xE8, 0, 0, 0},
                                     {0xC3, 0, 0, 0},       {0x6A, 0x00, 0, 0},
                                     {0xFF, 0x15, 0, 0},    {0x83, 0xC4, 0x08, 0},
                                     {0x33, 0xC0, 0, 0},    {0x50, 0, 0, 0}};
    std::vector<uint8_t> out;
    out.reserve(size);
    out.insert(out.end(), {'M', 'Z', 0x90, 0});
    while (out.size() < size) {
        const uint32_t pick = rng.Below(100);
        if (pick < 80) {
            const auto& op = ops[rng.Below(10)];
            for (uint8_t b : op)
                if (b) out.push_back(b);
            if (op[0] == 0xE8 || op[0] == 0xFF) {
                const uint32_t target = rng.Below(4096) * 16;
                for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(target >> (8 * i)));
            }
        } else if (pick < 95) {
            const char* w = kWords[rng.Below(sizeof kWords / sizeof kWords[0])];
            for (; *w; ++w) out.push_back(static_cast<uint8_t>(*w));
            out.push_back(0);
        } else {
            out.insert(out.end(), 16 + rng.Below(48), 0);
        }
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> MakeRandom(Rng& rng, uint32_t size) {
    std::vector<uint8_t> out(size);
    for (auto& b : out) b = static_cast<uint8_t>(rng.Next());
    if (size >= 3) {
        out[0] = 0x1F;  // looks like the gzip'd data it stands for
        out[1] = 0x8B;
        out[2] = 0x08;
    }
    return out;
}

// "qvclient.exe" with set 3 -> "qvclient-3.exe".
std::string NameInSet(const std::string& name, int set) {
    if (set == 0) return name;
    const size_t dot = name.rfind('.');
    return name.substr(0, dot) + "-" + std::to_string(set) + name.substr(dot);
}

}  // namespace

int main(int argc, char** argv) {
    int sets = 0;
    if (argc == 4 && std::string(argv[2]) == "--sets") sets = std::atoi(argv[3]);
    if ((argc != 2 && argc != 4) || (argc == 4 && (sets < 1 || sets > 999))) {
        std::fputs("usage: tvx_demo_payload OUTDIR [--sets N]\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    for (int set = sets == 0 ? 0 : 1; set <= sets; ++set) {
        uint64_t seed = 1 + 100 * static_cast<uint64_t>(set);
        for (const auto& f : kFiles) {
            Rng rng(seed++);
            const uint32_t size = sets == 0 ? f.size : f.size / 3 * 5;
            const std::vector<uint8_t> bytes = f.kind == Kind::Text     ? MakeText(rng, size)
                                               : f.kind == Kind::Binary ? MakeBinary(rng, size)
                                                                        : MakeRandom(rng, size);
            const std::string path = dir + "/" + NameInSet(f.name, set);
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            if (!out) {
                std::fprintf(stderr, "tvx_demo_payload: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
