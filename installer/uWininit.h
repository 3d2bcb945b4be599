// Deletion at restart on the Windows 95 family: records in the [Rename] section of
// wininit.ini in the Windows folder ("nul=" + path deletes path at the next start),
// and the version test that tells the two families apart.
#pragma once

#include <string>

// True on the NT family of Windows (GetVersionExA reports platform 2). A failing
// query gives False. Never raises.
bool IsWindowsNT();

// How loading wininit.ini went before a record is added.
enum class TWininitLoad {
    Loaded,      // the file's text is at hand
    Missing,     // there is no such file
    Unreadable,  // the file exists but could not be read
};

// Adds the deletion record for path to wininit.ini's text: the line "nul=" + path
// (path unchanged) goes after the last line, whatever section that is in. A missing
// file starts as the single line "[Rename]". Every line of the result ends in CR LF.
// Returns false, leaving result alone, when the file exists but was unreadable: saving
// then would lose the records it holds.
bool AddWininitRecord(TWininitLoad load, const std::string& text, const std::string& path,
                      std::string& result);

// Loads the wininit.ini at iniPath, adds the record for path and saves it. True when
// saved. An unreadable existing file is left as it is (False). Never raises.
bool RecordInWininit(const std::string& iniPath, const std::string& path);
