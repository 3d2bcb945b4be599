// The reading side of TQuillox: resources, listing and expansion.
#include "archive/Quillox.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "runtime/Platform.h"
#include "runtime/Stream.h"

namespace {

constexpr const char* kResourceType = "TQUILLOX";

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// F up to and including its last backslash, slash or colon; empty when it has none.
std::string FolderPart(const std::string& f) {
    const size_t cut = f.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : f.substr(0, cut + 1);
}

void SkipForward(TStream& source, int32_t count) {
    if (count != 0) source.Seek(count, TSeekOrigin::soCurrent);
}

// The destination as an OnExpand handler sees it: bytes up to the entry's expanded
// size pass on, the rest is dropped and marks the entry as one that does not fit.
class TBoundedDest : public TStream {
public:
    TBoundedDest(TStream& dest, int32_t limit) : dest_(dest), room_(std::max<int64_t>(limit, 0)) {}
    int32_t Read(void* buffer, int32_t count) override { return dest_.Read(buffer, count); }
    int32_t Write(const void* buffer, int32_t count) override {
        if (count <= 0) return 0;
        int32_t pass = count;
        if (pass > room_) {
            pass = static_cast<int32_t>(room_);
            overrun_ = true;
        }
        const int32_t n = pass > 0 ? dest_.Write(buffer, pass) : 0;
        room_ -= n;
        written_ += n;
        return n < pass ? n : count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return dest_.Seek(offset, origin); }
    int64_t Written() const { return written_; }
    bool Overrun() const { return overrun_; }

private:
    TStream& dest_;
    int64_t room_;
    int64_t written_ = 0;
    bool overrun_ = false;
};

}  // namespace

TQuillox::TQuillox(void*) : FCodec(std::make_unique<TCompThreadSafety>()) {}

TQuillox::~TQuillox() = default;

void TQuillox::SetTargetPath(const std::string& value) {
    FTargetPath = value;
    if (!FTargetPath.empty() && FTargetPath.back() != '\\') FTargetPath += '\\';
}

std::unique_ptr<TStream> TQuillox::OpenArchiveResource(const std::string& ResName,
                                                       const std::string& LibraryName) {
    platform::ModuleHandle module;
    if (!LibraryName.empty()) {
        module = platform::LoadLibrary(LibraryName);
        if (!module) throw Exception("Could not load " + LibraryName + " DLL");
    }
    const uint8_t* data = nullptr;
    int64_t size = 0;
    if (!platform::FindResourceBytes(module, kResourceType, ResName, data, size))
        throw EResNotFound(ResName);
    // The stream keeps the library loaded while its bytes are read in place.
    return std::make_unique<TReadOnlyMemoryStream>(data, size, module);
}

void TQuillox::InitArchiveHeader(TArchiveHeader& Header, const std::string& MethodId,
                                 int32_t TotalSize, uint8_t ArchiveType) {
    Header = TArchiveHeader{};
    std::memcpy(Header.Signature.data(), "YRMA\x1A", 5);
    for (size_t i = 0; i < Header.MethodId.size() && i < MethodId.size(); ++i)
        Header.MethodId[i] = MethodId[i];
    Header.TotalSize = TotalSize;
    Header.ArchiveType = ArchiveType;
    Header.Checksum = 0;
    Header.Lock = Key > 0 ? 2 : 0;
}

TArchiveHeader TQuillox::ReadArchiveHeader(TStream& Source, std::string& MethodId) {
    TArchiveHeader header;
    if (Source.Size() - Source.Position() < kArchiveHeaderSize) {
        InitArchiveHeader(header, "", 0, caMulti);
        MethodId.clear();
        return header;
    }
    uint8_t bytes[kArchiveHeaderSize];
    Source.ReadBuffer(bytes, kArchiveHeaderSize);
    header = TArchiveHeader::FromBytes(bytes);
    if (!header.HasSignature()) throw EInvalidHeader();
    if (header.ArchiveType != caMulti) throw EInvalidHeaderArchiveType();
    MethodId = header.MethodIdText();
    RecognizeMethod(MethodId);
    return header;
}

int TQuillox::RecognizeMethod(const std::string& Id) {
    for (int i = 0; i < kMethodCount; ++i)
        if (Id == kMethodIds[i]) return i;
    if (OnRecognize) {
        bool recognized = false;
        OnRecognize(Id, recognized);
        if (recognized) return kMethodCustom;
    }
    throw EUnrecognizedCompressionMethod(Id);
}

// A negative StoredSize cannot be read either: passing over such an entry would move
// the source backwards and a listing would walk the same entries for ever.
bool TQuillox::ReadEntryHeader(TStream& Source, TEntryHeader& Header, std::string& StoredPath) {
    uint8_t bytes[kEntryHeaderSize];
    if (Source.Read(bytes, kEntryHeaderSize) != kEntryHeaderSize) return false;
    Header = TEntryHeader::FromBytes(bytes);
    if (Header.PathLength < 0 || Header.StoredSize < 0) return false;
    StoredPath.assign(static_cast<size_t>(Header.PathLength), '\0');
    if (Header.PathLength == 0) return true;
    return Source.Read(&StoredPath[0], Header.PathLength) == Header.PathLength;
}

void TQuillox::ListArchive(TStream& Source, TStrings& List) {
    if (Source.Size() - Source.Position() < kArchiveHeaderSize + kEntryHeaderSize) return;
    std::string methodId;
    ReadArchiveHeader(Source, methodId);
    TEntryHeader e;
    std::string path;
    while (ReadEntryHeader(Source, e, path)) {
        auto info = std::make_unique<TArchiveFileInfo>();
        info->DateTime = e.DateTime;
        info->Attributes = e.Attributes;
        info->ExpandedSize = e.ExpandedSize;
        info->StoredSize = e.StoredSize;
        info->Method = e.Method;
        info->Checksum = e.Checksum;
        info->HeaderPosition =
            static_cast<int32_t>(Source.Position() - e.PathLength - kEntryHeaderSize);
        info->Locked = e.Lock > 0;
        List.AddObject(path, std::move(info));
        SkipForward(Source, e.StoredSize);
    }
}

void TQuillox::FreeArchiveList(TStrings* List) {
    if (List) List->Clear();
}

void TQuillox::ExpandArchive(TStream& Source, TStrings* Selection) {
    std::vector<std::string> written;
    std::string methodId;
    const TArchiveHeader header = ReadArchiveHeader(Source, methodId);
    int32_t done = 0;
    TEntryHeader e;
    std::string p;
    for (;;) {
        if (!ReadEntryHeader(Source, e, p)) break;
        if (done >= header.TotalSize) break;
        if (Selection && !IsSelected(*Selection, p)) {
            SkipForward(Source, e.StoredSize);
            done = static_cast<int32_t>(static_cast<uint32_t>(done) +
                                        static_cast<uint32_t>(e.ExpandedSize));
            continue;
        }
        std::string f = (!p.empty() && p[0] == '\\') ? p : FTargetPath + p;
        if (OnCheckFile) {
            OnCheckFile(f, TCProcessMode::cpmExpand);
            if (f.empty()) {
                SkipForward(Source, e.StoredSize);
                continue;
            }
            if (f == "*") break;
        }
        // Without a key a locked entry cannot succeed: fail before its file replaces
        // anything.
        if (e.Lock > 0 && Key == 0) throw EInvalidKey();
        if (SpaceForFile(f) < e.ExpandedSize) throw EInsufficientDiskSpace(f);
        if (MakeDirectories) MakeFolderPath(FolderPart(f));

        std::unique_ptr<TFileStream> file;
        try {
            file = std::make_unique<TFileStream>(f, TFileMode::fmCreate);
        } catch (const EFCreateError&) {
            if (ExceptionOnFileError) throw;
            SkipForward(Source, e.StoredSize);
            continue;
        }
        // The 16-bit attributes are widened with their sign, as the system call takes them.
        const auto attributes =
            static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(e.Attributes)));
        try {
            ExpandEntry(*file, Source, e, methodId);
        } catch (const EInvalidKey&) {
            file.reset();
            platform::DeleteFile(f);
            throw;
        } catch (...) {
            file.reset();
            platform::SetFileAttributes(f, attributes);
            throw;
        }
        platform::SetFileDosDateTime(*file, e.DateTime);
        written.push_back(f);
        file.reset();
        platform::SetFileAttributes(f, attributes);
        done = static_cast<int32_t>(static_cast<uint32_t>(done) +
                                    static_cast<uint32_t>(e.ExpandedSize));
    }
    if (Selection) {
        Selection->Clear();
        for (auto& w : written) Selection->Add(std::move(w));
    }
}

// Whatever the method read of the stored bytes (all of them, fewer when it stopped or
// met damage, none for an entry that nothing decodes), Source is left at the entry's
// end once it is accepted, so the next entry header is read where listing finds it.
//
// An entry is accepted only when it made exactly ExpandedSize bytes, whatever its
// method, and its stored data lies wholly inside Source: otherwise the sum test (and
// the stored copy's "Checksum 0 passes") could let a file of another size through, or
// an entry cut off by the end of the archive. The codec never writes past the size.
void TQuillox::ExpandEntry(TStream& Dest, TStream& Source, const TEntryHeader& Header,
                           const std::string& MethodId) {
    if (Header.Lock > 0 && Key == 0) throw EInvalidKey();
    const int64_t entryEnd = Source.Position() + Header.StoredSize;
    const int64_t sourceSize = Source.Size();
    int32_t sum = 0;
    bool cutShort = sourceSize >= 0 && entryEnd > sourceSize;
    bool wrongSize = false;
    if (Header.Method == kMethodCustom) {
        TBoundedDest bounded(Dest, Header.ExpandedSize);
        if (OnExpand)
            OnExpand(bounded, Source, Header.StoredSize, Header.ExpandedSize, MethodId, sum);
        wrongSize = bounded.Overrun() || bounded.Written() != Header.ExpandedSize;
    } else {
        int32_t written = 0;
        try {
            written = RunMethod(Source, Dest, Header.Method, TRunDirection::Expand,
                                Header.Lock == 2, Header.ExpandedSize, Header.StoredSize, sum);
        } catch (const ELZHBadDecodeTable&) {
            if (Header.Lock > 0) throw EInvalidKey();
            throw;
        }
        // A stop is the caller's wish to end, never a key problem, and never a success
        // even when the bytes produced so far add up to the checksum.
        if (FCodec->Stopped()) throw EBadChecksum();
        cutShort = cutShort || FCodec->InputOverrun();
        wrongSize = FCodec->OutputOverrun() || written != Header.ExpandedSize;
    }
    const auto s = static_cast<uint32_t>(sum);
    const auto c = static_cast<uint32_t>(Header.Checksum);
    const bool accepted =
        !cutShort && !wrongSize &&
        (s == c || (c == 0 && Header.Method == 0) ||
         (Header.Lock > 0 && static_cast<uint32_t>(Key) + s == c));
    if (!accepted) {
        if (Header.Lock > 0) throw EInvalidKey();
        throw EBadChecksum();
    }
    if (Source.Position() != entryEnd) Source.SetPosition(entryEnd);
}

int32_t TQuillox::RunMethod(TStream& Source, TStream& Dest, int MethodIndex,
                            TRunDirection Direction, bool Descramble, int32_t ExpandedSize,
                            int32_t SourceSize, int32_t& Checksum) {
    return FCodec->RunMethod(Source, Dest, MethodIndex, Direction, Descramble, ExpandedSize,
                             SourceSize, Checksum, Key, FCompressionMargin, OnShowProgress);
}

int32_t TQuillox::SpaceForFile(const std::string& F) {
    if (!CheckSpaceBeforeExpand) return INT32_MAX;
    int drive = 0;
    if (F.size() >= 2 && F[1] == ':') drive = static_cast<unsigned char>(UpperAscii(F[0])) - 64;
    const float free = DiskFreeBytes(drive);
    int32_t result = free < 2147483647.0 ? static_cast<int32_t>(free) : INT32_MAX;
    const uint32_t attrs = platform::GetFileAttributes(F);
    if (result < INT32_MAX && attrs != platform::kInvalidFileAttributes &&
        !(attrs & platform::kAttrDirectory)) {
        int64_t length = 0;
        try {
            TFileStream existing(F, TFileMode::fmOpenRead);
            length = existing.Size();
        } catch (const EFOpenError& e) {
            throw EInOutError(EACCES, e.Message());
        }
        if (static_cast<double>(length) + free < 2147483647.0)
            result = static_cast<int32_t>(result + length);
        else
            result = INT32_MAX;
    }
    return result;
}

float TQuillox::DiskFreeBytes(int DriveNumber) {
    std::string root;
    if (DriveNumber != 0) root = std::string(1, static_cast<char>(DriveNumber + 64)) + ":\\";
    platform::DiskSpace space;
    if (!platform::GetDiskFreeSpace(root, space)) return -1.0f;
    return static_cast<float>(static_cast<double>(space.SectorsPerCluster) *
                              space.BytesPerSector * space.FreeClusters);
}

// Creates the missing folders from the outermost inward. A drive ("C:", with or
// without a separator after it) is never created; every other name is, however
// short. Iterative, so that a deep stored path cannot exhaust the stack.
void TQuillox::MakeFolderPath(const std::string& Folder) {
    std::vector<std::string> missing;
    std::string f = Folder;
    for (;;) {
        if (f.empty()) break;
        if (IsSeparator(f.back())) f.pop_back();
        if (f.empty() || (f.size() == 2 && f[1] == ':') || FolderExists(f)) break;
        missing.push_back(f);
        f = FolderPart(f);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (!platform::CreateDirectory(*it))
            throw EInOutError(EIO, FormatMessage("Cannot create folder %s", *it));
}

bool TQuillox::FolderExists(const std::string& Path) {
    const uint32_t attrs = platform::GetFileAttributes(Path);
    return attrs != platform::kInvalidFileAttributes && (attrs & platform::kAttrDirectory);
}

bool TQuillox::IsSelected(const TStrings& Selection, const std::string& P) {
    for (int i = 0; i < Selection.Count(); ++i) {
        const std::string& item = Selection[i];
        if (item.size() != P.size()) continue;
        size_t k = 0;
        while (k < P.size() && UpperAscii(item[k]) == UpperAscii(P[k])) ++k;
        if (k == P.size()) return true;
    }
    return false;
}
