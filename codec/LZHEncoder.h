// The LZH encoder. A template over its byte channel (see LZHDecoder.h) so that the
// codec runs it on TCompThreadSafety and the tests on plain buffers.
// Private to the codec.
//
// Match search: every ring position that starts a string of the window is a node of
// one of 4096 binary search trees, chosen by the string's first byte and a 4-bit hash
// of the next two. Strings are ordered by byte-wise comparison of up to 60 bytes, and
// each node records how many leading bytes it shares with its parent, so a descent
// only compares bytes past those already known to agree.
#pragma once

#include <cstdint>
#include <cstring>

#include "codec/LZHTree.h"

namespace lzh {

template <class TChannel>
class TLZHEncoder {
public:
    explicit TLZHEncoder(TChannel& channel) : channel_(channel) {
        // Bytes past the end of a short input are compared but never sent; a fixed
        // value keeps the search and so the stream deterministic.
        std::memset(text_, 0, sizeof text_);
        tree_.StartAdaptiveTree();
        InitSearchTrees();
    }
    TLZHEncoder(const TLZHEncoder&) = delete;
    TLZHEncoder& operator=(const TLZHEncoder&) = delete;

    // Reads the channel to its end and writes the coded stream; an empty input writes
    // nothing. Raises what the channel's WriteByte raises (the output budget).
    void Compress() {
        unsigned s = 0;
        unsigned r = kFirstPosition;
        std::memset(text_, kInitialByte, kFirstPosition);
        std::memset(text_ + kRingSize, kInitialByte, kMaxMatch - 1);  // mirror of 0..58
        int len = 0;
        while (len < kMaxMatch) {
            const int c = channel_.ReadByte();
            if (channel_.EndOfInput) break;
            text_[r + len] = static_cast<uint8_t>(c);
            ++len;
        }
        if (len == 0) return;
        for (int i = 1; i <= kMaxMatch; ++i) InsertString(r - i);
        InsertString(r);

        while (len > 0) {
            if (matchLength_ > len) matchLength_ = len;
            if (matchLength_ <= kLiteralThreshold) {
                matchLength_ = 1;
                SendSymbol(text_[r]);
            } else {
                SendSymbol(matchLength_ + kLengthSymbolBias);
                SendPosition(matchPosition_);
            }
            const int last = matchLength_;
            int i = 0;
            for (; i < last; ++i) {
                const int c = channel_.ReadByte();
                if (channel_.EndOfInput) break;
                DeleteString(s);
                text_[s] = static_cast<uint8_t>(c);
                if (s < kMaxMatch - 1) text_[s + kRingSize] = static_cast<uint8_t>(c);
                s = (s + 1) & kRingMask;
                r = (r + 1) & kRingMask;
                InsertString(r);
            }
            for (; i < last; ++i) {
                DeleteString(s);
                s = (s + 1) & kRingMask;
                r = (r + 1) & kRingMask;
                if (--len > 0) InsertString(r);
            }
        }
        FlushCodes();
    }

    void InitSearchTrees() {
        for (unsigned i = kNone + 1; i <= kNone + kRootCount; ++i) right_[i] = kNone;
        for (int i = 0; i < kRingSize; ++i) parent_[i] = kNone;
    }

    // Adds the string at ring position r and leaves the longest match with an older
    // string in matchLength_ (0 when none is longer than 2 bytes) and its distance - 1
    // in matchPosition_, the nearest of equally long ones. A string equal to r in all
    // 60 bytes is replaced by r.
    void InsertString(unsigned r) {
        const uint8_t* key = &text_[r];
        right_[r] = left_[r] = kNone;
        unsigned h = key[1] ^ key[2];
        h ^= h >> 4;
        unsigned p = kNone + 1 + key[0] + ((h & 15) << 8);
        int cmp = 1;
        int i = 1;  // bytes known equal between key and the current node
        matchLength_ = 0;
        for (;;) {
            if (cmp >= 0) {
                if (right_[p] == kNone) {
                    Attach(right_[p], p, r, i);
                    return;
                }
                p = right_[p];
            } else {
                if (left_[p] == kNone) {
                    Attach(left_[p], p, r, i);
                    return;
                }
                p = left_[p];
            }
            const int shared = prefix_[p];
            if (shared < i) {
                i = shared;
                cmp = key[i] - text_[p + i];
            } else if (shared == i) {
                const uint8_t* t = &text_[p];
                while (i < kMaxMatch) {
                    cmp = key[i] - t[i];
                    if (cmp != 0) break;
                    ++i;
                }
            }
            if (i <= kLiteralThreshold) continue;
            const int distance = static_cast<int>((r - p) & kRingMask) - 1;
            if (i > matchLength_) {
                matchPosition_ = distance;
                matchLength_ = i;
                if (i >= kMaxMatch) break;
            } else if (i == matchLength_ && distance < matchPosition_) {
                matchPosition_ = distance;
            }
        }
        // r takes p's place.
        prefix_[r] = prefix_[p];
        parent_[r] = parent_[p];
        left_[r] = left_[p];
        right_[r] = right_[p];
        parent_[left_[p]] = static_cast<uint16_t>(r);
        parent_[right_[p]] = static_cast<uint16_t>(r);
        ReplaceChild(p, r);
        parent_[p] = kNone;
    }

    // Removes the string at ring position p from its tree (nothing when it is in none).
    void DeleteString(unsigned p) {
        if (parent_[p] == kNone) return;
        unsigned q;
        if (right_[p] == kNone) {
            q = left_[p];
            if (q != kNone) AdjustPrefixLength(parent_[p], p, q);
        } else if (left_[p] == kNone) {
            q = right_[p];
            AdjustPrefixLength(parent_[p], p, q);
        } else {
            q = left_[p];
            if (right_[q] != kNone) {
                do q = right_[q];
                while (right_[q] != kNone);
                if (left_[q] != kNone) AdjustPrefixLength(parent_[q], q, left_[q]);
                SetPrefixLength(1, q, left_[p]);
                right_[parent_[q]] = left_[q];
                parent_[left_[q]] = parent_[q];
                left_[q] = left_[p];
                parent_[left_[p]] = static_cast<uint16_t>(q);
            }
            SetPrefixLength(1, parent_[p], q);
            SetPrefixLength(1, q, right_[p]);
            right_[q] = right_[p];
            parent_[right_[p]] = static_cast<uint16_t>(q);
        }
        parent_[q] = parent_[p];  // q may be kNone, whose parent entry exists for this
        ReplaceChild(p, q);
        parent_[p] = kNone;
    }

    // Prefix length of node n under q, comparing from byte j on (the bytes before are
    // known to agree). A root or no node as q gives 1: a tree's strings share byte 0.
    void SetPrefixLength(int j, unsigned q, unsigned n) {
        if (q >= kNone) {
            prefix_[n] = 1;
            return;
        }
        while (j < kMaxMatch && text_[n + j] == text_[q + j]) ++j;
        prefix_[n] = static_cast<uint8_t>(j);
    }

    // Node b moves up into the place of a, its parent, under x.
    void AdjustPrefixLength(unsigned x, unsigned a, unsigned b) {
        if (prefix_[a] == prefix_[b]) {
            SetPrefixLength(prefix_[a], x, b);
        } else if (prefix_[a] < prefix_[b]) {
            prefix_[b] = prefix_[a];
        }
    }

    // Appends the top bitCount bits (up to 16) of code; the bits below them must be 0.
    void SendCode(int bitCount, uint16_t code) {
        bits_ |= static_cast<uint64_t>(code) << (48 - count_);
        count_ += bitCount;
        while (count_ >= 8) {
            channel_.WriteByte(static_cast<uint8_t>(bits_ >> 56));
            bits_ <<= 8;
            count_ -= 8;
        }
    }

    // Sends the symbol's current code (the path from the root to its leaf), longer
    // codes in pieces of 16 bits, then updates the tree.
    void SendSymbol(int symbol) {
        uint64_t code = 0;  // left-aligned; the tree is never near 64 levels deep
        int length = 0;
        unsigned k = tree_.parentSlot[kSlotCount + symbol];
        do {
            code = (code >> 1) | (static_cast<uint64_t>(k & 1) << 63);
            ++length;
            k = tree_.parentSlot[k];
        } while (k != kRootSlot);
        while (length > 16) {
            SendCode(16, static_cast<uint16_t>(code >> 48));
            code <<= 16;
            length -= 16;
        }
        SendCode(length, static_cast<uint16_t>(code >> 48));
        tree_.UpdateAdaptiveTree(symbol);
    }

    void SendPosition(int position) {
        const int upper = position >> 6;
        SendCode(kPositionCodes.encodeLength[upper],
                 static_cast<uint16_t>(kPositionCodes.encodeCode[upper] << 8));
        SendCode(6, static_cast<uint16_t>((position & 63) << 10));
    }

    // Writes the last partial byte, padded with zero bits.
    void FlushCodes() {
        if (count_ > 0) channel_.WriteByte(static_cast<uint8_t>(bits_ >> 56));
        bits_ = 0;
        count_ = 0;
    }

    TAdaptiveTree& Tree() { return tree_; }
    bool InSearchTree(unsigned p) const { return parent_[p] != kNone; }

private:
    static constexpr unsigned kNone = kRingSize;  // stands for no node
    static constexpr unsigned kRootCount = 4096;      // roots are kNone + 1 .. kNone + 4096

    void Attach(uint16_t& link, unsigned p, unsigned r, int shared) {
        link = static_cast<uint16_t>(r);
        parent_[r] = static_cast<uint16_t>(p);
        prefix_[r] = static_cast<uint8_t>(shared);
    }

    // The parent of `from` links to `to` instead, on the same side. A root has only a
    // right link, so a root parent is always matched there.
    void ReplaceChild(unsigned from, unsigned to) {
        const unsigned up = parent_[from];
        if (right_[up] == from)
            right_[up] = static_cast<uint16_t>(to);
        else
            left_[up] = static_cast<uint16_t>(to);
    }

    TChannel& channel_;
    uint8_t text_[kRingSize + kMaxMatch];        // ring; 4096.. mirror 0..58
    uint16_t left_[kRingSize + 1];
    uint16_t right_[kRingSize + 1 + kRootCount + 1];
    uint16_t parent_[kRingSize + 2];
    uint8_t prefix_[kRingSize + 2];
    TAdaptiveTree tree_{};
    uint64_t bits_ = 0;  // pending output bits, the first in the most significant position
    int count_ = 0;
    int matchPosition_ = 0;
    int matchLength_ = 0;
};

}  // namespace lzh
