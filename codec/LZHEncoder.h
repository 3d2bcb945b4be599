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

// The steps of the match search are small and run millions of times; the compiler's
// size heuristics would otherwise leave some of them as calls with their state in memory.
#if defined(__GNUC__) || defined(__clang__)
#define TVX_LZH_INLINE inline __attribute__((always_inline))
#else
#define TVX_LZH_INLINE inline
#endif

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
        for (int i = 1; i <= kMaxMatch; ++i) InsertString<false>(r - i);
        InsertString<true>(r);

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
            // Only the string inserted last, just before the next symbol is chosen,
            // needs its match; the others only grow the trees.
            const auto advance = [&]() {
                const int c = channel_.ReadByte();
                if (channel_.EndOfInput) return false;
                DeleteString(s);
                text_[s] = static_cast<uint8_t>(c);
                if (s < kMaxMatch - 1) text_[s + kRingSize] = static_cast<uint8_t>(c);
                s = (s + 1) & kRingMask;
                r = (r + 1) & kRingMask;
                return true;
            };
            int i = 0;
            while (i < last && advance()) {
                if (i + 1 == last) {
                    InsertString<true>(r);
                    ++i;
                    break;
                }
                // Two strings, r and r + 1, are due. When r's tree differs from both
                // r + 1's and that of s, the string deleted in between, the deletion
                // may come first and the two insertions may run side by side.
                const unsigned tree = TreeOf(&text_[r]);
                if (tree != TreeOf(&text_[r + 1]) &&
                    (!InSearchTree(s) || tree != TreeOf(&text_[s]))) {
                    if (!advance()) {
                        InsertString<false>(r);
                        ++i;
                        break;
                    }
                    const unsigned first = (r - 1) & kRingMask;
                    if (i + 2 == last)
                        InsertStringPair<true>(first, r);
                    else
                        InsertStringPair<false>(first, r);
                    i += 2;
                } else {
                    InsertString<false>(r);
                    ++i;
                }
            }
            for (; i < last; ++i) {
                DeleteString(s);
                s = (s + 1) & kRingMask;
                r = (r + 1) & kRingMask;
                if (--len > 0) {
                    if (i + 1 < last)
                        InsertString<false>(r);
                    else
                        InsertString<true>(r);
                }
            }
        }
        FlushCodes();
    }

    void InitSearchTrees() {
        for (auto& root : roots_) root = kNone;
        for (int i = 0; i < kRingSize; ++i) nodes_[i].parent = kNone;
        // Stands in for a missing child, whose prefix count DeleteString reads and
        // writes: defined values, never part of a tree.
        nodes_[kNone] = TNode{{kNone, kNone}, kNone, 0};
    }

    // Adds the string at ring position r. With kFindMatch it leaves the longest match
    // with an older string in matchLength_ (0 when none is longer than 2 bytes) and its
    // distance - 1 in matchPosition_, the nearest of equally long ones; without it the
    // match fields are left alone. A string equal to r in all 60 bytes is replaced by r.
    template <bool kFindMatch = true>
    void InsertString(unsigned r) {
        TDescent d;
        StartDescent(d, r);
        while (!StepDescent<kFindMatch>(d)) {
        }
        if (kFindMatch) SetMatch(static_cast<int>(d.bestLength), static_cast<int>(d.bestPosition));
    }

    // Adds the strings at a and then b as InsertString<false>(a) and
    // InsertString<kFindMatch>(b) would, but with the two descents taking turns so that
    // their chains of dependent loads overlap. Only for strings in different trees: then
    // neither descent reads or writes a node or root of the other's tree, and the order
    // of the two does not matter.
    template <bool kFindMatch>
    void InsertStringPair(unsigned a, unsigned b) {
        TDescent da, db;
        StartDescent(da, a);
        StartDescent(db, b);
        for (;;) {
            if (StepDescent<false>(da)) {
                while (!StepDescent<kFindMatch>(db)) {
                }
                break;
            }
            if (StepDescent<kFindMatch>(db)) {
                while (!StepDescent<false>(da)) {
                }
                break;
            }
        }
        if (kFindMatch) SetMatch(static_cast<int>(db.bestLength), static_cast<int>(db.bestPosition));
    }

    // The tree (0..4095) of the string whose first three bytes start at key.
    TVX_LZH_INLINE static unsigned TreeOf(const uint8_t* key) {
        unsigned h = key[1] ^ key[2];
        h ^= h >> 4;
        return key[0] + ((h & 15) << 8);
    }

    // The state of one insertion between steps of its descent.
    struct TDescent {
        // Kept to what each step needs (the ring position is key - text_, the link that
        // leads to next follows from p and right), so that two descents fit in registers.
        const uint8_t* key;  // the string being inserted
        unsigned next;       // the node to visit next, or kNone
        unsigned p;          // next's parent: a node, or a root as kNone + 1 + tree
        unsigned i;          // bytes known equal between key and p's string
        unsigned right;      // 1 when next is p's right child (key sorts after p), else 0
        // Lengths of 2 or less never count as matches, so the best starts at 2; ties
        // at 2 only move a position nobody reads.
        unsigned bestLength;
        unsigned bestPosition;
    };

    TVX_LZH_INLINE void StartDescent(TDescent& d, unsigned r) {
        d.key = &text_[r];
        nodes_[r].link[kLeft] = nodes_[r].link[kRight] = kNone;
        const unsigned root = TreeOf(d.key);
        d.p = kNone + 1 + root;
        d.next = roots_[root];
        d.i = 1;
        d.right = 0;  // not read: a root's child always shares 1 byte with it, as the key
        d.bestLength = kLiteralThreshold;
        d.bestPosition = kRingSize;
    }

    // Goes one node down; true once r is in the tree (hung below the last node, or in
    // the place of a node equal to it in all 60 bytes).
    //
    // Every node's prefix is exactly the length of its common prefix with its parent,
    // and i exactly that of the key with p, so most steps need no text: at a node below
    // p that shares more bytes with p than the key does, the key and the node differ
    // where the key and p do, the same way round; at one that shares fewer, they differ
    // where the node and p do, the other way round (the node lies on the side of p the
    // key went to). Only when the two counts are equal are the bytes compared. Both
    // children are read with the prefix, before the way on is known, so that a step is
    // one load of the node plus a select, not two dependent loads.
    template <bool kFindMatch>
    TVX_LZH_INLINE bool StepDescent(TDescent& d) {
        const unsigned p = d.next;
        if (p == kNone) {
            const auto r = static_cast<unsigned>(d.key - text_);
            uint16_t* const link =
                d.p > kNone ? &roots_[d.p - kNone - 1] : &nodes_[d.p].link[d.right];
            *link = static_cast<uint16_t>(r);
            nodes_[r].parent = static_cast<uint16_t>(d.p);
            nodes_[r].prefix = static_cast<uint8_t>(d.i);
            return true;
        }
        uint32_t children;
        std::memcpy(&children, nodes_[p].link, sizeof children);
        const unsigned shared = nodes_[p].prefix;
        const uint8_t* const node = &text_[p];
        unsigned i = d.i;
        unsigned right;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // The next 8 bytes of both are read at every node, with the prefix: when the
        // counts are equal the answer is mostly in them, and choosing it with selects
        // instead of a branch on the equality costs less than that branch's mispredicts.
        uint64_t x, y;
        std::memcpy(&x, d.key + i, 8);
        std::memcpy(&y, node + i, 8);
        const uint64_t diff = x ^ y;
        if (__builtin_expect((diff | (shared ^ i)) == 0, 0)) {
            // 8 more bytes agree (at i >= 52 that is all 60, and reading on from i + 8
            // would pass the padding of text_).
            i += 8;
            if (i < kMaxMatch) i = MatchingBytes(d.key, node, i);
            if (i >= kMaxMatch) return ReplaceWithKey(d, p);
            right = d.key[i] > node[i] ? 1 : 0;
        } else {
            // When the node shares more bytes with p than the key does, the key and the
            // node differ at byte i, where the key and p do: the bytes read give that
            // answer too, so only a node that shares fewer needs its own. diff is 0 only
            // when it shares fewer, and then `compared` is not used. The choice is made
            // with a mask from an arithmetic flag: compilers turn comparisons and
            // conditionals here back into branches.
            const unsigned compared =
                i + (static_cast<unsigned>(__builtin_ctzll(diff | (1ull << 63))) >> 3);
            const unsigned comparedRight = __builtin_bswap64(x) > __builtin_bswap64(y) ? 1 : 0;
            // Both counts are below 256, so the top bit of the difference is shared < i.
            const unsigned fewer = 0u - ((shared - i) >> 31);
            right = comparedRight ^ ((comparedRight ^ d.right ^ 1) & fewer);
            i = compared ^ ((compared ^ shared) & fewer);
            if (i >= kMaxMatch) return ReplaceWithKey(d, p);
        }
#else
        if (shared == i) {
            i = MatchingBytes(d.key, node, i);
            if (i >= kMaxMatch) return ReplaceWithKey(d, p);
            right = d.key[i] > node[i] ? 1 : 0;
        } else {
            right = d.right ^ (shared < i ? 1 : 0);
            i = shared < i ? shared : i;
        }
#endif
        if (kFindMatch) {
            const unsigned distance = ((static_cast<unsigned>(d.key - text_) - p) & kRingMask) - 1;
            const bool better =
                i > d.bestLength || (i == d.bestLength && distance < d.bestPosition);
            d.bestPosition = better ? distance : d.bestPosition;
            d.bestLength = better ? i : d.bestLength;
        }
        d.p = p;
        d.i = i;
        d.right = right;
        d.next = ChildOf(children, right);
        return false;
    }

    // The key equals node p in all 60 bytes: it takes p's place, and p is its match.
    TVX_LZH_INLINE bool ReplaceWithKey(TDescent& d, unsigned p) {
        // Every earlier node matched fewer bytes, so this one is the best.
        d.bestLength = kMaxMatch;
        const auto r = static_cast<unsigned>(d.key - text_);
        d.bestPosition = ((r - p) & kRingMask) - 1;
        ReplaceNode(p, r);
        return true;
    }

    // Link `side` (kLeft or kRight) of a node's two links read as one 32-bit word.
    TVX_LZH_INLINE static unsigned ChildOf(uint32_t children, unsigned side) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        side ^= 1;
#endif
        return static_cast<uint16_t>(children >> (16 * side));
    }

    // r takes p's place in its tree.
    void ReplaceNode(unsigned p, unsigned r) {
        nodes_[r].prefix = nodes_[p].prefix;
        nodes_[r].parent = nodes_[p].parent;
        nodes_[r].link[kLeft] = nodes_[p].link[kLeft];
        nodes_[r].link[kRight] = nodes_[p].link[kRight];
        nodes_[nodes_[p].link[kLeft]].parent = static_cast<uint16_t>(r);
        nodes_[nodes_[p].link[kRight]].parent = static_cast<uint16_t>(r);
        ReplaceChild(p, r);
        nodes_[p].parent = kNone;
    }

    // Removes the string at ring position p from its tree (nothing when it is in none).
    void DeleteString(unsigned p) {
        const unsigned parent = nodes_[p].parent;
        if (parent == kNone) return;
        const unsigned left = nodes_[p].link[kLeft];
        const unsigned right = nodes_[p].link[kRight];
        unsigned q;
        if ((left != kNone) & (right != kNone)) {
            // The in-order predecessor q takes p's place. The new prefix counts are
            // compared from lower bounds instead of byte 1: two strings share at least
            // the smallest prefix count on the tree path between them. spine: the counts
            // below p's left child on the way to q; path: from p.
            q = left;
            unsigned path = nodes_[q].prefix;
            if (nodes_[q].link[kRight] != kNone) {
                unsigned spine = kMaxMatch;
                do {
                    q = nodes_[q].link[kRight];
                    spine = nodes_[q].prefix < spine ? nodes_[q].prefix : spine;
                } while (nodes_[q].link[kRight] != kNone);
                path = spine < path ? spine : path;
                const unsigned up = nodes_[q].parent;
                const unsigned below = nodes_[q].link[kLeft];  // may be kNone
                MoveUp(up, q, below);
                nodes_[left].prefix = static_cast<uint8_t>(CountFrom(left, q, spine, 1, 0));
                nodes_[up].link[kRight] = static_cast<uint16_t>(below);
                nodes_[below].parent = static_cast<uint16_t>(up);
                nodes_[q].link[kLeft] = static_cast<uint16_t>(left);
                nodes_[left].parent = static_cast<uint16_t>(q);
            }
            const unsigned up = nodes_[p].prefix;
            const unsigned down = nodes_[right].prefix;
            nodes_[q].prefix = static_cast<uint8_t>(PrefixUnder(parent, q, up < path ? up : path));
            nodes_[right].prefix =
                static_cast<uint8_t>(CountFrom(right, q, down < path ? down : path, 1, 0));
            nodes_[q].link[kRight] = static_cast<uint16_t>(right);
            nodes_[right].parent = static_cast<uint16_t>(q);
        } else {
            // At most one child (or none: q is then kNone, whose entry absorbs the
            // writes). Which of the three cases it is is close to random, so no branch
            // depends on it.
            q = left ^ right ^ kNone;
            MoveUp(parent, p, q);
        }
        nodes_[q].parent = static_cast<uint16_t>(parent);
        ReplaceChild(p, q);
        nodes_[p].parent = kNone;
    }

    // The prefix count of node n under q (a node, or a root: then 1, as a tree's
    // strings share byte 0), comparing from byte j on (the bytes before are known to
    // agree). n may be kNone.
    TVX_LZH_INLINE unsigned PrefixUnder(unsigned q, unsigned n, unsigned j) {
        return CountFrom(n, q, j, q < kNone, 1);
    }

    // Node b (or kNone) moves up into the place of a, its parent, under x: it shares
    // with x what a did if it shared more with a, keeps its count if it shared less, and
    // is compared from there when the counts are equal.
    TVX_LZH_INLINE void MoveUp(unsigned x, unsigned a, unsigned b) {
        const unsigned up = nodes_[a].prefix;
        const unsigned down = nodes_[b].prefix;
        // Under a root a's count is 1, so the smaller count is the answer.
        nodes_[b].prefix = static_cast<uint8_t>(
            CountFrom(b, x, up, (up == down) & (x < kNone), up < down ? up : down));
    }

    // When `compare` (0 or 1), the length of the common prefix of the strings at n and q
    // (60 at most), at least j; otherwise `otherwise`. The first 8 bytes from j are read
    // either way (q is then replaced by n, and n may be kNone: text_'s padding covers
    // it), so that the text is not what waits for a branch on `compare`.
    TVX_LZH_INLINE unsigned CountFrom(unsigned n, unsigned q, unsigned j, unsigned compare,
                                      unsigned otherwise) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        const unsigned b = compare ? q : n;
        uint64_t x, y;
        std::memcpy(&x, &text_[n + j], 8);
        std::memcpy(&y, &text_[b + j], 8);
        const uint64_t diff = x ^ y;
        if (__builtin_expect((diff | (compare ^ 1)) == 0, 0)) {
            const unsigned i = j + 8;
            if (i >= kMaxMatch) return kMaxMatch;
            return static_cast<unsigned>(CommonLength(&text_[n], &text_[q], static_cast<int>(i)));
        }
        unsigned found = j + (static_cast<unsigned>(__builtin_ctzll(diff | (1ull << 63))) >> 3);
        found = found < kMaxMatch ? found : kMaxMatch;
        return compare ? found : otherwise;
#else
        if (!compare) return otherwise;
        return static_cast<unsigned>(CommonLength(&text_[n], &text_[q], static_cast<int>(j)));
#endif
    }

    // Appends the top bitCount bits (up to 16) of code; the bits below them must be 0.
    void SendCode(int bitCount, uint16_t code) {
        SendBits(bitCount, static_cast<uint64_t>(code) << 48);
    }

    // Appends the top bitCount bits (1 to 56) of code; the bits below them must be 0.
    void SendBits(int bitCount, uint64_t code) {
        bits_ |= code >> count_;
        count_ += bitCount;
        while (count_ >= 8) {
            channel_.WriteByte(static_cast<uint8_t>(bits_ >> 56));
            bits_ <<= 8;
            count_ -= 8;
        }
    }

    // Sends the symbol's current code (the path from the root to its leaf), then
    // updates the tree. The walk goes from the leaf up, so each step's bit goes in
    // above the ones before it. Codes longer than 16 bits go out whole as well: the
    // stream is the same bits either way.
    void SendSymbol(int symbol) {
        // Sibling order with a root count of at most 0x8000 bounds the depth like
        // Fibonacci numbers do: codes stay far below the 56 bits SendBits takes.
        uint64_t code = 0;  // left-aligned
        int length = 0;
        uint64_t k = tree_.parentSlot[kSlotCount + symbol];
        do {
            code = (code >> 1) | (k << 63);
            ++length;
            k = tree_.parentSlot[k];
        } while (k != kRootSlot);
        SendBits(length, code);
        tree_.UpdateAdaptiveTree(symbol);
    }

    void SendPosition(int position) {
        const int upper = position >> 6;
        const int length = kPositionCodes.encodeLength[upper];
        const uint64_t code = kPositionCodes.encodeCode[upper];
        SendBits(length + 6, (code << 56) | (static_cast<uint64_t>(position & 63) << (58 - length)));
    }

    // Writes the last partial byte, padded with zero bits.
    void FlushCodes() {
        if (count_ > 0) channel_.WriteByte(static_cast<uint8_t>(bits_ >> 56));
        bits_ = 0;
        count_ = 0;
    }

    TAdaptiveTree& Tree() { return tree_; }
    bool InSearchTree(unsigned p) const { return nodes_[p].parent != kNone; }
    // Read-only views of the search trees, for tests that check their invariants: the
    // root of tree t (0..4095) and a node's children, each kNone (4096) when missing; a
    // node's parent (kNone + 1 + t for a root); its prefix count; its 60-byte string.
    unsigned RootOf(unsigned t) const { return roots_[t]; }
    unsigned LinkOf(unsigned p, unsigned side) const { return nodes_[p].link[side]; }
    unsigned ParentOf(unsigned p) const { return nodes_[p].parent; }
    unsigned PrefixOf(unsigned p) const { return nodes_[p].prefix; }
    const uint8_t* StringAt(unsigned p) const { return &text_[p]; }
    static unsigned TreeOfString(const uint8_t* s) { return TreeOf(s); }

private:
    static constexpr unsigned kNone = kRingSize;  // stands for no node
    // Roots are numbered kNone + 1 .. kNone + 4096 where a node names its parent.
    static constexpr unsigned kRootCount = 4096;
    static constexpr unsigned kLeft = 0;
    static constexpr unsigned kRight = 1;

    // The length of the common prefix of the 60-byte strings a and b, at least `from`
    // (the bytes before it are known to agree).
    static int CommonLength(const uint8_t* a, const uint8_t* b, int from) {
        const unsigned n = MatchingBytes(a, b, static_cast<unsigned>(from));
        return n < kMaxMatch ? static_cast<int>(n) : kMaxMatch;
    }

    // As CommonLength, except that any result of 60 or more (up to 67) stands for all
    // 60 bytes. Compares a word at a time where it can and may read up to 7 bytes past
    // the strings, which the padding of text_ allows.
    static unsigned MatchingBytes(const uint8_t* a, const uint8_t* b, unsigned from) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        unsigned i = from;
        for (;;) {
            uint64_t x, y;
            std::memcpy(&x, a + i, 8);
            std::memcpy(&y, b + i, 8);
            if (x != y) return i + (static_cast<unsigned>(__builtin_ctzll(x ^ y)) >> 3);
            i += 8;
            if (i >= kMaxMatch) return i;
        }
#else
        unsigned i = from;
        while (i < kMaxMatch && a[i] == b[i]) ++i;
        return i;
#endif
    }

    void SetMatch(int length, int position) {
        matchLength_ = length > kLiteralThreshold ? length : 0;
        if (matchLength_ > 0) matchPosition_ = position;
    }

    // The parent of `from` links to `to` instead, on the same side (a root has only
    // one link).
    void ReplaceChild(unsigned from, unsigned to) {
        const unsigned up = nodes_[from].parent;
        if (up > kNone) {
            roots_[up - kNone - 1] = static_cast<uint16_t>(to);
        } else {
            // Which side is as good as random: pick it without a branch.
            const unsigned side = nodes_[up].link[kRight] == from ? kRight : kLeft;
            nodes_[up].link[side] = static_cast<uint16_t>(to);
        }
    }

    TChannel& channel_;
    uint8_t text_[kRingSize + kMaxMatch + 8];  // ring; 4096..4154 mirror 0..58; padding
    // Search-tree nodes: ring positions 0..4095, kNone (whose parent entry absorbs
    // writes for a missing child).
    struct TNode {
        uint16_t link[2];  // left and right child
        uint16_t parent;
        uint8_t prefix;    // bytes shared with the parent's string, 1..60
    };
    TNode nodes_[kRingSize + 1];
    // The roots' only links, kept apart so that the hot part of the trees stays small.
    uint16_t roots_[kRootCount];
    TAdaptiveTree tree_{};
    uint64_t bits_ = 0;  // pending output bits, the first in the most significant position
    int count_ = 0;
    int matchPosition_ = 0;
    int matchLength_ = 0;
};

}  // namespace lzh

#undef TVX_LZH_INLINE
