#include "installer/Integrity.h"

#include <algorithm>

#include "archive/PayloadCheck.h"
#include "archive/Quillox.h"
#include "codec/Codec.h"
#include "runtime/Stream.h"

namespace install {

const char* const kPayloadArchives[2] = {"WELCOME", "QUORV"};

std::string DamagedText(const std::string& detail) {
    return "The installer is damaged and cannot be used. Please download it again.\r\r" + detail;
}

std::string DamageDetail(const std::string& entryPath, const std::string& message) {
    return entryPath.empty() ? message : entryPath + ": " + message;
}

namespace {
template <class E>
bool Is(const std::exception& e) {
    return dynamic_cast<const E*>(&e) != nullptr;
}
}  // namespace

TExpansionError ClassifyExpansionError(const std::exception& e) {
    // One line per class of the component (and of its codec and streams) that only
    // damaged archive bytes raise.
    const bool damage = Is<EBadChecksum>(e) || Is<ELZHBadDecodeTable>(e) || Is<EInvalidKey>(e) ||
                        Is<EInvalidHeader>(e) || Is<EInvalidHeaderArchiveType>(e) ||
                        Is<EUnrecognizedCompressionMethod>(e) || Is<EReadError>(e);
    return damage ? TExpansionError::Damage : TExpansionError::DiskError;
}

bool CheckPayload(const TResourceFinder& find, const std::function<bool()>& keepGoing) {
    const uint8_t* data = nullptr;
    int64_t size = 0;
    if (!find(payload::kCheckRecordType, payload::kCheckRecordName, data, size))
        throw EInstallerDamaged("Its check record is missing");
    std::vector<payload::TCheckEntry> record;
    try {
        record = payload::DecodeCheckRecord(data, static_cast<size_t>(size));
    } catch (const payload::EBadCheckRecord& e) {
        throw EInstallerDamaged(e.Message());
    }
    for (const char* name : kPayloadArchives)
        if (std::none_of(record.begin(), record.end(),
                         [&](const payload::TCheckEntry& e) { return e.Name == name; }))
            throw EInstallerDamaged(std::string("The archive ") + name +
                                    " is missing from its check record");

    constexpr int64_t kChunk = 1 << 20;
    for (const auto& entry : record) {
        if (!find("TQUILLOX", entry.Name, data, size))
            throw EInstallerDamaged(EResNotFound(entry.Name).Message());
        if (size != static_cast<int64_t>(entry.Size))
            throw EInstallerDamaged("The archive " + entry.Name + " holds " + std::to_string(size) +
                                    " bytes; " + std::to_string(entry.Size) + " were packed");
        uint32_t crc = 0;
        for (int64_t at = 0; at < size; at += kChunk) {
            const int64_t n = std::min(kChunk, size - at);
            crc = payload::Crc32(data + at, static_cast<size_t>(n), crc);
            if (!keepGoing()) return false;
        }
        if (crc != entry.Crc)
            throw EInstallerDamaged("The archive " + entry.Name +
                                    " does not have the bytes that were packed");
    }
    return true;
}

void CheckArchiveComplete(TQuillox& component, TStream& source, const std::string& name) {
    source.SetPosition(0);
    TArchiveHeader header;
    TStrings entries;
    try {
        std::string methodId;
        header = component.ReadArchiveHeader(source, methodId);
        source.SetPosition(0);
        component.ListArchive(source, entries);
    } catch (const std::exception& e) {
        if (ClassifyExpansionError(e) == TExpansionError::Damage)
            throw EInstallerDamaged(name + ": " + e.what());
        throw;
    }
    // The expansion's stop rule: after each entry header it has read, it ends when the
    // expanded sizes counted so far reach TotalSize; an entry header it cannot read ends
    // it too, silently. Only the first is the archive's end.
    int32_t done = 0;
    for (int i = 0; i < entries.Count(); ++i) {
        if (done >= header.TotalSize) break;
        const auto* info = static_cast<const TArchiveFileInfo*>(entries.Objects(i));
        done = static_cast<int32_t>(static_cast<uint32_t>(done) +
                                    static_cast<uint32_t>(info->ExpandedSize));
    }
    const bool complete = done >= header.TotalSize;
    const int count = entries.Count();
    const std::string last = count > 0 ? entries[count - 1] : std::string();
    TQuillox::FreeArchiveList(&entries);
    if (!complete)
        throw EInstallerDamaged(name + ": " +
                                (count > 0 ? "cannot read the entry after " + last
                                           : std::string("cannot read its first entry")));
}

}  // namespace install
