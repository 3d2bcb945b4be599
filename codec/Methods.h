// The compression methods, each running inside RunMethod on the state's byte channel.
// Private to the codec.
#pragma once

#include <cstdint>

#include "codec/Codec.h"

// Stored copy, both directions: copies every byte until the end of input (expanding,
// until the channel's budget of expandedSize bytes ends it).
void CopyStored(TCompThreadSafety& s);
// Run-length encoder and decoder (marker byte 0x94).
void PackRuns(TCompThreadSafety& s);
// Stops at the end of input, or where the channel's budget of expandedSize bytes ends
// it (a run is never written past it); a marker without its count byte is an input
// overrun.
void UnpackRuns(TCompThreadSafety& s);
// Encoder step: writes the bytes for a finished run of n bytes of c, or (n = 0) an
// escaped marker.
void EmitRun(TCompThreadSafety& s, int32_t n, uint8_t c);

// LH5 (-lh5-, 8192-byte window): the decoder writes expandedSize bytes, never more (a
// match that would pass it is cut, with ReportOutputOverrun); a stream that needs bits
// past the end of its input (or past a stop) ends early with ReportInputOverrun.
void ExpandLH5(TCompThreadSafety& s, int32_t expandedSize);
void CompressLH5(TCompThreadSafety& s);

// LZH (adaptive Huffman, 4096-byte window): the decoder writes expandedSize bytes,
// cutting a match that would run past it (ReportOutputOverrun), and ends early with ReportInputOverrun when
// the stream needs a bit past the end of its input; the encoder writes nothing for an
// empty input.
void ExpandLZH(TCompThreadSafety& s, int32_t expandedSize);
void CompressLZH(TCompThreadSafety& s);
