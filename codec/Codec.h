// The codec: the state object TCompThreadSafety with its byte channel, and RunMethod,
// the one operation through which an archive entry's bytes are expanded or compressed.
//
// Method indexes: 0 "NON" stored copy, 1 "RLE" run-length, 2 "LZH", 3 "CUS" (never
// reaches the codec), 4 "LH5". Any other index runs nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "runtime/Exception.h"

class TStream;

// Progress handler: receives the percentage done and may answer -1 to stop.
using TShowProgressEvent = std::function<void(int32_t& PercentageDone)>;

// "Bad decode table in archive!": a set of LH5 code lengths that is not a prefix
// code, or lengths the decoder cannot hold.
class ELZHBadDecodeTable : public Exception {
public:
    ELZHBadDecodeTable() : Exception("Bad decode table in archive!") {}
};

// "Could not compress data, will store instead": the coder's output passed its budget.
class EUnableToCompress : public Exception {
public:
    EUnableToCompress() : Exception("Could not compress data, will store instead") {}
};

enum class TRunDirection { Expand, Compress };

// Percentage of a in b: a * 100 / b when b <= 100000, else a / (b / 100), in signed
// 32-bit division truncating toward zero. b must not be 0.
inline int32_t ProgressPercent(int32_t a, int32_t b) {
    return b <= 100000 ? a * 100 / b : a / (b / 100);
}

constexpr int32_t kChannelBufferSize = 8192;

// The codec state object. One lives as long as its archive component and serves one
// run at a time. The byte channel (ReadByte/WriteByte) is the only way a method reads
// its input or writes its output; it buffers 8192 bytes each way, reports progress
// once per input refill, keeps the byte sums that make the entry checksum, applies the
// key scrambler and enforces the output budget.
class TCompThreadSafety {
public:
    TCompThreadSafety() = default;
    TCompThreadSafety(const TCompThreadSafety&) = delete;
    TCompThreadSafety& operator=(const TCompThreadSafety&) = delete;

    // Expands or compresses sourceSize bytes of source into dest with the method of
    // methodIndex.
    // - Calls onShowProgress (when set) with 0 first; an answer of -1 returns 0 at once,
    //   reading and writing nothing and leaving checksum untouched. Then once per refill
    //   of up to 8192 source bytes, and with 100 at the end (answer ignored).
    // - Never asks source for more than sourceSize bytes in all, in reads of at most
    //   8192 bytes; writes dest in blocks of 8192 bytes, the last block shorter.
    // - checksum receives the 32-bit wrapping byte sum of the uncompressed data.
    // - Expanding: descramble applies the key to every stored byte read (only when key
    //   is not 0). No method writes more than expandedSize bytes (none when it is 0 or
    //   less), and none works on past that point: a stream that would make more ends
    //   there with OutputOverrun() set.
    //   Compressing: every byte written is scrambled when key is not 0, and writing more
    //   than sourceSize - compressionMargin bytes raises EUnableToCompress.
    // - Returns the number of bytes written (the compressed size when compressing).
    // - Expanding, a run whose input fell short ends early: Stopped() tells that the
    //   progress handler answered -1, InputOverrun() that a decoder needed input past
    //   the end of the source bytes. Either way the bytes written are incomplete and
    //   the caller must not accept them, whatever their sum; nor when OutputOverrun()
    //   is set or the result differs from expandedSize.
    // Errors of the method or the streams (ELZHBadDecodeTable, EUnableToCompress,
    // EWriteError, ...) propagate; bytes already flushed to dest stay there, and the
    // channel's buffers are released either way.
    int32_t RunMethod(TStream& source, TStream& dest, int methodIndex, TRunDirection direction,
                      bool descramble, int32_t expandedSize, int32_t sourceSize, int32_t& checksum,
                      int32_t key, int32_t compressionMargin,
                      const TShowProgressEvent& onShowProgress);

    // ---- Byte channel, used by the methods -------------------------------------------

    // Next source byte (0 to 255). When the buffer is empty it refills; if the source
    // has nothing more, or the progress handler answered -1, it returns 0 with
    // EndOfInput set. Bytes left in the buffer after a stop answer are still handed out
    // with EndOfInput set; only a successful refill clears it.
    inline int ReadByte() {
        if (inCursor_ < inFastEnd_) return *inCursor_++;
        return ReadByteSlow();
    }

    // Writes one byte. When the output budget is used up: compressing, raises
    // EUnableToCompress; expanding, ends the method's work (OutputOverrun()).
    inline void WriteByte(uint8_t b) {
        if (outCursor_ < outFastEnd_) {
            *outCursor_++ = b;
            return;
        }
        WriteByteSlow(b);
    }

    // Writes n bytes exactly as n calls of WriteByte would, in order.
    void WriteBytes(const uint8_t* bytes, size_t n);

    // Bulk access for bit readers. [first, last) are the buffered bytes that ReadByte
    // would hand out next without a refill; the range is empty while descrambling and
    // once EndOfInput is set. TakeInputTo(p), with p inside that range, marks the bytes
    // before p as read. Neither refills, so neither reads the source nor reports progress.
    void PeekInput(const uint8_t*& first, const uint8_t*& last) const {
        first = inCursor_;
        last = EndOfInput ? inCursor_ : inFastEnd_;
    }
    void TakeInputTo(const uint8_t* p) { inCursor_ += p - inCursor_; }

    // Set when the source has nothing more to give or the progress handler asked to stop.
    bool EndOfInput = false;

    // The progress handler answered -1 during the last run (at its first call or at a
    // refill).
    bool Stopped() const { return stopped_; }
    // A decoder of the last run needed input that was not there: bits or bytes past the
    // end of the source, or past a stop. Valid streams never do; a decoder that meets
    // this ends at once instead of making up data.
    bool InputOverrun() const { return inputOverrun_; }
    void ReportInputOverrun() { inputOverrun_ = true; }
    // The stream of the last run (expanding) held more than its expanded size: a run,
    // a match or stored bytes that would have gone past it. What was written stops at
    // the expanded size.
    bool OutputOverrun() const { return outputOverrun_; }
    void ReportOutputOverrun() { outputOverrun_ = true; }

    // Run-length method state (reset by RunMethod for every run).
    bool RunStart = true;
    bool InRun = false;
    uint8_t LastByte = 0;
    int32_t RunCount = 0;

private:
    int ReadByteSlow();
    void WriteByteSlow(uint8_t b);
    // Refills the input buffer: 1 when bytes are ready (EndOfInput cleared), 0 when the
    // source is exhausted, -1 when the handler answered -1 (bytes ready, flag set).
    int Refill();
    void Flush();
    void SyncOutput();         // folds the bytes stored since the last sync into the counters
    void SumInput();           // folds the bytes read since the last sum into inputSum_
    void UpdateFastLimits();
    uint8_t Scramble(uint8_t b) {
        const uint8_t r = b ^ keyBytes_[keyIndex_];
        keyIndex_ = static_cast<int16_t>((keyIndex_ + 1) & 3);
        return r;
    }
    void Release();

    std::unique_ptr<uint8_t[]> inBuf_;
    std::unique_ptr<uint8_t[]> outBuf_;
    uint8_t* inEnd_ = nullptr;
    uint8_t* inCursor_ = nullptr;
    uint8_t* inFastEnd_ = nullptr;    // inEnd_, or inCursor_ while descrambling
    uint8_t* inSumFrom_ = nullptr;    // first consumed byte not yet in inputSum_
    uint8_t* outEnd_ = nullptr;
    uint8_t* outCursor_ = nullptr;
    uint8_t* outFastEnd_ = nullptr;   // limit of the fast path: buffer end or budget
    uint8_t* outSyncFrom_ = nullptr;  // first stored byte not yet counted
    TStream* source_ = nullptr;
    TStream* dest_ = nullptr;
    uint32_t inputSum_ = 0;
    uint32_t outputSum_ = 0;
    int32_t inputRemaining_ = 0;
    int32_t readChunk_ = kChannelBufferSize;
    int32_t bytesRead_ = 0;
    int32_t outputCounter_ = 0;
    bool descrambleInput_ = false;
    bool scrambleOutput_ = false;
    uint8_t keyBytes_[4] = {0, 0, 0, 0};
    int16_t keyIndex_ = 0;
    int32_t outputBudget_ = 0;
    const TShowProgressEvent* progress_ = nullptr;
    bool expanding_ = false;
    bool stopped_ = false;
    bool inputOverrun_ = false;
    bool outputOverrun_ = false;
};
