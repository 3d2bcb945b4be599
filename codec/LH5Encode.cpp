// LH5 encoder: LZ77 over an 8192-byte window with static Huffman codes sent per block,
// producing the -lh5- bit stream that ExpandLH5 reads.
//
// Matches are found with a tree of every string in the window: a trie with compressed
// edges whose inner nodes carry the length of their string, whose leaves are the text
// positions themselves. The children of the 256 roots sit in a table indexed by their
// first two bytes, those of inner nodes in one hash table. Inserting a position walks
// down from the root of its first byte, so the cost follows the match
// length, not the window size; after a match of 4 or more the next position starts from
// the node reached by the previous one. One step of lazy matching chooses between a
// match and a literal. Items are buffered per block so that the three Huffman codes can
// be fitted to the block before it is written.
//
// The output is fixed to the bit by the order of every step below: tie-breaking in the
// heap, which match position a node remembers, and when a block is cut all show in the
// stream, so none of them may be changed for speed.
#include <algorithm>
#include <cstring>
#include <memory>

#include "codec/Methods.h"

namespace {

constexpr int kWindow = 8192;                 // sliding window (and leaf index base)
constexpr int kMaxMatch = 256;
constexpr int kMinMatch = 3;
constexpr int kLitLenSymbols = 510;           // 256 literals + lengths 3..256
constexpr int kDistSymbols = 14;              // distance classes 0..13
constexpr int kCodeLenSymbols = 19;
constexpr int kMaxCodeLength = 16;
constexpr int kRoot = kWindow;                // roots are kRoot + first byte
constexpr int kHashBase = 2 * kWindow;        // bucket heads follow the nodes in nextLink_
constexpr int kHashBits = 16;
constexpr int kHashSize = 1 << kHashBits;     // 65536 buckets for at most 16383 children
constexpr int kHashLast = kHashBase + kHashSize - 1;
constexpr int kRootSlots = kHashLast + 1;     // slot of the root child (c1, c2): + 256 c1 + c2
constexpr int kLinkCount = kRootSlots + 256 * 256;
constexpr uint16_t kMark = 0x8000;            // flag bit in node positions
constexpr int kTextSize = 2 * kWindow + kMaxMatch + 1;  // 16641
constexpr int kItemBufferSize = 16385;
constexpr int kBlockCut = 16360;              // a block is sent once this much is buffered
constexpr int kLastPosition = 2 * kWindow;    // reaching it slides the text

#if defined(__GNUC__)
#define TVX_LH5_INLINE inline __attribute__((always_inline))
#else
#define TVX_LH5_INLINE inline
#endif

// Number of significant bits of d (0 for 0): the distance class of distance d, which is
// below 2^31. 2d + 1 is never 0, so no branch is needed for d = 0.
TVX_LH5_INLINE int BitLength(unsigned d) {
#if defined(__GNUC__)
    return 31 - __builtin_clz(2 * d + 1);
#else
    int k = 0;
    for (; d; d >>= 1) ++k;
    return k;
#endif
}

// The whole working storage of one compressing run, allocated at its start and freed
// when it ends, whichever way it ends. The fields follow the codec state's LH5 working
// fields; their widths are the ones the bit stream depends on.
class LH5Encoder {
public:
    explicit LH5Encoder(TCompThreadSafety& channel) : ch_(channel) {}

    void Run();

private:
    // Match tree. The hot state (current position p, match length L, match position m,
    // bytes remaining) lives in Run's locals and is passed by reference, so that the
    // compiler keeps it in registers across the byte stores into the arrays.
    void InitMatchTree();
    int FindChild(int q, int c);
    void LinkChild(int q, int c, int r);
    void LinkAt(int h, int q, int r);
    void SplitNode(int old, int p, int L, int m);
    void InsertPosition(int p, int& L, int& m);
    void DeletePosition(int p);
    void AdvancePosition(int& p, int& L, int& m, int& remaining);
    int SlideText();
    int ReadInto(uint8_t* to, int count);

    // Items and blocks.
    struct ItemCursor {
        unsigned pos = 0;       // next free byte in the item buffer
        unsigned flagMask = 0;  // flag bit of the next item, 0x80 down to 0x01
        unsigned flagPos = 0;   // where the current flag byte lies
    };
    void EmitItem(ItemCursor& at, int c, unsigned d);
    void SendBlock();

    // Huffman codes.
    int BuildCode(int n, uint16_t* freq, uint8_t* len, uint16_t* code);
    void HeapDown(int i);
    void CountLeaves(int node);
    void LimitLengths(int root);
    void AssignCodes(int n, const uint8_t* len, uint16_t* code);

    // Code lengths and items on the wire.
    void CountLengthSymbols();
    void WriteAuxLengths(int n, int width, int special);
    void WriteLitLenLengths();
    void EncodeItems(unsigned size);  // EncodeLitLen and EncodeDistance for a block

    // Bit output.
    void PutCode(int n, unsigned x);
    void PutBits(int n, unsigned v) { PutCode(n, (v << (16 - n)) & 0xFFFF); }

    TCompThreadSafety& ch_;

    uint8_t text_[kTextSize + 8] = {};  // the 8 spare bytes let comparisons read words
    // Inner nodes and roots, the fields a step through the tree reads together.
    struct Inner {
        // The exclusive or of the indices of the node's children, kept wherever a child
        // is added, removed or replaced: when an inner node is down to one child, this
        // is that child, found without a search.
        uint16_t childXor = 0;
        uint8_t childCount = 0;  // wraps at 256 children; roots never read it
        uint8_t level = 0;       // length of the node's string
    };
    Inner inner_[kWindow + 257] = {};
    // The latest position of an inner node's string (kMark: its parent has yet to learn
    // of it). A root's entry is never marked and its position never read.
    uint16_t nodePosition_[kWindow + 257] = {};
    uint16_t nodeParent_[2 * kWindow + 1] = {};
    // Children are kept in doubly linked chains. nextLink_ holds, for each node, the next
    // child in its chain (0 ends a chain); from kHashBase the first child of each hash
    // bucket (children of inner nodes); from kRootSlots the one child of root c1 whose
    // edge starts with c2, found directly. nodePrevious_ holds, for each child, the index
    // in nextLink_ that leads to it, so that it can be unlinked or replaced in place.
    // nextLink_ also threads the free inner nodes, and a leaf replaced after a full match
    // (parent 0) points through it at the leaf that took its place.
    uint32_t nodePrevious_[2 * kWindow + 1] = {};
    uint16_t nextLink_[kLinkCount] = {};
    // Two spare bytes past the last item: EncodeItems reads a literal's two following
    // bytes as if it were a match, and discards them.
    uint8_t itemBuffer_[kItemBufferSize + 2] = {};

    uint8_t pendingByte_ = 0;
    uint8_t pendingBitCount_ = 8;  // free bit positions left in pendingByte_

    uint16_t treeLeft_[2 * kLitLenSymbols] = {};
    uint16_t treeRight_[2 * kLitLenSymbols] = {};
    uint8_t litLenLength_[kLitLenSymbols + 1] = {};
    uint8_t auxLength_[129] = {};
    uint16_t litLenFreq_[2 * kLitLenSymbols] = {};
    uint16_t litLenCode_[kLitLenSymbols + 1] = {};
    uint16_t distFreq_[2 * kDistSymbols - 1] = {};
    uint16_t auxCode_[129] = {};
    uint16_t codeLenFreq_[2 * kCodeLenSymbols - 1] = {};

    int freeNode_ = 0;
    uint8_t treeDepth_ = 0;

    // BuildCode's working set: the heap of symbols and nodes, and the alphabet it is
    // building for (LimitLengths and AssignCodes read them).
    uint16_t heap_[kLitLenSymbols + 2] = {};
    int heapSize_ = 0;
    int symbolCount_ = 0;
    uint16_t* freq_ = nullptr;
    uint8_t* len_ = nullptr;
    uint16_t* leafOrder_ = nullptr;
    int lengthCount_[kMaxCodeLength + 1] = {};
};

// ---- Bit output -------------------------------------------------------------------

// Sends the top n bits (0 to 16) of the left-aligned 16-bit x; bits of x below those
// n must be 0.
inline void LH5Encoder::PutCode(int n, unsigned x) {
    while (n >= pendingBitCount_) {
        n -= pendingBitCount_;
        pendingByte_ = static_cast<uint8_t>(pendingByte_ + (x >> (16 - pendingBitCount_)));
        x = (x << pendingBitCount_) & 0xFFFF;
        ch_.WriteByte(pendingByte_);
        pendingByte_ = 0;
        pendingBitCount_ = 8;
    }
    pendingByte_ = static_cast<uint8_t>(pendingByte_ + (x >> (16 - pendingBitCount_)));
    pendingBitCount_ = static_cast<uint8_t>(pendingBitCount_ - n);
}

// ---- Match tree ---------------------------------------------------------------------

// Sets up the empty tree. The encoder's arrays start out zero, which is what the bucket
// heads and root slots need (all empty), so those 256 KB are not cleared a second time.
void LH5Encoder::InitMatchTree() {
    for (int i = kRoot; i < kRoot + 256; ++i) {
        inner_[i].level = 1;
        nodePosition_[i] = 0;
    }
    for (int i = kWindow; i < 2 * kWindow; ++i) nodeParent_[i] = 0;
    freeNode_ = 1;
    for (int i = 1; i < kWindow - 1; ++i) nextLink_[i] = static_cast<uint16_t>(i + 1);
    nextLink_[kWindow - 1] = 0;
}

// Bucket of the child of q whose edge starts with byte c. For one q, different bytes
// always land in different buckets (c times an odd number is one-to-one modulo the
// table size), so a chain never holds two children of the same parent and a child is
// recognised by its parent alone. The large odd factor scatters the children of one node
// over the whole table, four times as large as the most children there can be, so a
// chain is rarely longer than one node. (Roots' children are not in this table.)
TVX_LH5_INLINE int ChildBucket(int q, int c) {
    const unsigned h = static_cast<unsigned>(q) + static_cast<unsigned>(c) * 0x1E35u;
    return kHashBase + static_cast<int>(h & (kHashSize - 1));
}

// The child of inner node q whose edge starts with byte c, or 0 when there is none.
TVX_LH5_INLINE int LH5Encoder::FindChild(int q, int c) {
    int r = nextLink_[ChildBucket(q, c)];
    nodeParent_[0] = static_cast<uint16_t>(q);  // sentinel: the chain ends in node 0
    while (nodeParent_[r] != q) r = nextLink_[r];
    return r;
}

// Makes r the child of inner node q whose edge starts with byte c.
TVX_LH5_INLINE void LH5Encoder::LinkChild(int q, int c, int r) {
    LinkAt(ChildBucket(q, c), q, r);
}

// Puts r, a new child of q, first in the chain that starts at link h.
TVX_LH5_INLINE void LH5Encoder::LinkAt(int h, int q, int r) {
    const int t = nextLink_[h];
    nextLink_[h] = static_cast<uint16_t>(r);
    nextLink_[r] = static_cast<uint16_t>(t);
    nodePrevious_[t] = static_cast<uint32_t>(r);
    nodePrevious_[r] = static_cast<uint32_t>(h);
    nodeParent_[r] = static_cast<uint16_t>(q);
    ++inner_[q].childCount;
    inner_[q].childXor = static_cast<uint16_t>(inner_[q].childXor ^ r);
}

// Puts a new inner node of level L above `old`, with old (whose string occurs at m) and
// the current position p as its two children.
TVX_LH5_INLINE void LH5Encoder::SplitNode(int old, int p, int L, int m) {
    const int n = freeNode_;
    freeNode_ = nextLink_[n];
    inner_[n].childCount = 0;
    inner_[n].childXor = 0;
    const int parent = nodeParent_[old];
    inner_[parent].childXor = static_cast<uint16_t>(inner_[parent].childXor ^ old ^ n);
    const int prev = nodePrevious_[old];
    nodePrevious_[n] = static_cast<uint32_t>(prev);
    nextLink_[prev] = static_cast<uint16_t>(n);
    const int next = nextLink_[old];
    nextLink_[n] = static_cast<uint16_t>(next);
    nodePrevious_[next] = static_cast<uint32_t>(n);
    nodeParent_[n] = static_cast<uint16_t>(parent);
    inner_[n].level = static_cast<uint8_t>(L);
    nodePosition_[n] = static_cast<uint16_t>(p);
    LinkChild(n, text_[m + L], old);
    LinkChild(n, text_[p + L], p);
}

// x as a position before p: positions at or after p belong to the previous half of the
// text, kWindow further back. Computed without a branch, which the processor could only
// guess.
TVX_LH5_INLINE int Before(int x, int p) {
    return x - (kWindow & -static_cast<int>(x >= p));
}

// Index of the first byte in [from, limit) where a and b differ, or limit when none does.
// Reads whole words: the text has spare bytes past its end for that.
TVX_LH5_INLINE int FirstDifference(const uint8_t* a, const uint8_t* b, int from, int limit) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (a[from] != b[from]) return from;  // the usual outcome: no word needed
    for (int i = from + 1; i < limit; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) {
            const int at = i + (__builtin_ctzll(x ^ y) >> 3);
            return at < limit ? at : limit;
        }
    }
    return limit;
#else
    while (from < limit && a[from] == b[from]) ++from;
    return from;
#endif
}

// Adds the string at position p to the tree. On entry L and m describe the match found
// for p - 1; on return they describe the longest match for p among the strings already
// in the tree (L = 1 when none starts with the same two bytes).
TVX_LH5_INLINE void LH5Encoder::InsertPosition(int p, int& L, int& m) {
    int q, r;
    if (L >= 4) {
        // p - 1 matched at m with L bytes, so p matches at m + 1 with at least L - 1:
        // start from the deepest node of that path above L - 1.
        --L;
        r = (m + 1) | kWindow;
        while (nodeParent_[r] == 0) r = nextLink_[r];
        q = nodeParent_[r];
        while (inner_[q].level >= L) {
            r = q;
            q = nodeParent_[q];
        }
        // Marked nodes from q up take p; the first unmarked one takes p marked, unless
        // it is a root: a root's position is never read and a root is never marked, so
        // it may take p unmarked, which saves a branch.
        int t = q;
        while (nodePosition_[t] & kMark) {
            nodePosition_[t] = static_cast<uint16_t>(p);
            t = nodeParent_[t];
        }
        nodePosition_[t] = static_cast<uint16_t>(p | (t < kWindow ? kMark : 0));
    } else {
        q = kRoot + text_[p];
        const int slot = kRootSlots + (text_[p] << 8) + text_[p + 1];
        r = nextLink_[slot];
        if (r == 0) {
            LinkAt(slot, q, p);
            L = 1;
            return;
        }
        L = 2;
    }

    const uint8_t* const cur = text_ + p;
    for (;;) {
        int limit;
        if (r >= kWindow) {
            limit = kMaxMatch;
            m = r;
        } else {
            limit = inner_[r].level;
            m = nodePosition_[r] & ~kMark;
        }
        m = Before(m, p);
        if (L < limit) {
            L = FirstDifference(cur, text_ + m, L, limit);
            if (L < limit) {
                SplitNode(r, p, L, m);
                return;
            }
        }
        if (L >= kMaxMatch) break;
        nodePosition_[r] = static_cast<uint16_t>(p);
        q = r;
        r = FindChild(q, cur[L]);
        if (r == 0) {
            LinkChild(q, cur[L], p);
            return;
        }
        ++L;
    }

    // A match of the full 256 bytes: the new leaf takes the old one's place, and the old
    // one points at it so that a later start from it finds the new leaf.
    const int prev = nodePrevious_[r];
    nodePrevious_[p] = static_cast<uint32_t>(prev);
    nextLink_[prev] = static_cast<uint16_t>(p);
    const int next = nextLink_[r];
    nextLink_[p] = static_cast<uint16_t>(next);
    nodePrevious_[next] = static_cast<uint32_t>(p);
    nodeParent_[p] = static_cast<uint16_t>(q);
    inner_[q].childXor = static_cast<uint16_t>(inner_[q].childXor ^ r ^ p);
    nodeParent_[r] = 0;
    nextLink_[r] = static_cast<uint16_t>(p);
}

// Removes the string leaving the window: the leaf whose index is the position p.
TVX_LH5_INLINE void LH5Encoder::DeletePosition(int p) {
    if (nodeParent_[p] == 0) return;
    nextLink_[nodePrevious_[p]] = nextLink_[p];
    nodePrevious_[nextLink_[p]] = nodePrevious_[p];
    const int r = nodeParent_[p];
    nodeParent_[p] = 0;
    --inner_[r].childCount;
    inner_[r].childXor = static_cast<uint16_t>(inner_[r].childXor ^ p);
    if (r >= kRoot || inner_[r].childCount >= 2) return;

    // r is left with one child and goes; its ancestors keep a position that is still in
    // the window.
    int t = nodePosition_[r] & ~kMark;
    t = Before(t, p);
    int s = t;
    int q = nodeParent_[r];
    int u;
    while ((u = nodePosition_[q]) & kMark) {
        u &= ~kMark;
        u = Before(u, p);
        if (u > s) s = u;
        nodePosition_[q] = static_cast<uint16_t>(s | kWindow);
        q = nodeParent_[q];
    }
    // The first unmarked ancestor takes the latest of the positions, marked; a root
    // (never marked, its position never read) takes it unmarked, without a branch.
    u = Before(u, p);
    if (u > s) s = u;
    nodePosition_[q] = static_cast<uint16_t>(s | kWindow | (q < kWindow ? kMark : 0));

    s = inner_[r].childXor;  // the one child left
    const int parent = nodeParent_[r];
    inner_[parent].childXor = static_cast<uint16_t>(inner_[parent].childXor ^ r ^ s);
    nextLink_[nodePrevious_[s]] = nextLink_[s];
    nodePrevious_[nextLink_[s]] = nodePrevious_[s];
    const int prev = nodePrevious_[r];
    nodePrevious_[s] = static_cast<uint32_t>(prev);
    nextLink_[prev] = static_cast<uint16_t>(s);
    const int next = nextLink_[r];
    nextLink_[s] = static_cast<uint16_t>(next);
    nodePrevious_[next] = static_cast<uint32_t>(s);
    nodeParent_[s] = static_cast<uint16_t>(parent);
    nodeParent_[r] = 0;
    nextLink_[r] = static_cast<uint16_t>(freeNode_);
    freeNode_ = r;
}

// Reads up to count bytes into `to`, stopping when the channel reports the end of its
// input; the byte read then is stored but not counted. Returns the count read. Takes
// whole buffered runs at once, which is the same as byte by byte: a refill, and so a
// progress report, still happens only when ReadByte finds the buffer empty.
int LH5Encoder::ReadInto(uint8_t* to, int count) {
    int n = 0;
    while (n < count) {
        const uint8_t* first;
        const uint8_t* last;
        ch_.PeekInput(first, last);
        if (first < last) {
            const int k = static_cast<int>(std::min<std::ptrdiff_t>(last - first, count - n));
            std::memcpy(to + n, first, static_cast<size_t>(k));
            ch_.TakeInputTo(first + k);
            n += k;
            continue;
        }
        to[n] = static_cast<uint8_t>(ch_.ReadByte());
        if (ch_.EndOfInput) break;
        ++n;
    }
    return n;
}

// Moves the second half of the text (and the look-ahead behind it) to the front and
// reads the next 8192 bytes behind it; returns how many were read.
int LH5Encoder::SlideText() {
    std::memmove(text_, text_ + kWindow, kWindow + kMaxMatch);
    return ReadInto(text_ + kWindow + kMaxMatch, kWindow);
}

TVX_LH5_INLINE void LH5Encoder::AdvancePosition(int& p, int& L, int& m, int& remaining) {
    --remaining;
    if (++p == kLastPosition) {
        remaining += SlideText();
        p = kWindow;
    }
    DeletePosition(p);
    InsertPosition(p, L, m);
}

// ---- Items and blocks ---------------------------------------------------------------

// Buffers one item: a literal byte (c < 256) or a match of length c - 253 at distance d.
TVX_LH5_INLINE void LH5Encoder::EmitItem(ItemCursor& at, int c, unsigned d) {
    at.flagMask >>= 1;
    if (at.flagMask == 0) {
        at.flagMask = 0x80;
        if (at.pos >= kBlockCut) {
            SendBlock();
            at.pos = 0;
        }
        at.flagPos = at.pos;
        itemBuffer_[at.pos++] = 0;
    }
    itemBuffer_[at.pos++] = static_cast<uint8_t>(c);
    ++litLenFreq_[c];
    if (c >= 256) {
        itemBuffer_[at.flagPos] = static_cast<uint8_t>(itemBuffer_[at.flagPos] | at.flagMask);
        itemBuffer_[at.pos++] = static_cast<uint8_t>(d >> 8);
        itemBuffer_[at.pos++] = static_cast<uint8_t>(d);
        ++distFreq_[BitLength(d)];
    }
}

void LH5Encoder::SendBlock() {
    const int root = BuildCode(kLitLenSymbols, litLenFreq_, litLenLength_, litLenCode_);
    const unsigned size = litLenFreq_[root];
    PutBits(16, size);
    if (root >= kLitLenSymbols) {
        CountLengthSymbols();
        const int root2 = BuildCode(kCodeLenSymbols, codeLenFreq_, auxLength_, auxCode_);
        if (root2 >= kCodeLenSymbols) {
            WriteAuxLengths(kCodeLenSymbols, 5, 3);
        } else {
            PutBits(5, 0);
            PutBits(5, static_cast<unsigned>(root2));
        }
        WriteLitLenLengths();
    } else {
        PutBits(5, 0);
        PutBits(5, 0);
        PutBits(9, 0);
        PutBits(9, static_cast<unsigned>(root));
    }
    const int root3 = BuildCode(kDistSymbols, distFreq_, auxLength_, auxCode_);
    if (root3 >= kDistSymbols) {
        WriteAuxLengths(kDistSymbols, 4, -1);
    } else {
        PutBits(4, 0);
        PutBits(4, static_cast<unsigned>(root3));
    }
    EncodeItems(size);
    std::fill(litLenFreq_, litLenFreq_ + kLitLenSymbols, 0);
    std::fill(distFreq_, distFreq_ + kDistSymbols, 0);
}

// Sends the block's items: the same bits as EncodeLitLen and EncodeDistance item by item,
// in the same order. Literals and matches take one path, without a branch on the kind of
// item (which no processor can guess on text): a literal is coded as a match whose
// distance part has no bits. The bits gather in a 64-bit word whose whole bytes are
// stored after every item, eight at a time, and the channel gets them in runs.
void LH5Encoder::EncodeItems(unsigned size) {
    // Each symbol's code right-aligned, with its length above it; for distance classes
    // the length counts the extra bits too, and extra[k] is their number.
    uint32_t litLen[kLitLenSymbols];
    for (int c = 0; c < kLitLenSymbols; ++c) {
        const unsigned len = litLenLength_[c];
        litLen[c] = (len << 16) | ((static_cast<unsigned>(litLenCode_[c]) << len) >> 16);
    }
    uint32_t dist[kDistSymbols];
    unsigned extra[kDistSymbols];
    for (int k = 0; k < kDistSymbols; ++k) {
        const unsigned len = auxLength_[k];
        extra[k] = k > 1 ? static_cast<unsigned>(k - 1) : 0;
        dist[k] = ((len + extra[k]) << 16) | ((static_cast<unsigned>(auxCode_[k]) << len) >> 16);
    }

    // An item adds at most 16 + 16 + 12 bits, two literals at most 32, to the fewer
    // than 8 left over, so the word never overflows, and a store of 8 bytes covers all
    // its whole bytes. A group of eight items writes at most 44 bytes.
    constexpr unsigned kOutChunk = 4096;
    uint8_t out[kOutChunk + 64];
    uint8_t* o = out;
    uint64_t acc = pendingByte_ >> pendingBitCount_;
    unsigned count = 8u - pendingBitCount_;  // bits in acc not yet stored

    // The unstored bits to the top of the word (count is below 64; the double shift keeps
    // count 0 defined), then its whole bytes out, first bit first.
    auto store = [&]() {
        const uint64_t top = (acc << (63 - count)) << 1;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && defined(__GNUC__)
        const uint64_t wire = __builtin_bswap64(top);
        std::memcpy(o, &wire, 8);
#else
        for (int b = 0; b < 8; ++b) o[b] = static_cast<uint8_t>(top >> (56 - 8 * b));
#endif
        o += count >> 3;
        count &= 7;
    };
    auto literal = [&](unsigned c) {
        const uint32_t sym = litLen[c];
        acc = (acc << (sym >> 16)) | (sym & 0xFFFF);
        count += sym >> 16;
    };

    const uint8_t* item = itemBuffer_;
    for (unsigned i = 0; i < size; i += 8) {
        unsigned flags = *item++;
        const unsigned inGroup = size - i < 8 ? size - i : 8;
        if (flags == 0 && inGroup == 8) {
            // Eight literals, the usual group in data that hardly repeats.
            for (int j = 0; j < 8; j += 2) {
                literal(item[j]);
                literal(item[j + 1]);
                store();
            }
            item += 8;
        } else {
            for (unsigned j = 0; j < inGroup; ++j) {
                const unsigned match = (flags >> 7) & 1;
                flags <<= 1;
                const unsigned matchMask = 0u - match;
                literal(item[0] + (match << 8));
                const unsigned d = ((static_cast<unsigned>(item[1]) << 8) | item[2]) & matchMask;
                const int k = BitLength(d);
                const uint32_t dk = dist[k] & matchMask;
                const unsigned e = extra[k];
                acc = (acc << (dk >> 16)) | (((dk & 0xFFFF) << e) | (d & ((1u << e) - 1)));
                count += dk >> 16;
                item += 1 + 2 * match;
                store();
            }
        }
        if (o >= out + kOutChunk) {
            ch_.WriteBytes(out, static_cast<size_t>(o - out));
            o = out;
        }
    }
    ch_.WriteBytes(out, static_cast<size_t>(o - out));
    pendingBitCount_ = static_cast<uint8_t>(8 - count);
    pendingByte_ = static_cast<uint8_t>((acc << pendingBitCount_) & 0xFF);
}


// ---- Huffman codes ------------------------------------------------------------------

// Builds a code of at most 16 bits for the n symbols with frequencies freq (which must
// have room for the 2n - 1 nodes of the tree). Fills len and code and returns the root:
// a node at or above n, or the only symbol used (0 when none is), which then gets
// length 0.
int LH5Encoder::BuildCode(int n, uint16_t* freq, uint8_t* len, uint16_t* code) {
    symbolCount_ = n;
    freq_ = freq;
    len_ = len;
    int nextNode = n;
    heapSize_ = 0;
    heap_[1] = 0;
    for (int i = 0; i < n; ++i) {
        len[i] = 0;
        if (freq[i]) heap_[++heapSize_] = static_cast<uint16_t>(i);
    }
    if (heapSize_ < 2) {
        code[heap_[1]] = 0;
        return heap_[1];
    }
    for (int slot = heapSize_ / 2; slot >= 1; --slot) HeapDown(slot);

    // The code array first records the leaves in the order they leave the heap.
    leafOrder_ = code;
    uint16_t* list = code;
    int k;
    do {
        const int i = heap_[1];
        if (i < n) *list++ = static_cast<uint16_t>(i);
        heap_[1] = heap_[heapSize_--];
        HeapDown(1);
        const int j = heap_[1];
        if (j < n) *list++ = static_cast<uint16_t>(j);
        k = nextNode++;
        freq[k] = static_cast<uint16_t>(freq[i] + freq[j]);
        heap_[1] = static_cast<uint16_t>(k);
        HeapDown(1);
        treeLeft_[k] = static_cast<uint16_t>(i);
        treeRight_[k] = static_cast<uint16_t>(j);
    } while (heapSize_ > 1);
    LimitLengths(k);
    AssignCodes(n, len, code);
    return k;
}

// Sinks heap_[i] to its place in the min-heap ordered by frequency; on equal
// frequencies the left child is taken and the sinking entry stays above.
void LH5Encoder::HeapDown(int i) {
    const uint16_t* const freq = freq_;
    const int e = heap_[i];
    const unsigned fe = freq[e];
    while (2 * i <= heapSize_) {
        int j = 2 * i;
        if (j < heapSize_ && freq[heap_[j]] > freq[heap_[j + 1]]) ++j;
        if (fe <= freq[heap_[j]]) break;
        heap_[i] = heap_[j];
        i = j;
    }
    heap_[i] = static_cast<uint16_t>(e);
}

void LH5Encoder::CountLeaves(int node) {
    if (node < symbolCount_) {
        ++lengthCount_[treeDepth_ < kMaxCodeLength ? treeDepth_ : kMaxCodeLength];
        return;
    }
    ++treeDepth_;
    CountLeaves(treeLeft_[node]);
    CountLeaves(treeRight_[node]);
    --treeDepth_;
}

// Turns the tree's depths into code lengths of at most 16 bits: leaves below depth 16
// are counted at 16, and the excess is paid back by lengthening the deepest shorter
// codes. The leaves that left the heap first, the least frequent, get the longest codes.
void LH5Encoder::LimitLengths(int root) {
    std::fill(lengthCount_, lengthCount_ + kMaxCodeLength + 1, 0);
    treeDepth_ = 0;
    CountLeaves(root);

    unsigned cum = 0;
    for (int l = 1; l <= kMaxCodeLength; ++l)
        cum += static_cast<unsigned>(lengthCount_[l]) << (kMaxCodeLength - l);
    cum &= 0xFFFF;
    if (cum != 0) {
        lengthCount_[kMaxCodeLength] -= static_cast<int>(cum);
        for (; cum > 0; --cum) {
            for (int l = kMaxCodeLength - 1; l >= 1; --l) {
                if (lengthCount_[l] > 0) {
                    --lengthCount_[l];
                    lengthCount_[l + 1] += 2;
                    break;
                }
            }
        }
    }

    const uint16_t* leaf = leafOrder_;
    for (int l = kMaxCodeLength; l >= 1; --l)
        for (int c = lengthCount_[l]; c > 0; --c) len_[*leaf++] = static_cast<uint8_t>(l);
}

// Canonical codes, left-aligned in 16 bits: shorter codes first, and within one
// length in increasing symbol order.
void LH5Encoder::AssignCodes(int n, const uint8_t* len, uint16_t* code) {
    unsigned start[kMaxCodeLength + 2];
    start[0] = 0;
    start[1] = 0;
    for (int l = 1; l <= kMaxCodeLength; ++l)
        start[l + 1] = start[l] + (static_cast<unsigned>(lengthCount_[l]) << (kMaxCodeLength - l));
    for (int i = 0; i < n; ++i) {
        const int l = len[i];
        code[i] = static_cast<uint16_t>(start[l]);
        start[l] += (1u << (kMaxCodeLength - l));
    }
}

// ---- Code lengths on the wire -------------------------------------------------------

// Length of the run of zero lengths starting at i, not going past n.
inline int ZeroRun(const uint8_t* len, int i, int n) {
    int run = 0;
    while (i + run < n && len[i + run] == 0) ++run;
    return run;
}

inline int UsedSymbols(const uint8_t* len, int n) {
    while (n > 0 && len[n - 1] == 0) --n;
    return n;
}

void LH5Encoder::CountLengthSymbols() {
    std::fill(codeLenFreq_, codeLenFreq_ + kCodeLenSymbols, 0);
    const int n = UsedSymbols(litLenLength_, kLitLenSymbols);
    for (int i = 0; i < n;) {
        const int k = litLenLength_[i];
        if (k != 0) {
            ++codeLenFreq_[k + 2];
            ++i;
            continue;
        }
        const int run = ZeroRun(litLenLength_, i, n);
        i += run;
        if (run <= 2) {
            codeLenFreq_[0] = static_cast<uint16_t>(codeLenFreq_[0] + run);
        } else if (run <= 18) {
            ++codeLenFreq_[1];
        } else if (run == 19) {
            ++codeLenFreq_[0];
            ++codeLenFreq_[1];
        } else {
            ++codeLenFreq_[2];
        }
    }
}

// Lengths of the code-length or the distance alphabet: 0 to 6 in 3 bits, 7 and up in
// unary; after the `special`th length a 2-bit count of zero lengths up to the sixth.
void LH5Encoder::WriteAuxLengths(int n, int width, int special) {
    n = UsedSymbols(auxLength_, n);
    PutBits(width, static_cast<unsigned>(n));
    for (int i = 0; i < n;) {
        const int k = auxLength_[i++];
        if (k <= 6)
            PutBits(3, static_cast<unsigned>(k));
        else
            PutBits(k - 3, (1u << (k - 3)) - 2);
        if (i == special) {
            while (i < 6 && auxLength_[i] == 0) ++i;
            PutBits(2, static_cast<unsigned>(i - 3));
        }
    }
}

void LH5Encoder::WriteLitLenLengths() {
    const int n = UsedSymbols(litLenLength_, kLitLenSymbols);
    PutBits(9, static_cast<unsigned>(n));
    auto sendSymbol = [this](int c) { PutCode(auxLength_[c], auxCode_[c]); };
    for (int i = 0; i < n;) {
        const int k = litLenLength_[i];
        if (k != 0) {
            sendSymbol(k + 2);
            ++i;
            continue;
        }
        const int run = ZeroRun(litLenLength_, i, n);
        i += run;
        if (run <= 2) {
            for (int z = 0; z < run; ++z) sendSymbol(0);
        } else if (run <= 18) {
            sendSymbol(1);
            PutBits(4, static_cast<unsigned>(run - 3));
        } else if (run == 19) {
            sendSymbol(0);
            sendSymbol(1);
            PutBits(4, 15);
        } else {
            sendSymbol(2);
            PutBits(9, static_cast<unsigned>(run - 20));
        }
    }
}

void LH5Encoder::Run() {
    InitMatchTree();
    itemBuffer_[0] = 0;

    // The first 8192 bytes; past the end of the input the text holds spaces. Every
    // position is asked of the channel, as the stream's definition reads them.
    uint8_t* const start = text_ + kWindow + kMaxMatch;
    int remaining = ReadInto(start, kWindow);
    for (int i = remaining; i < kWindow; ++i) {
        const int b = i == remaining ? 0 : ch_.ReadByte();
        start[i] = ch_.EndOfInput ? 0x20 : static_cast<uint8_t>(b);
        if (!ch_.EndOfInput) ++remaining;
    }
    if (remaining == 0) return;

    ItemCursor items;
    int p = kWindow + kMaxMatch;
    int L = 0;
    int m = 0;
    InsertPosition(p, L, m);
    while (remaining > 0) {
        const int lastLength = L;
        const int lastPos = m;
        AdvancePosition(p, L, m, remaining);
        if (L > remaining) L = remaining;
        if (L > lastLength || lastLength < kMinMatch) {
            EmitItem(items, text_[p - 1], 0);
        } else {
            EmitItem(items, lastLength + (256 - kMinMatch),
                     static_cast<unsigned>(p - lastPos - 2) & (kWindow - 1));
            for (int n = lastLength - 1; n > 0; --n) AdvancePosition(p, L, m, remaining);
            if (L > remaining) L = remaining;
        }
    }
    SendBlock();
    PutBits(7, 0);
}

}  // namespace

// Compresses the whole input of the channel. An empty input writes nothing at all.
// Raises EUnableToCompress through WriteByte when the output passes its budget; the
// working storage is released either way.
void CompressLH5(TCompThreadSafety& s) {
    auto encoder = std::make_unique<LH5Encoder>(s);
    encoder->Run();
}
