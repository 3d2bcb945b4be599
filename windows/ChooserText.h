// The destination chooser's rules that need no window: its status texts and the
// matching steps of SetTargetDir.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "windows/DriveList.h"

// "%dk bytes are needed to install this release.", with BytesNeeded div 1024, and
// " There is not enough space on this drive." appended when the needed bytes exceed
// the free space (a failed query, -1, always does).
std::string NeededBytesText(int32_t bytesNeeded, int64_t freeSpace);

// "%dk" with the free space div 1024 in 64-bit arithmetic (-1 shows 0k).
std::string FreeSpaceText(int64_t freeSpace);

// The drive part of a path: "C:" for C:\WIN\TEMP\, "\\server\share" for a network
// path, empty when there is none.
std::string PathDrivePart(const std::string& path);

// The first entry whose record's DriveName equals the drive part exactly
// (case-sensitive); -1 when none.
int FindDriveEntry(const TDriveEntries& entries, const std::string& drivePart);

// The name SetTargetDir highlights: one trailing backslash removed, the text after
// the last backslash, lower-cased.
std::string HighlightName(const std::string& folder);

// The first entry whose lower-cased text equals the (lower-case) name; -1 when none
// or when the name is empty.
int FindHighlightEntry(const std::vector<std::string>& texts, const std::string& name);
