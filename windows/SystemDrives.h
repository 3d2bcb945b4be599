// The drive list's and folder list's services as the running Windows system gives
// them (Win32 builds only).
#pragma once

#include "windows/DriveList.h"
#include "windows/FolderList.h"

// GetLogicalDrives, GetDriveTypeA, GetDiskFreeSpaceExA (looked up in kernel32, so
// that systems without it fall back on GetDiskFreeSpaceA), GetVolumeLabel and the
// shell's display names.
IDriveQuery& SystemDriveQuery();

// SetCurrentDirectoryA, GetCurrentDirectoryA and a FindFirstFileA walk for the
// subfolders (hidden folders are left out).
IFolderSystem& SystemFolderSystem();

// The volume name of the letter's drive ("X:\", 255-character buffer), empty when it
// cannot be read. Critical errors fail silently during the query and the previous
// error mode is restored in every case.
std::string GetVolumeLabel(char letter);
