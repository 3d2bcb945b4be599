// Helpers of the codec tests: streams that record what the channel asks of them, a
// RunMethod wrapper, and a bit writer that builds LH5 streams field by field.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/Codec.h"
#include "runtime/Stream.h"

namespace codectest {

using Bytes = std::vector<uint8_t>;

inline uint32_t ByteSum(const Bytes& b) {
    uint32_t s = 0;
    for (uint8_t v : b) s += v;
    return s;
}

// A memory source that records every read request and can deliver fewer bytes than
// asked (at most maxPerRead per call), as a slow device would.
class TRecordingSource : public TMemoryStream {
public:
    explicit TRecordingSource(std::vector<uint8_t> bytes, int32_t maxPerRead = 1 << 30)
        : TMemoryStream(std::move(bytes)), maxPerRead_(maxPerRead) {}
    int32_t Read(void* buffer, int32_t count) override {
        Requests.push_back(count);
        return TMemoryStream::Read(buffer, count < maxPerRead_ ? count : maxPerRead_);
    }
    std::vector<int32_t> Requests;

private:
    int32_t maxPerRead_;
};

// A memory destination that records the size of every write.
class TRecordingDest : public TMemoryStream {
public:
    int32_t Write(const void* buffer, int32_t count) override {
        Writes.push_back(count);
        return TMemoryStream::Write(buffer, count);
    }
    std::vector<int32_t> Writes;
};

struct TRun {
    Bytes out;
    int32_t checksum = -12345;  // left alone when the run stops at once
    int32_t result = 0;
    std::vector<int32_t> progress;
    int64_t sourcePosition = 0;
    bool stopped = false;  // the channel's Stopped(), InputOverrun() and OutputOverrun()
    bool overrun = false;  // after the run
    bool outputOverrun = false;
};

struct TRunOptions {
    int method = 0;
    TRunDirection direction = TRunDirection::Expand;
    int32_t expandedSize = INT32_MAX;  // the default bounds nothing
    int32_t sourceSize = -1;           // -1: the whole input
    int32_t key = 0;
    bool descramble = false;
    int32_t margin = 0;
    int stopAtCall = -1;      // progress call (0-based) answered with -1
    int32_t maxPerRead = 1 << 30;
};

inline TRun RunCodec(const Bytes& input, const TRunOptions& o) {
    TRun r;
    TCompThreadSafety state;
    TRecordingSource src(input, o.maxPerRead);
    TMemoryStream dst;
    const TShowProgressEvent progress = [&](int32_t& pct) {
        const int call = static_cast<int>(r.progress.size());
        r.progress.push_back(pct);
        if (call == o.stopAtCall) pct = -1;
    };
    r.result = state.RunMethod(src, dst, o.method, o.direction, o.descramble, o.expandedSize,
                               o.sourceSize < 0 ? static_cast<int32_t>(input.size()) : o.sourceSize,
                               r.checksum, o.key, o.margin, progress);
    r.out = dst.Bytes();
    r.sourcePosition = src.Position();
    r.stopped = state.Stopped();
    r.overrun = state.InputOverrun();
    r.outputOverrun = state.OutputOverrun();
    return r;
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Bits most significant first, bytes in stream order.
class TBitWriter {
public:
    void Put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            acc_ = static_cast<uint8_t>((acc_ << 1) | ((value >> i) & 1));
            if (++n_ == 8) {
                bytes_.push_back(acc_);
                acc_ = 0;
                n_ = 0;
            }
        }
        bitCount_ += bits;
    }
    // The stream so far, the last byte padded with 0 bits.
    Bytes Data() const {
        Bytes b = bytes_;
        if (n_ > 0) b.push_back(static_cast<uint8_t>(acc_ << (8 - n_)));
        return b;
    }
    int64_t BitCount() const { return bitCount_; }

private:
    Bytes bytes_;
    uint8_t acc_ = 0;
    int n_ = 0;
    int64_t bitCount_ = 0;
};

// Canonical codes for a set of lengths: shorter codes first, then by symbol.
inline std::vector<uint32_t> CanonicalCodes(const std::vector<int>& lengths) {
    std::vector<uint32_t> codes(lengths.size(), 0);
    uint32_t next = 0;
    for (int l = 1; l <= 16; ++l) {
        for (size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] == l) codes[s] = next++;
        }
        next <<= 1;
    }
    return codes;
}

// One alphabet of a block head: either a single symbol (sent with a count of 0, costs
// no bits per use) or a set of code lengths.
struct TAlphabet {
    int single = -1;
    std::vector<int> lengths;

    static TAlphabet Single(int symbol) { return {symbol, {}}; }
    static TAlphabet Lengths(std::vector<int> l) { return {-1, std::move(l)}; }

    void PutSymbol(TBitWriter& w, int symbol) const {
        if (single >= 0) return;
        const auto codes = CanonicalCodes(lengths);
        w.Put(codes.at(static_cast<size_t>(symbol)), lengths.at(static_cast<size_t>(symbol)));
    }
    int Count() const {
        int n = static_cast<int>(lengths.size());
        while (n > 0 && lengths[static_cast<size_t>(n) - 1] == 0) --n;
        return n;
    }
};

// A code length of the code-length or distance alphabet: 0-6 in 3 bits, 7 and up as
// 111, one more 1 per step above 7, and a closing 0.
inline void PutAuxLength(TBitWriter& w, int len) {
    if (len < 7) {
        w.Put(static_cast<uint32_t>(len), 3);
        return;
    }
    w.Put(7, 3);
    for (int k = 7; k < len; ++k) w.Put(1, 1);
    w.Put(0, 1);
}

inline void PutAuxAlphabet(TBitWriter& w, const TAlphabet& a, int fieldWidth, bool special) {
    if (a.single >= 0) {
        w.Put(0, fieldWidth);
        w.Put(static_cast<uint32_t>(a.single), fieldWidth);
        return;
    }
    const int n = a.Count();
    w.Put(static_cast<uint32_t>(n), fieldWidth);
    for (int i = 0; i < n; ++i) {
        PutAuxLength(w, a.lengths[static_cast<size_t>(i)]);
        if (special && i == 2) w.Put(0, 2);
    }
}

struct TBlockHead {
    int items = 0;  // 65536 is sent as 0
    TAlphabet codeLengths = TAlphabet::Single(0);
    TAlphabet litLen;
    TAlphabet distance = TAlphabet::Single(0);

    void Put(TBitWriter& w) const {
        w.Put(static_cast<uint32_t>(items & 0xFFFF), 16);
        PutAuxAlphabet(w, codeLengths, 5, true);
        if (litLen.single >= 0) {
            w.Put(0, 9);
            w.Put(static_cast<uint32_t>(litLen.single), 9);
        } else {
            const int n = litLen.Count();
            w.Put(static_cast<uint32_t>(n), 9);
            for (int i = 0; i < n; ++i) {
                const int l = litLen.lengths[static_cast<size_t>(i)];
                codeLengths.PutSymbol(w, l == 0 ? 0 : l + 2);
            }
        }
        PutAuxAlphabet(w, distance, 4, false);
    }
    void PutLiteral(TBitWriter& w, int byte) const { litLen.PutSymbol(w, byte); }
    void PutMatch(TBitWriter& w, int length, int distance) const {
        litLen.PutSymbol(w, length + 253);
        int k = 0;
        while ((1 << k) <= distance) ++k;  // 0 for 0, 1 for 1, k for 2^(k-1) .. 2^k - 1
        this->distance.PutSymbol(w, k);
        if (k >= 2) w.Put(static_cast<uint32_t>(distance - (1 << (k - 1))), k - 1);
    }
};

// Code-length alphabet able to send every literal/length code length and single
// zeros: symbols 0 and 3-16 get 4-bit codes, 17 and 18 5-bit codes (a complete set).
inline TAlphabet AllLengthsCodeLengths() {
    std::vector<int> l(19, 4);
    l[1] = l[2] = 0;
    l[17] = l[18] = 5;
    return TAlphabet::Lengths(l);
}

}  // namespace codectest
