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
// (path unchanged) goes into the first [Rename] section (the header matched without
// regard to case or surrounding blanks), after its last record, so the records already
// there keep their order and other sections stay as they are. A file without such a
// section (a missing or empty one included) gets "[Rename]" and the record at its end.
// Every line of the result ends in CR LF. Returns false, leaving result alone, when the
// file exists but was unreadable: saving then would lose the records it holds.
bool AddWininitRecord(TWininitLoad load, const std::string& text, const std::string& path,
                      std::string& result);

// Loads the wininit.ini at iniPath, adds the record for path and replaces the file with
// the result (written beside it first, see ReplaceTextFile). True when replaced. An
// unreadable existing file, and any failure to write or replace it, leaves the file as
// it was (False). Never raises.
bool RecordInWininit(const std::string& iniPath, const std::string& path);
