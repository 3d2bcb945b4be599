// The LZH decoder. A template over its byte channel so that the codec runs it on
// TCompThreadSafety and the tests on plain buffers; the channel offers ReadByte()
// (0..255), a public EndOfInput flag and WriteByte(uint8_t). Private to the codec.
#pragma once

#include <cstdint>
#include <cstring>

#include "codec/LZHTree.h"

namespace lzh {

template <class TChannel>
class TLZHDecoder {
public:
    explicit TLZHDecoder(TChannel& channel) : channel_(channel) { tree_.StartAdaptiveTree(); }
    TLZHDecoder(const TLZHDecoder&) = delete;
    TLZHDecoder& operator=(const TLZHDecoder&) = delete;

    // Writes exactly expandedSize bytes (nothing when it is 0 or less) and reads ahead
    // at most 8 bytes past the bits it consumed. Every bit sequence decodes: past the
    // end of the input, and for bytes handed out while EndOfInput is set, the input
    // counts as zero bits. A match that would run past expandedSize is cut there.
    // Work is linear in expandedSize whatever the input; ring indices are masked.
    void Expand(int32_t expandedSize) {
        if (expandedSize <= 0) return;
        // Only positions before kFirstPosition are defined as spaces; a valid stream
        // writes the rest before reading it, so any starting content would do.
        std::memset(ring_, kInitialByte, sizeof ring_);
        unsigned r = kFirstPosition;
        int32_t produced = 0;
        while (produced < expandedSize) {
            const int c = ReceiveSymbol();
            if (c < 256) {
                const auto b = static_cast<uint8_t>(c);
                channel_.WriteByte(b);
                ring_[r] = b;
                r = (r + 1) & kRingMask;
                ++produced;
                continue;
            }
            unsigned source = (r - static_cast<unsigned>(ReceivePosition()) - 1) & kRingMask;
            int32_t length = c - kLengthSymbolBias;
            if (length > expandedSize - produced) length = expandedSize - produced;
            produced += length;
            for (int32_t k = 0; k < length; ++k) {
                const uint8_t b = ring_[source];
                channel_.WriteByte(b);
                ring_[r] = b;
                source = (source + 1) & kRingMask;
                r = (r + 1) & kRingMask;
            }
        }
    }

    int ReceiveBit() {
        if (count_ <= 8) Fill();
        const int bit = static_cast<int>(bits_ >> 63);
        bits_ <<= 1;
        --count_;
        return bit;
    }

    int ReceiveByte() { return ReceiveBits(8); }

    // n from 1 to 8.
    int ReceiveBits(int n) {
        if (count_ <= 8) Fill();
        const int v = static_cast<int>(bits_ >> (64 - n));
        bits_ <<= n;
        count_ -= n;
        return v;
    }

    // Walks the adaptive tree from the root one bit at a time, then updates it.
    int ReceiveSymbol() {
        if (count_ < 32) Fill();
        unsigned c = tree_.childSlot[kRootSlot];
        while (c < kSlotCount) {
            if (count_ == 0) Fill();  // only for codes deeper than 32 bits
            c = tree_.childSlot[c + static_cast<unsigned>(bits_ >> 63)];
            bits_ <<= 1;
            --count_;
        }
        const int symbol = static_cast<int>(c) - kSlotCount;
        tree_.UpdateAdaptiveTree(symbol);
        return symbol;
    }

    // The position code of the upper 6 bits followed by the lower 6 bits: 0..4095.
    int ReceivePosition() {
        const int b = ReceiveByte();
        const int upper = kPositionCodes.decodeUpper[b];
        const int m = kPositionCodes.decodeLength[b] - 2;
        const int low = ((b << m) | ReceiveBits(m)) & 63;
        return upper * 64 + low;
    }

    TAdaptiveTree& Tree() { return tree_; }

private:
    // Tops the bit buffer up to at least 57 bits, whole bytes MSB first.
    void Fill() {
        while (count_ <= 56) {
            int b = channel_.ReadByte();
            if (channel_.EndOfInput) b = 0;
            bits_ |= static_cast<uint64_t>(b) << (56 - count_);
            count_ += 8;
        }
    }

    TChannel& channel_;
    uint64_t bits_ = 0;  // unread bits, the next one in the most significant position
    int count_ = 0;
    TAdaptiveTree tree_{};
    uint8_t ring_[kRingSize];
};

}  // namespace lzh
