// Taking away what the installer wrote: at once, or at the next restart for the files
// setup.exe runs from (and whatever cannot be taken away at once).
#pragma once

#include <string>

// Records Path (a file or a folder) for deletion at the next restart: on the NT family
// through MoveFileExA(Path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT); on the Windows 95
// family as a line "nul=" + Path appended to the Windows folder's wininit.ini. True
// when the record was made; an empty Path records nothing. Never raises; every failure
// gives False. Records are kept in call order, duplicates included, so a folder
// recorded after its files is removed after them.
bool DeleteAtRestart(const std::string& Path);

// Deletes the file now, clearing a read-only attribute first. True when no file of that
// name is left (also when there was none). Never raises.
bool DeleteFileNow(const std::string& Path);

// Removes the folder now when it is empty. When the process's current folder is this
// folder or lies inside it, the current folder moves to its parent first (a current
// folder cannot be removed). True
// when no folder of that name is left (also when there was none). Never raises.
bool RemoveFolderNow(const std::string& Path);
