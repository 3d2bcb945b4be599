// LH5 decoder: LZ77 over an 8192-byte ring with static Huffman codes sent at the head
// of every block (the -lh5- bit stream).
//
// The bit input keeps the stream's contract: a byte that needs a refill is asked of
// the byte channel exactly when the 16-bit window first needs it, never earlier, so
// the source is read as far as the window reaches and no further, every refill (and
// its progress report) happens at the same point of the decoding as with a
// byte-at-a-time reader, and once EndOfInput is set ReadByte is not called again.
// Past the end the window shows zero bits, so that looking ahead stays harmless, but a
// code that takes any of those bits has met a damaged or cut stream: the run ends
// there and reports an input overrun (a valid stream never uses a bit it lacks). Bytes
// already in the channel's buffer are taken in whole runs into a bit buffer of the
// machine's word (64 bits, or 32 in the 32-bit build, where a 64-bit buffer would need
// register pairs), which is what makes it fast; that never reads the source, so
// nothing outside can tell.
//
// Output goes to the ring first and reaches the channel in runs: at every wrap of the
// ring, before every refill and every block head (the only places that can report
// progress or raise), and at the end. The channel therefore sees the same bytes in the
// same order, and the destination the same flushes, as with a byte-at-a-time writer.
#include <algorithm>
#include <cstring>
#include <memory>

#include "codec/Methods.h"

#if defined(__GNUC__)
#define LH5_HOT inline __attribute__((always_inline))
#else
#define LH5_HOT inline
#endif

namespace {

// Thrown when the decoding needs bits past the end of the input; ends the run.
struct TInputOverrun {};

constexpr unsigned kRingSize = 8192;
constexpr unsigned kRingMask = kRingSize - 1;
constexpr int kLitLenSymbols = 510;   // 0-255 literals, 256-509 match lengths 3-256
constexpr int kDistanceSymbols = 14;
constexpr int kCodeLengthSymbols = 19;
constexpr int kLitLenTableBits = 12;
constexpr int kAuxTableBits = 8;
constexpr int kMaxCodeLength = 16;
constexpr int kNoSpecialPosition = -1;

// Working storage sizes of one run.
constexpr size_t kTextSize = 16641;
constexpr size_t kTreeSize = 1020;
constexpr size_t kLitLenLengthsSize = 511;
constexpr size_t kAuxTableSize = 257;
constexpr size_t kLitLenTableSize = 4097;
constexpr size_t kAuxLengthsSize = 129;

// The bit buffer: a machine word. TVX_CODEC_WORD names another unsigned type instead, so
// that the 32-bit build's narrower buffer is also tested where the word is 64 bits.
#ifdef TVX_CODEC_WORD
using TBits = TVX_CODEC_WORD;
#else
using TBits = uintptr_t;
#endif
constexpr int kBitsWidth = 8 * sizeof(TBits);
// Past the end of the input the window shows as many zero bits as a 64-bit buffer
// would before the run ends, whatever the buffer's width, so that a damaged stream
// ends at the same point in every build.
constexpr int kZeroBitsPastEnd = 64;

inline TBits LoadBigEndian(const uint8_t* p) {
    TBits v = 0;
    for (size_t i = 0; i < sizeof(TBits); ++i) v = (v << 8) | p[i];
    return v;
}

// The decoder's moving parts, copied into locals in the hot loop so that stores into
// the ring cannot force them back to memory.
struct TCursor {
    // The upcoming stream bits, first bit in the most significant position. At least
    // the top 16 (the window) are valid after every skip; the bits below count are
    // either 0 or the leading bits of the byte at in.
    TBits bits = 0;
    int count = 0;
    bool atEnd = false;           // EndOfInput was seen: the rest of the stream is 0 bits
    int realEnd = 0;              // once atEnd: count below this means bits past the end used
    int zerosToCome = 0;          // once atEnd: zero bits still to be let into the buffer
    const uint8_t* in = nullptr;  // channel bytes that may be taken without a refill
    const uint8_t* inLimit = nullptr;
    unsigned r = 0;               // ring position
    unsigned flushFrom = 0;       // ring bytes [flushFrom, r) have not reached the channel
    uint32_t blockItems = 0;      // items left in the block; 0: a block head comes next

    unsigned Window() const { return static_cast<unsigned>(bits >> (kBitsWidth - 16)); }
};

class TLH5Decoder {
public:
    explicit TLH5Decoder(TCompThreadSafety& s)
        : s_(s),
          text_(std::make_unique<uint8_t[]>(kTextSize)),
          left_(std::make_unique<uint16_t[]>(kTreeSize)),
          right_(std::make_unique<uint16_t[]>(kTreeSize)),
          litLenLengths_(std::make_unique<uint8_t[]>(kLitLenLengthsSize)),
          auxTable_(std::make_unique<uint16_t[]>(kAuxTableSize)),
          litLenTable_(std::make_unique<uint16_t[]>(kLitLenTableSize)) {}

    void Expand(int32_t expandedSize);

private:
    // ---- bit input ----
    LH5_HOT void SkipBits(TCursor& c, int n) {
        if (n > kMaxCodeLength) {  // only a corrupt length code asks for 17
            Advance(c, 8);
            n -= 8;
        }
        Advance(c, n);
    }
    // n from 0 to 16: at least 16 bits are valid before, and again after.
    LH5_HOT void Advance(TCursor& c, int n) {
        c.bits <<= n;
        c.count -= n;
        if (c.count < 16) FillBits(c);
    }
    LH5_HOT unsigned TakeBits(TCursor& c, int n) {
        if (n == 0) return 0;
        const auto v = static_cast<unsigned>(c.bits >> (kBitsWidth - n));
        SkipBits(c, n);
        return v;
    }
    LH5_HOT void FillBits(TCursor& c) {
        if (c.inLimit - c.in >= static_cast<ptrdiff_t>(sizeof(TBits))) {
            c.bits |= LoadBigEndian(c.in) >> c.count;
            c.in += (kBitsWidth - 1 - c.count) >> 3;
            c.count |= kBitsWidth - 8;
            return;
        }
        TCursor t = c;
        FillBitsSlow(t);
        c = t;
    }
    void FillBitsSlow(TCursor& c);

    // ---- output ----
    LH5_HOT void PassOutput(TCursor& c) {
        if (c.r != c.flushFrom) s_.WriteBytes(text_.get() + c.flushFrom, c.r - c.flushFrom);
        c.flushFrom = c.r;
    }
    void Wrap(TCursor& c) {
        PassOutput(c);
        c.r = c.flushFrom = 0;
    }
    void CopyMatch(TCursor& c, unsigned distance, unsigned length);

    // ---- code tables ----
    void BuildDecodeTable(int symbolCount, const uint8_t* lengths, int indexWidth,
                          uint16_t* table);
    void ReadAuxLengths(TCursor& c, int symbolCount, int fieldWidth, int specialPosition);
    void ReadLitLenLengths(TCursor& c);
    void ReadBlockHead(TCursor& c);
    unsigned WalkTree(unsigned node, unsigned symbolCount, unsigned bits, unsigned mask) const;
    unsigned DecodeLitLen(TCursor& c);
    unsigned DecodeDistance(TCursor& c);
    [[noreturn]] void BadTable(TCursor c) {
        PassOutput(c);
        throw ELZHBadDecodeTable();
    }

    TCompThreadSafety& s_;
    std::unique_ptr<uint8_t[]> text_;  // the first 8192 bytes are the ring
    std::unique_ptr<uint16_t[]> left_;
    std::unique_ptr<uint16_t[]> right_;
    std::unique_ptr<uint8_t[]> litLenLengths_;
    std::unique_ptr<uint16_t[]> auxTable_;
    std::unique_ptr<uint16_t[]> litLenTable_;
    uint8_t auxLengths_[kAuxLengthsSize] = {};
};

// Byte by byte through ReadByte, exactly as the window needs them. Output produced so
// far goes to the channel first, because a refill may report progress.
// Once the end has been seen, the window runs at most 15 real bits ahead of
// kZeroBitsPastEnd zero bits; needing more means that all but 16 of them were used.
void TLH5Decoder::FillBitsSlow(TCursor& c) {
    PassOutput(c);
    if (c.atEnd) {
        // The shifts have brought zeros in behind the bits; count them in.
        const int more = std::min(c.zerosToCome, kBitsWidth - c.count);
        c.count += more;
        c.realEnd += more;
        c.zerosToCome -= more;
        if (c.count < 16) throw TInputOverrun();
        return;
    }
    s_.TakeInputTo(c.in);
    while (c.count < 16) {
        if (s_.EndOfInput) {
            c.atEnd = true;
            break;
        }
        const int b = s_.ReadByte();
        if (s_.EndOfInput) {  // no byte of the stream: the source ended or was stopped
            c.atEnd = true;
            break;
        }
        c.bits |= static_cast<TBits>(b) << (kBitsWidth - 8 - c.count);
        c.count += 8;
    }
    s_.PeekInput(c.in, c.inLimit);
    if (!c.atEnd) return;
    c.in = c.inLimit;
    c.bits &= ~(~TBits{0} >> c.count);
    c.realEnd = kBitsWidth - c.count;
    c.zerosToCome = kZeroBitsPastEnd - kBitsWidth;
    c.count = kBitsWidth;  // all further bits are 0; the shifts bring them in
}

// Lengths must make a complete prefix code (their weights 2^(16 - length) sum to
// 65536), except that a set of all zero lengths leaves the table as it was. The checks
// come before the first store, so a rejected set leaves the table untouched (the tree
// node limit further down is a guard that a complete code never reaches).
void TLH5Decoder::BuildDecodeTable(int symbolCount, const uint8_t* lengths, int indexWidth,
                                   uint16_t* table) {
    uint32_t count[kMaxCodeLength + 1] = {};
    for (int s = 0; s < symbolCount; ++s) {
        if (lengths[s] > kMaxCodeLength) throw ELZHBadDecodeTable();
        ++count[lengths[s]];
    }
    uint32_t start[kMaxCodeLength + 2];
    uint32_t weight[kMaxCodeLength + 1];
    start[1] = 0;
    for (int l = 1; l <= kMaxCodeLength; ++l) {
        weight[l] = 1u << (kMaxCodeLength - l);
        start[l + 1] = start[l] + weight[l] * count[l];
    }
    if (start[kMaxCodeLength + 1] == 0) return;
    if (start[kMaxCodeLength + 1] != 65536) throw ELZHBadDecodeTable();

    const int shift = kMaxCodeLength - indexWidth;
    for (int l = 1; l <= indexWidth; ++l) {
        start[l] >>= shift;
        weight[l] >>= shift;
    }
    const uint32_t tableSize = 1u << indexWidth;
    const uint32_t firstRoot = start[indexWidth + 1] >> shift;
    for (uint32_t i = firstRoot; i < tableSize; ++i) table[i] = 0;

    uint32_t nextNode = static_cast<uint32_t>(symbolCount);
    for (int s = 0; s < symbolCount; ++s) {
        const int l = lengths[s];
        if (l == 0) continue;
        if (l <= indexWidth) {
            std::fill(table + start[l], table + start[l] + weight[l], static_cast<uint16_t>(s));
        } else {
            uint16_t* slot = &table[start[l] >> shift];
            uint32_t code = (start[l] << indexWidth) & 0xFFFF;
            for (int k = l - indexWidth; k > 0; --k) {
                if (*slot == 0) {
                    if (nextNode >= kTreeSize) throw ELZHBadDecodeTable();
                    left_[nextNode] = right_[nextNode] = 0;
                    *slot = static_cast<uint16_t>(nextNode++);
                }
                slot = (code & 0x8000) ? &right_[*slot] : &left_[*slot];
                code <<= 1;
            }
            *slot = static_cast<uint16_t>(s);
        }
        start[l] += weight[l];
    }
}

// Follows the tree from node, one bit of bits per step from mask downward, to a
// symbol. A tree left over from another alphabet could lead anywhere, so the walk
// ends with the bits it may look at.
unsigned TLH5Decoder::WalkTree(unsigned node, unsigned symbolCount, unsigned bits,
                               unsigned mask) const {
    while (node >= symbolCount) {
        if (mask == 0 || node >= kTreeSize) return kTreeSize;
        node = (bits & mask) ? right_[node] : left_[node];
        mask >>= 1;
    }
    return node;
}

void TLH5Decoder::ReadAuxLengths(TCursor& c, int symbolCount, int fieldWidth,
                                 int specialPosition) {
    const int n = static_cast<int>(TakeBits(c, fieldWidth));
    if (n == 0) {
        const unsigned v = TakeBits(c, fieldWidth);
        if (v >= static_cast<unsigned>(symbolCount)) BadTable(c);
        std::fill(auxLengths_, auxLengths_ + symbolCount, 0);
        std::fill(auxTable_.get(), auxTable_.get() + 256, static_cast<uint16_t>(v));
        return;
    }
    if (n > symbolCount) BadTable(c);
    int i = 0;
    while (i < n) {
        int len = static_cast<int>(c.Window() >> 13);
        if (len == 7) {
            for (unsigned mask = 1u << 12; mask != 0 && (c.Window() & mask); mask >>= 1) ++len;
        }
        SkipBits(c, len < 7 ? 3 : len - 3);
        auxLengths_[i++] = static_cast<uint8_t>(len);
        if (i == specialPosition) {
            for (unsigned k = TakeBits(c, 2); k > 0; --k) auxLengths_[i++] = 0;
        }
    }
    std::fill(auxLengths_ + i, auxLengths_ + symbolCount, 0);
    BuildDecodeTable(symbolCount, auxLengths_, kAuxTableBits, auxTable_.get());
}

void TLH5Decoder::ReadLitLenLengths(TCursor& c) {
    uint8_t* const lengths = litLenLengths_.get();
    const int n = static_cast<int>(TakeBits(c, 9));
    if (n == 0) {
        const unsigned v = TakeBits(c, 9);
        if (v >= static_cast<unsigned>(kLitLenSymbols)) BadTable(c);
        std::fill(lengths, lengths + kLitLenSymbols, 0);
        std::fill(litLenTable_.get(), litLenTable_.get() + 4096, static_cast<uint16_t>(v));
        return;
    }
    if (n > kLitLenSymbols) BadTable(c);
    int i = 0;
    while (i < n) {
        unsigned sym = auxTable_[c.Window() >> 8];
        if (sym >= kCodeLengthSymbols) {
            sym = WalkTree(sym, kCodeLengthSymbols, c.Window(), 0x80);
            if (sym >= kTreeSize) BadTable(c);
        }
        SkipBits(c, auxLengths_[sym]);
        if (sym <= 2) {
            const int zeros = sym == 0 ? 1 : sym == 1 ? static_cast<int>(TakeBits(c, 4)) + 3
                                                      : static_cast<int>(TakeBits(c, 9)) + 20;
            if (i + zeros > kLitLenSymbols) BadTable(c);
            std::fill(lengths + i, lengths + i + zeros, 0);
            i += zeros;
        } else {
            lengths[i++] = static_cast<uint8_t>(sym - 2);
        }
    }
    std::fill(lengths + i, lengths + kLitLenSymbols, 0);
    BuildDecodeTable(kLitLenSymbols, lengths, kLitLenTableBits, litLenTable_.get());
}

// Output produced so far reaches the channel first, so a bad table raised while the
// head is read leaves the destination as a byte-at-a-time writer would.
void TLH5Decoder::ReadBlockHead(TCursor& c) {
    PassOutput(c);
    c.blockItems = TakeBits(c, 16);
    if (c.blockItems == 0) c.blockItems = 65536;
    ReadAuxLengths(c, kCodeLengthSymbols, 5, 3);
    ReadLitLenLengths(c);
    ReadAuxLengths(c, kDistanceSymbols, 4, kNoSpecialPosition);
}

// Codes of up to 12 bits come from the table; longer ones go on through the tree
// with the window bits after the first 12.
LH5_HOT unsigned TLH5Decoder::DecodeLitLen(TCursor& c) {
    if (c.blockItems == 0) {
        TCursor t = c;
        ReadBlockHead(t);
        c = t;
    }
    --c.blockItems;
    unsigned j = litLenTable_[c.Window() >> 4];
    if (j < kLitLenSymbols) {
        SkipBits(c, litLenLengths_[j]);
        return j;
    }
    SkipBits(c, kLitLenTableBits);
    j = WalkTree(j, kLitLenSymbols, c.Window(), 0x8000);
    if (j >= kTreeSize) BadTable(c);
    SkipBits(c, std::max(litLenLengths_[j] - kLitLenTableBits, 0));
    return j;
}

LH5_HOT unsigned TLH5Decoder::DecodeDistance(TCursor& c) {
    unsigned j = auxTable_[c.Window() >> 8];
    if (j < kDistanceSymbols) {
        SkipBits(c, auxLengths_[j]);
    } else {
        SkipBits(c, kAuxTableBits);
        j = WalkTree(j, kDistanceSymbols, c.Window(), 0x8000);
        if (j >= kTreeSize) BadTable(c);
        SkipBits(c, std::max(auxLengths_[j] - kAuxTableBits, 0));
    }
    if (j == 0) return 0;
    return (1u << (j - 1)) + TakeBits(c, static_cast<int>(j - 1));
}

// Repeats length bytes from distance + 1 back, byte by byte in effect, so a source
// that overlaps the bytes being written repeats them.
LH5_HOT void TLH5Decoder::CopyMatch(TCursor& c, unsigned distance, unsigned length) {
    uint8_t* const ring = text_.get();
    unsigned from = (c.r - distance - 1) & kRingMask;
    if (c.r + length <= kRingSize && from + length <= kRingSize) {
        uint8_t* dst = ring + c.r;
        const uint8_t* src = ring + from;
        c.r += length;
        if (distance >= 7) {
            // 8-byte steps never read a byte this copy has still to write.
            for (; length >= 8; length -= 8, dst += 8, src += 8) {
                uint64_t v;
                std::memcpy(&v, src, 8);
                std::memcpy(dst, &v, 8);
            }
        }
        for (; length > 0; --length) *dst++ = *src++;
        if (c.r == kRingSize) Wrap(c);
        return;
    }
    for (; length > 0; --length) {
        ring[c.r] = ring[from];
        from = (from + 1) & kRingMask;
        if (++c.r == kRingSize) Wrap(c);
    }
}

void TLH5Decoder::Expand(int32_t expandedSize) {
    std::memset(text_.get(), ' ', kRingSize);
    TCursor c;
    s_.PeekInput(c.in, c.inLimit);
    FillBits(c);  // the first 16 bits: the window's initial SkipBits(16)

    uint8_t* const ring = text_.get();
    int32_t produced = 0;
    while (produced < expandedSize) {
        const unsigned sym = DecodeLitLen(c);
        if (sym < 256) {
            ring[c.r] = static_cast<uint8_t>(sym);
            if (++c.r == kRingSize) Wrap(c);
            ++produced;
        } else {
            const unsigned distance = DecodeDistance(c);
            // A corrupt stream's last match may reach past the expanded size; the copy
            // stops there so the destination never receives more, and the run is marked
            // as one whose stream does not fit its size.
            int32_t length = static_cast<int32_t>(sym) - 253;
            if (length > expandedSize - produced) {
                length = expandedSize - produced;
                s_.ReportOutputOverrun();
            }
            CopyMatch(c, distance, static_cast<unsigned>(length));
            produced += static_cast<int32_t>(length);
        }
    }
    PassOutput(c);
    s_.TakeInputTo(c.in);
    if (c.atEnd && c.count < c.realEnd) s_.ReportInputOverrun();
}

}  // namespace

void ExpandLH5(TCompThreadSafety& s, int32_t expandedSize) {
    if (expandedSize == 0) return;
    try {
        TLH5Decoder(s).Expand(expandedSize);
    } catch (const TInputOverrun&) {
        s.ReportInputOverrun();
    }
}
