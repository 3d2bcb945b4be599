// The LZH decoder. A template over its byte channel so that the codec runs it on
// TCompThreadSafety and the tests on plain buffers; the channel offers ReadByte()
// (0..255), a public EndOfInput flag, WriteByte(uint8_t), PeekInput/TakeInputTo for
// the bytes it already holds, and ReportOutputOverrun (see TCompThreadSafety). Private
// to the codec.
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

    // Writes expandedSize bytes (nothing when it is 0 or less) and returns true; a match
    // that would run past expandedSize is cut there (the channel's ReportOutputOverrun).
    // Bits are taken in bulk from the bytes the channel already holds, but ReadByte, which may refill the channel and
    // report progress, is called only when a bit of the next byte is needed, so the
    // source is read no further than the stream's last used byte. When a bit is needed
    // past the end of the input (or after a stop answer), the stream is damaged or cut:
    // decoding ends there and the result is false. Work is linear in expandedSize
    // whatever the input; ring indices are masked.
    bool Expand(int32_t expandedSize) {
        if (expandedSize <= 0) return true;
        // Only positions before kFirstPosition are defined as spaces; a valid stream
        // writes the rest before reading it, so any starting content would do.
        std::memset(ring_, kInitialByte, sizeof ring_);
        unsigned r = kFirstPosition;
        int32_t produced = 0;
        try {
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
                unsigned source =
                    (r - static_cast<unsigned>(ReceivePosition()) - 1) & kRingMask;
                int32_t length = c - kLengthSymbolBias;
                if (length > expandedSize - produced) {
                    length = expandedSize - produced;
                    channel_.ReportOutputOverrun();
                }
                produced += length;
                for (int32_t k = 0; k < length; ++k) {
                    const uint8_t b = ring_[source];
                    channel_.WriteByte(b);
                    ring_[r] = b;
                    source = (source + 1) & kRingMask;
                    r = (r + 1) & kRingMask;
                }
            }
        } catch (const TInputOverrun&) {
            return false;
        }
        return true;
    }

    int ReceiveBit() {
        Need(1);
        const int bit = static_cast<int>(bits_ >> 63);
        bits_ <<= 1;
        --count_;
        return bit;
    }

    int ReceiveByte() { return ReceiveBits(8); }

    // n from 1 to 8.
    int ReceiveBits(int n) {
        Need(n);
        const int v = static_cast<int>(bits_ >> (64 - n));
        bits_ <<= n;
        count_ -= n;
        return v;
    }

    // Walks the adaptive tree from the root one bit at a time, then updates it.
    int ReceiveSymbol() {
        if (count_ < 32) TopUp();
        unsigned c = tree_.childSlot[kRootSlot];
        while (c < kSlotCount) {
            if (count_ == 0) Need(1);
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
    struct TInputOverrun {};

    // Makes n bits available (n up to 8), reading byte by byte when the channel's
    // buffer is used up.
    void Need(int n) {
        if (count_ >= n) return;
        TopUp();
        while (count_ < n) {
            if (channel_.EndOfInput) throw TInputOverrun();
            const int b = channel_.ReadByte();
            if (channel_.EndOfInput) throw TInputOverrun();  // not a byte of the stream
            bits_ |= static_cast<uint64_t>(b) << (56 - count_);
            count_ += 8;
            TopUp();
        }
    }

    // Moves whole bytes that the channel already holds into the bit buffer, as many as
    // fit; never refills the channel.
    void TopUp() {
        const uint8_t* first;
        const uint8_t* last;
        channel_.PeekInput(first, last);
        const int room = (64 - count_) >> 3;
        if (room == 0 || first == last) return;
        if (last - first >= 8) {
            uint64_t v = 0;
            for (int i = 0; i < 8; ++i) v = (v << 8) | first[i];
            v >>= 64 - 8 * room;
            bits_ |= v << (64 - 8 * room - count_);
            count_ += 8 * room;
            channel_.TakeInputTo(first + room);
            return;
        }
        for (int i = 0; i < room && first != last; ++i, count_ += 8)
            bits_ |= static_cast<uint64_t>(*first++) << (56 - count_);
        channel_.TakeInputTo(first);
    }

    TChannel& channel_;
    uint64_t bits_ = 0;  // unread bits, the next one in the most significant position
    int count_ = 0;
    TAdaptiveTree tree_{};
    uint8_t ring_[kRingSize];
};

}  // namespace lzh
