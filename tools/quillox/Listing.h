// The listing of quillox l: a table for people and JSON for scripts.
#pragma once

#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"

struct ListedEntry {
    std::string Path;
    TArchiveFileInfo Info;
};

// "YYYY-MM-DD HH:MM:SS" of an MS-DOS date/time (fields shown as stored).
std::string DosDateTimeText(int32_t dosDateTime);
// Attribute letters in the order D R H S A, '.' for a bit not set.
std::string AttributeText(uint16_t attributes);
// The method id of an index, or "#<n>" for an index outside the table.
std::string MethodName(uint8_t index);

std::string ListingTable(const std::string& methodId, int32_t totalSize,
                         const std::vector<ListedEntry>& entries);
std::string ListingJson(const std::string& methodId, int32_t totalSize,
                        const std::vector<ListedEntry>& entries);
