// Shared parts of the LZH method (4096-byte ring, matches of 3 to 60 bytes): the
// adaptive Huffman tree that encoder and decoder update in step after every symbol, and
// the constant prefix code for the upper 6 bits of a match position.
// Private to the codec (and its tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lzh {

constexpr int kRingSize = 4096;
constexpr int kRingMask = kRingSize - 1;
constexpr int kMaxMatch = 60;
// Matches of this many bytes or fewer are sent as literals.
constexpr int kLiteralThreshold = 2;
// Ring position of the first byte of the data; the ring before it starts as spaces.
constexpr int kFirstPosition = kRingSize - kMaxMatch;
constexpr uint8_t kInitialByte = 0x20;

// Symbols 0..255 are literal bytes; 256..313 are match lengths 3..60.
constexpr int kSymbolCount = 256 + kMaxMatch - kLiteralThreshold;
constexpr int kLengthSymbolBias = 253;
constexpr int kSlotCount = 2 * kSymbolCount - 1;  // 627
constexpr int kRootSlot = kSlotCount - 1;         // 626
// Once the root's frequency has reached this value, the next update rebuilds the tree
// with halved counts.
constexpr uint16_t kRebuildFrequency = 0x8000;

// The adaptive literal/length code. Slots 0..626 are kept in order of non-decreasing
// frequency; the two children of an inner slot are neighbours, the first at an even
// slot. A child-slot value of 627 + s marks the leaf of symbol s, and
// parentSlot[627 + s] is that leaf's slot.
struct TAdaptiveTree {
    // [627..630] are stop values 0xFFFF: the update's search reads four counts at a time.
    uint16_t frequency[kSlotCount + 4];
    uint16_t parentSlot[kSlotCount + kSymbolCount + 1];
    uint16_t childSlot[kSlotCount + 1];

    // Every symbol with frequency 1, paired bottom-up into a balanced tree.
    void StartAdaptiveTree();
    // Counts one more occurrence of symbol s (0..313) and restores the slot order by
    // exchanging slots, rebuilding first when the root's count has reached 0x8000.
    inline void UpdateAdaptiveTree(int s);
    // Halves every leaf count (rounding up) and rebuilds the inner slots from them.
    void RebuildAdaptiveTree();
};

inline void TAdaptiveTree::UpdateAdaptiveTree(int s) {
    if (frequency[kRootSlot] == kRebuildFrequency) RebuildAdaptiveTree();
    size_t k = parentSlot[kSlotCount + s];
    do {
        uint16_t* const at = &frequency[k];
        const uint16_t f = static_cast<uint16_t>(*at + 1);
        *at = f;
        if (f > at[1]) {
            // The stop value at slot 627 ends the search: no count reaches 0xFFFF.
            size_t l = k + 1;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            // Four counts at a time: a lane's top bit ends up set when the count is at
            // least f. Counts below the root's are at most 0x7FFF, so f is too, and no
            // lane borrows from the next; counts of 0x8000 and more set the bit by
            // themselves. The scan's end was the most mispredicted branch of the update.
            constexpr uint64_t kTopBits = 0x8000800080008000ull;
            const uint64_t fs = f * 0x0001000100010001ull;
            for (;;) {
                uint64_t w;
                std::memcpy(&w, &frequency[l + 1], sizeof w);
                const uint64_t atLeast = (((w | kTopBits) - fs) | w) & kTopBits;
                if (atLeast != 0) {
                    l += static_cast<size_t>(__builtin_ctzll(atLeast)) >> 4;
                    break;
                }
                l += 4;
            }
#else
            while (f > frequency[l + 1]) ++l;
#endif
            *at = frequency[l];
            frequency[l] = f;

            const unsigned i = childSlot[k];
            parentSlot[i] = static_cast<uint16_t>(l);
            if (i < kSlotCount) parentSlot[i + 1] = static_cast<uint16_t>(l);
            const unsigned j = childSlot[l];
            childSlot[l] = static_cast<uint16_t>(i);
            parentSlot[j] = static_cast<uint16_t>(k);
            if (j < kSlotCount) parentSlot[j + 1] = static_cast<uint16_t>(k);
            childSlot[k] = static_cast<uint16_t>(j);
            k = l;
        }
        k = parentSlot[k];
    } while (k != 0);  // the root's parent entry is 0
}

// The prefix code for u = position / 64: 3 bits for u = 0, 4 for 1..3, 5 for 4..11,
// 6 for 12..23, 7 for 24..47, 8 for 48..63; canonical, assigned in increasing u.
struct TPositionCodes {
    uint8_t encodeLength[64];  // code length of u
    uint8_t encodeCode[64];    // code of u, left-aligned in 8 bits
    uint8_t decodeUpper[256];  // u whose code is a prefix of the 8-bit value
    uint8_t decodeLength[256]; // that code's length
};

constexpr int PositionCodeLength(int u) {
    return u < 1 ? 3 : u < 4 ? 4 : u < 12 ? 5 : u < 24 ? 6 : u < 48 ? 7 : 8;
}

constexpr TPositionCodes MakePositionCodes() {
    TPositionCodes t{};
    int code = 0;
    int length = PositionCodeLength(0);
    for (int u = 0; u < 64; ++u) {
        if (u > 0) {
            const int next = PositionCodeLength(u);
            code = (code + 1) << (next - length);
            length = next;
        }
        const int aligned = code << (8 - length);
        t.encodeLength[u] = static_cast<uint8_t>(length);
        t.encodeCode[u] = static_cast<uint8_t>(aligned);
        for (int b = aligned; b < aligned + (1 << (8 - length)); ++b) {
            t.decodeUpper[b] = static_cast<uint8_t>(u);
            t.decodeLength[b] = static_cast<uint8_t>(length);
        }
    }
    return t;
}

inline constexpr TPositionCodes kPositionCodes = MakePositionCodes();

static_assert(kPositionCodes.encodeCode[1] == 0x20 && kPositionCodes.encodeCode[4] == 0x50 &&
                  kPositionCodes.encodeCode[63] == 0xFF,
              "position codes are canonical");

}  // namespace lzh
