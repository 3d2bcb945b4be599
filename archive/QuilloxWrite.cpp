// The writing side of TQuillox: new archive headers and adding entries.
//
// TArchiveWriter walks the archive in its stream once and then appends each entry
// where the last one ended: the entry header goes first with StoredSize still 0,
// then the stored path and the coded data; once the data is written the entry header
// is rewritten, and Finish puts the new TotalSize into the archive header. When the
// coder passes its budget (EUnableToCompress) the data written so far is cut off and
// the file is coded again from its first byte with the stored copy. Any other
// failure cuts the archive back to where it ended before, so an archive is never left
// half-extended.
#include <climits>
#include <cstring>

#include "archive/Quillox.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"

void TQuillox::CreateArchive(TStream& Archive, const std::string& MethodId) {
    if (MethodId.size() != 3) throw EUnrecognizedCompressionMethod(MethodId);
    RecognizeMethod(MethodId);
    TArchiveHeader header;
    InitArchiveHeader(header, MethodId, 0, caMulti);
    Archive.SetPosition(0);
    WriteArchiveHeader(Archive, header);
    Archive.SetSize(kArchiveHeaderSize);
}

TEntryHeader TQuillox::AddEntry(TStream& Archive, TStream& Data, int32_t Size,
                                const std::string& StoredPath, int32_t DosDateTime,
                                uint16_t Attributes) {
    TArchiveWriter writer(*this, Archive);
    const TEntryHeader entry = writer.Add(Data, Size, StoredPath, DosDateTime, Attributes);
    writer.Finish();
    return entry;
}

TArchiveWriter::TArchiveWriter(TQuillox& Owner, TStream& Archive)
    : FOwner(Owner), FArchive(Archive) {
    Archive.SetPosition(0);
    if (Archive.Size() < kArchiveHeaderSize) throw EInvalidHeader();
    FHeader = Owner.ReadArchiveHeader(Archive, FMethodId);
    FMethodIndex = Owner.RecognizeMethod(FMethodId);
    // Find the end of the last entry; the archive must end exactly there.
    FEnd = Archive.Position();
    TEntryHeader e;
    std::string p;
    const int64_t size = Archive.Size();
    while (FEnd < size && TQuillox::ReadEntryHeader(Archive, e, p)) {
        FTotal += e.ExpandedSize;
        FEnd = Archive.Seek(e.StoredSize, TSeekOrigin::soCurrent);
    }
    if (FEnd != size)
        throw Exception("Archive is damaged after its last complete entry; nothing can be added");
}

void TArchiveWriter::CheckRoom(const std::string& StoredPath, int64_t Size) const {
    if (Size < 0) throw Exception("Archive entry size must not be negative: " + StoredPath);
    if (StoredPath.size() > 32767)
        throw Exception("Archive stored path longer than 32767 bytes: " +
                        StoredPath.substr(0, 80) + "...");
    if (FTotal + Size > INT32_MAX)
        throw Exception("Archive would expand to more than 2147483647 bytes: " + StoredPath);
}

TEntryHeader TArchiveWriter::Add(TStream& Data, int32_t Size, const std::string& StoredPath,
                                 int32_t DosDateTime, uint16_t Attributes) {
    CheckRoom(StoredPath, Size);
    TEntryHeader entry;
    entry.PathLength = static_cast<int16_t>(StoredPath.size());
    entry.DateTime = DosDateTime;
    entry.Attributes = Attributes;
    entry.ExpandedSize = Size;
    try {
        FArchive.SetPosition(FEnd);
        WriteEntryHeader(FArchive, entry, StoredPath);
        const int64_t dataStart = FArchive.Position();
        entry.StoredSize =
            FOwner.CodeEntry(FArchive, Data, dataStart, Size, FMethodIndex, FMethodId, entry);
        FArchive.SetPosition(FEnd);
        WriteEntryHeader(FArchive, entry, StoredPath);
        FEnd = FArchive.Seek(0, TSeekOrigin::soEnd);
    } catch (...) {
        try {
            FArchive.SetSize(FEnd);
        } catch (...) {
        }
        throw;
    }
    FTotal += Size;
    return entry;
}

TEntryHeader TArchiveWriter::CopyEntry(TStream& Source) {
    TEntryHeader entry;
    std::string path;
    if (!TQuillox::ReadEntryHeader(Source, entry, path) || entry.StoredSize < 0 ||
        Source.Size() - Source.Position() < entry.StoredSize)
        throw Exception("Archive entry is incomplete: " + path);
    CheckRoom(path, entry.ExpandedSize);
    try {
        FArchive.SetPosition(FEnd);
        WriteEntryHeader(FArchive, entry, path);
        if (entry.StoredSize > 0) FArchive.CopyFrom(Source, entry.StoredSize);
        FEnd = FArchive.Position();
    } catch (...) {
        try {
            FArchive.SetSize(FEnd);
        } catch (...) {
        }
        throw;
    }
    FTotal += entry.ExpandedSize;
    return entry;
}

void TArchiveWriter::Finish() {
    FHeader.TotalSize = static_cast<int32_t>(FTotal);
    FArchive.SetPosition(0);
    WriteArchiveHeader(FArchive, FHeader);
    FArchive.Seek(0, TSeekOrigin::soEnd);
}

// Codes Size bytes of Data after the entry header; fills Method, Checksum and Lock of
// entry and returns the stored size.
int32_t TQuillox::CodeEntry(TStream& Dest, TStream& Data, int64_t dataStart, int32_t Size,
                            int methodIndex, const std::string& methodId, TEntryHeader& entry) {
    const int64_t sourceStart = Data.Position();
    int32_t sum = 0;
    int32_t written = -1;
    entry.Lock = Key != 0 ? 2 : 0;

    if (methodIndex == kMethodCustom && OnCompress) {
        std::string compressId = methodId;
        int32_t outputSize = Size - FCompressionMargin;
        try {
            OnCompress(Dest, Data, compressId, outputSize, sum);
            written = static_cast<int32_t>(Dest.Size() - dataStart);
            entry.Method = kMethodCustom;
            // The custom coder does not scramble; a key still locks the entry.
            entry.Lock = Key != 0 ? 1 : 0;
        } catch (const EUnableToCompress&) {
        }
    } else if (methodIndex != kMethodCustom) {
        try {
            written = RunMethod(Data, Dest, methodIndex, TRunDirection::Compress, false, Size,
                                Size, sum);
            entry.Method = static_cast<uint8_t>(methodIndex);
        } catch (const EUnableToCompress&) {
        }
    }
    if (written < 0) {
        // Stored copy from the file's first byte (also for "CUS" without a coder).
        Dest.SetPosition(dataStart);
        Dest.SetSize(dataStart);
        Data.SetPosition(sourceStart);
        sum = 0;
        written = RunMethod(Data, Dest, 0, TRunDirection::Compress, false, Size, Size, sum);
        entry.Method = 0;
        entry.Lock = Key != 0 ? 2 : 0;
    }
    if (Data.Position() - sourceStart != Size)
        throw Exception("Could not read all " + std::to_string(Size) +
                        " bytes of the data for the archive");
    entry.Checksum = sum;
    return written;
}

TEntryHeader TQuillox::AddFile(TStream& Archive, const std::string& FileName,
                               const std::string& StoredPath) {
    TArchiveWriter writer(*this, Archive);
    const TEntryHeader entry = writer.AddFile(FileName, StoredPath);
    writer.Finish();
    return entry;
}

TEntryHeader TArchiveWriter::AddFile(const std::string& FileName, const std::string& StoredPath) {
    TFileStream file(FileName, TFileMode::fmOpenRead);
    const int64_t length = file.Size();
    if (length > INT32_MAX)
        throw Exception("File is larger than 2147483647 bytes: " + FileName);
    int32_t when = 0;
    if (!platform::GetFileDosDateTime(FileName, when)) when = (1 << 5 | 1) << 16;
    uint32_t attributes = platform::GetFileAttributes(FileName);
    if (attributes == platform::kInvalidFileAttributes) attributes = 0;
    attributes &= ~platform::kAttrDirectory;
    return Add(file, static_cast<int32_t>(length), StoredPath, when,
               static_cast<uint16_t>(attributes));
}
