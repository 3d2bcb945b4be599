// quillox raw: one codec run from standard input to standard output, for testing and
// for looking at a method's stream on its own.
//
//   quillox raw compress --method NON|RLE|LZH|LH5 [--key K]
//   quillox raw expand --method NON|RLE|LZH|LH5 --size N [--key K] [--descramble]
//
// On success the checksum (the byte sum of the uncompressed data) goes to standard
// error as "checksum: <unsigned decimal>" and the exit code is 0. On failure (exit 1)
// output already written stays written, as it would in an archive's target file.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "codec/Codec.h"
#include "runtime/Stream.h"
#include "tools/quillox/Commands.h"

namespace {

int MethodIndex(const std::string& id) {
    if (id == "NON") return 0;
    if (id == "RLE") return 1;
    if (id == "LZH") return 2;
    if (id == "LH5") return 4;
    return -1;
}

// Digits in the given base, all of them, into value; false when there are none or
// the value passes limit.
bool ParseDigits(const std::string& text, int base, uint64_t limit, uint64_t& value) {
    if (text.empty()) return false;
    value = 0;
    for (const char ch : text) {
        int d;
        if (ch >= '0' && ch <= '9') d = ch - '0';
        else if (base == 16 && ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
        else if (base == 16 && ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
        else return false;
        value = value * base + d;
        if (value > limit) return false;
    }
    return true;
}

// A signed 32-bit key, decimal (-2147483648 to 2147483647) or 0x-hex (0x0 to
// 0xFFFFFFFF, taken as the 32-bit pattern), either with an optional leading '-'.
bool ParseKey(std::string text, int32_t& key) {
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.erase(0, 1);
    }
    uint64_t v = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (!ParseDigits(text.substr(2), 16, negative ? 0x80000000u : 0xFFFFFFFFu, v))
            return false;
    } else if (!ParseDigits(text, 10, negative ? 0x80000000u : 0x7FFFFFFFu, v)) {
        return false;
    }
    const auto bits = static_cast<uint32_t>(negative ? 0u - v : v);
    key = static_cast<int32_t>(bits);
    return true;
}

bool ParseSize(const std::string& text, int32_t& size) {
    uint64_t v = 0;
    if (!ParseDigits(text, 10, 0x7FFFFFFFu, v)) return false;
    size = static_cast<int32_t>(v);
    return true;
}

// Standard input or output as a stream, so that the codec's 8192-byte transfers go
// straight through and nothing large is held in memory.
class TStdStream : public TStream {
public:
    explicit TStdStream(std::FILE* f) : f_(f) {
#ifdef _WIN32
        _setmode(_fileno(f), _O_BINARY);
#endif
    }
    int32_t Read(void* buffer, int32_t count) override {
        return count <= 0 ? 0 : static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), f_));
    }
    int32_t Write(const void* buffer, int32_t count) override {
        return count <= 0 ? 0 : static_cast<int32_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), f_));
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }

private:
    std::FILE* f_;
};

// The size of standard input when it is a regular file read from its start, else -1.
int64_t StdinFileSize() {
    struct stat st {};
    if (fstat(fileno(stdin), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const long pos = std::ftell(stdin);
    return pos < 0 ? -1 : static_cast<int64_t>(st.st_size) - pos;
}

int Usage() {
    PrintUsage();
    return 2;
}

}  // namespace

int RunRawCommand(const Args& args) {
    if (args.empty() || (args[0] != "compress" && args[0] != "expand")) return Usage();
    const bool expanding = args[0] == "expand";
    int method = -1;
    int32_t key = 0;
    int32_t size = -1;
    bool descramble = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--method" && hasValue) {
            method = MethodIndex(args[++i]);
            if (method < 0) return Usage();
        } else if (a == "--key" && hasValue) {
            if (!ParseKey(args[++i], key)) return Usage();
        } else if (a == "--size" && hasValue && expanding) {
            if (!ParseSize(args[++i], size)) return Usage();
        } else if (a == "--descramble" && expanding) {
            descramble = true;
        } else {
            return Usage();
        }
    }
    if (method < 0 || (expanding && size < 0)) return Usage();

    // A regular file tells its size; a pipe does not, and then the codec reads until the
    // pipe ends (nothing else depends on the size here: no progress, no budget).
    TStdStream in(stdin), out(stdout);
    int64_t inputSize = StdinFileSize();
    if (inputSize < 0) inputSize = 0x7FFFFFFF;
    if (inputSize > 0x7FFFFFFF) {
        std::fputs("quillox: standard input is larger than 2147483647 bytes\n", stderr);
        return 1;
    }
    TStream* source = &in;
    const auto sourceSize = static_cast<int32_t>(inputSize);
    TCompThreadSafety state;
    int32_t checksum = 0;
    try {
        if (expanding) {
            state.RunMethod(*source, out, method, TRunDirection::Expand, descramble, size,
                            sourceSize, checksum, key, 0, nullptr);
        } else {
            // A margin that lifts the output budget to 2147483647: no budget at all.
            const auto margin = static_cast<int32_t>(static_cast<uint32_t>(sourceSize) - 0x7FFFFFFFu);
            state.RunMethod(*source, out, method, TRunDirection::Compress, false, sourceSize,
                            sourceSize, checksum, key, margin, nullptr);
        }
    } catch (const EUnableToCompress& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const ELZHBadDecodeTable& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    if (std::fflush(stdout) != 0) {
        std::fputs("quillox: cannot write standard output\n", stderr);
        return 1;
    }
    std::fprintf(stderr, "checksum: %u\n", static_cast<unsigned>(static_cast<uint32_t>(checksum)));
    return 0;
}
