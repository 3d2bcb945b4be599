// TQuillox: the archive component. It opens archives carried as resources, lists
// them, expands their entries into files (with a per-file callback, progress reports,
// an optional free-space check, folder creation, checksum and key verification), and
// writes new archives. Every operation runs synchronously and calls its events on the
// caller's thread; one component runs one operation at a time. Streams and lists
// passed in belong to the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/ArchiveFormat.h"
#include "codec/Codec.h"
#include "runtime/Exception.h"
#include "runtime/StringList.h"

class TStream;
class TFileStream;

// What the component is doing when it asks OnCheckFile about a file.
enum class TCProcessMode { cpmList = 0, cpmExpand = 1, cpmCompress = 2 };

using TFilenameCheckEvent = std::function<void(std::string& filepath, TCProcessMode mode)>;
using TRecognizeEvent = std::function<void(const std::string& CompressID, bool& recognized)>;
using TExpandEvent =
    std::function<void(TStream& dest, TStream& source, int32_t Sourcesize, int32_t Destsize,
                       const std::string& CompressID, int32_t& checksum)>;
using TCompressEvent = std::function<void(TStream& dest, TStream& source, std::string& CompressID,
                                          int32_t& Outputsize, int32_t& checksum)>;

// "Can't recognize compressed file header"
class EInvalidHeader : public Exception {
public:
    EInvalidHeader() : Exception("Can't recognize compressed file header") {}
};
// "Archive type must be caMulti"
class EInvalidHeaderArchiveType : public Exception {
public:
    EInvalidHeaderArchiveType() : Exception("Archive type must be caMulti") {}
};
// Unrecognized compression method: "<id>" in header
class EUnrecognizedCompressionMethod : public Exception {
public:
    explicit EUnrecognizedCompressionMethod(const std::string& id)
        : Exception("Unrecognized compression method: \"" + id + "\" in header") {}
};
// "Not enough disk space to expand <path>"
class EInsufficientDiskSpace : public Exception {
public:
    explicit EInsufficientDiskSpace(const std::string& path)
        : Exception("Not enough disk space to expand " + path) {}
};
// "Bad checksum during expansion -- data may be invalid"
class EBadChecksum : public Exception {
public:
    EBadChecksum() : Exception("Bad checksum during expansion -- data may be invalid") {}
};
// "File locked -- valid key required"
class EInvalidKey : public Exception {
public:
    EInvalidKey() : Exception("File locked -- valid key required") {}
};

class TQuillox {
public:
    // Creates the component with every setting zero and its codec state object.
    explicit TQuillox(void* owner = nullptr);
    ~TQuillox();
    TQuillox(const TQuillox&) = delete;
    TQuillox& operator=(const TQuillox&) = delete;

    // ---- Published properties and events ---------------------------------------------
    TCompressEvent OnCompress;
    TExpandEvent OnExpand;
    TFilenameCheckEvent OnCheckFile;   // may rename (change filepath), skip ("") or end ("*")
    TRecognizeEvent OnRecognize;
    TShowProgressEvent OnShowProgress; // 0, once per 8192 stored bytes, 100; -1 stops
    const std::string& TargetPath() const { return FTargetPath; }
    // Stores the folder, adding a backslash unless it is empty or already ends in one.
    void SetTargetPath(const std::string& value);
    bool MakeDirectories = false;
    bool ExceptionOnFileError = false;
    int32_t Key = 0;
    bool CheckSpaceBeforeExpand = false;

    // ---- Reading -----------------------------------------------------------------------

    // A new read-only stream over the resource ResName of type "TQUILLOX", positioned at
    // 0, from the program's own module (empty LibraryName) or from the named library,
    // which stays loaded for as long as the stream lives. Raises Exception("Could not
    // load <LibraryName> DLL") or EResNotFound ("Resource <ResName> not found").
    std::unique_ptr<TStream> OpenArchiveResource(const std::string& ResName,
                                                 const std::string& LibraryName);

    // Appends one item per entry of the archive at Source's position: the stored path,
    // with a TArchiveFileInfo attached. Does nothing when fewer than 46 bytes remain.
    // Raises the header errors; items appended before an error stay in List. Source is
    // left after the last entry read.
    void ListArchive(TStream& Source, TStrings& List);
    // Releases the records attached to List's items and clears it. Null is accepted.
    static void FreeArchiveList(TStrings* List);

    // Expands the archive at Source's position into files (see the .cpp for the steps).
    // With a Selection, only entries whose stored path equals one of its items (letters
    // A-Z without regard to case) are expanded, and on success Selection is replaced by
    // the full paths of the files written. Raises the header errors, EInsufficientDiskSpace,
    // EFCreateError, EBadChecksum, EInvalidKey, ELZHBadDecodeTable and stream errors; a file
    // whose entry failed with EInvalidKey is deleted. Each entry header is read where the
    // previous entry ends by its sizes, as ListArchive walks them. A locked entry met
    // with Key 0 raises EInvalidKey before its file is created. A stop answer (-1) from
    // OnShowProgress ends the expansion with EBadChecksum.
    void ExpandArchive(TStream& Source, TStrings* Selection);

    // ---- Building blocks of the reading side ------------------------------------------

    // The archive header at Source's position and its method id. With fewer than 21
    // bytes left, reads nothing and gives a fresh header (TotalSize 0, caMulti, no
    // method id). Raises EInvalidHeader, EInvalidHeaderArchiveType or
    // EUnrecognizedCompressionMethod.
    TArchiveHeader ReadArchiveHeader(TStream& Source, std::string& MethodId);
    // Index 0-4 of a method id (exact case), or 3 when OnRecognize accepts it; else
    // raises EUnrecognizedCompressionMethod.
    int RecognizeMethod(const std::string& Id);
    // Reads an entry header and its stored path; false when either is incomplete or
    // PathLength is negative.
    static bool ReadEntryHeader(TStream& Source, TEntryHeader& Header, std::string& StoredPath);
    // Decodes one entry from Source into Dest and verifies it; once accepted, Source is
    // left at the entry's end. Raises EInvalidKey, EBadChecksum, ELZHBadDecodeTable
    // (open entries) and stream errors. An entry that was stopped raises EBadChecksum;
    // one whose stored bytes end before its data does, whose stored data runs past the
    // end of Source, or whose data is not exactly ExpandedSize bytes fails its
    // verification (EBadChecksum, or EInvalidKey when locked), whatever the sum of its
    // bytes. Dest never receives more than ExpandedSize bytes (an OnExpand handler's
    // bytes past it are dropped), and decoding works on no further than that.
    void ExpandEntry(TStream& Dest, TStream& Source, const TEntryHeader& Header,
                     const std::string& MethodId);
    // Bytes available for the file F (2147483647 when the check is off).
    int32_t SpaceForFile(const std::string& F);
    // Free bytes of drive 1 = A, 2 = B, ..., 0 = the current drive; -1 on failure.
    static float DiskFreeBytes(int DriveNumber);
    // Creates Folder and any missing parents, all but a drive ("X:"); raises
    // EInOutError when one cannot be made.
    static void MakeFolderPath(const std::string& Folder);
    static bool FolderExists(const std::string& Path);
    static bool IsSelected(const TStrings& Selection, const std::string& P);

    // ---- Writing -----------------------------------------------------------------------

    // Fills Header for a new archive: signature, MethodId (3 characters), TotalSize,
    // ArchiveType, Checksum 0, Lock 2 when Key > 0 else 0.
    void InitArchiveHeader(TArchiveHeader& Header, const std::string& MethodId,
                           int32_t TotalSize, uint8_t ArchiveType);

    // Starts a new, empty archive in Archive: it is cut to a bare 21-byte header written
    // with MethodId at position 0. The id must be one of the five of the method table or
    // one that OnRecognize accepts; otherwise EUnrecognizedCompressionMethod.
    void CreateArchive(TStream& Archive, const std::string& MethodId);

    // Appends one entry to the archive that fills Archive from position 0, coding
    // Size bytes of Data from its current position with the archive header's method:
    // TArchiveWriter's Add and Finish on that archive (so the archive is walked once
    // per call; to add many entries, keep one TArchiveWriter). Archive is left at its
    // end. Returns the entry header written.
    TEntryHeader AddEntry(TStream& Archive, TStream& Data, int32_t Size,
                          const std::string& StoredPath, int32_t DosDateTime,
                          uint16_t Attributes);
    // AddEntry for a file: its bytes, last-write time and attributes.
    TEntryHeader AddFile(TStream& Archive, const std::string& FileName,
                         const std::string& StoredPath);

    // Expands or compresses through the codec with this component's Key, compression
    // margin and OnShowProgress.
    int32_t RunMethod(TStream& Source, TStream& Dest, int MethodIndex, TRunDirection Direction,
                      bool Descramble, int32_t ExpandedSize, int32_t SourceSize,
                      int32_t& Checksum);

private:
    friend class TArchiveWriter;
    int32_t CodeEntry(TStream& Dest, TStream& Data, int64_t dataStart, int32_t Size,
                      int methodIndex, const std::string& methodId, TEntryHeader& entry);

    std::unique_ptr<TCompThreadSafety> FCodec;
    std::string FTargetPath;
    int32_t FCompressionMargin = 0;
};

// Adds entries to one archive stream, one after the other, in time proportional to
// what is written: the archive already in the stream is walked once, when the writer
// is made, and every entry is then appended where the last one ended. The archive
// header's TotalSize is brought up to date by Finish; until then it counts only the
// entries the archive held before (plus those of earlier Finish calls).
class TArchiveWriter {
public:
    // Walks the archive that fills Archive from position 0. Raises EInvalidHeader when
    // the stream holds fewer than 21 bytes, the other header errors, and Exception
    // "Archive is damaged after its last complete entry; nothing can be added" when
    // the stream does not end exactly where its last complete entry ends.
    TArchiveWriter(TQuillox& Owner, TStream& Archive);
    TArchiveWriter(const TArchiveWriter&) = delete;
    TArchiveWriter& operator=(const TArchiveWriter&) = delete;

    // The archive header's method id; every entry is coded with it (or stored).
    const std::string& MethodId() const { return FMethodId; }
    // The sum of ExpandedSize over every entry written so far, old ones included.
    int64_t TotalSize() const { return FTotal; }

    // Codes Size bytes of Data from its current position as the next entry, with the
    // owner's Key, margin, OnCompress and OnShowProgress. A file whose coded form would
    // pass its budget is stored (method 0) instead. Raises Exception when the entry
    // cannot be taken (negative size, a stored path over 32767 bytes, a total beyond
    // 2147483647), OnCompress's errors, stream errors and whatever OnShowProgress
    // raises; on any error the archive is cut back to where it ended before.
    TEntryHeader Add(TStream& Data, int32_t Size, const std::string& StoredPath,
                     int32_t DosDateTime, uint16_t Attributes);
    // Add for a file: its bytes, last-write time and attributes (the folder bit
    // cleared). Raises EFOpenError for a file that cannot be opened and Exception for
    // one larger than 2147483647 bytes.
    TEntryHeader AddFile(const std::string& FileName, const std::string& StoredPath);
    // Copies the entry whose header begins at Source's position (header, stored path
    // and stored data, byte for byte, not decoded) as the next entry, and leaves
    // Source after it. Raises Exception "Archive entry is incomplete" when Source
    // ends inside the entry, and the errors of Add for its sizes; cut back on errors.
    TEntryHeader CopyEntry(TStream& Source);
    // Writes TotalSize into the archive header and leaves the stream at its end.
    void Finish();

private:
    void CheckRoom(const std::string& StoredPath, int64_t Size) const;

    TQuillox& FOwner;
    TStream& FArchive;
    TArchiveHeader FHeader;
    std::string FMethodId;
    int FMethodIndex = 0;
    int64_t FEnd = 0;    // where the next entry header goes
    int64_t FTotal = 0;  // sum of ExpandedSize
};
