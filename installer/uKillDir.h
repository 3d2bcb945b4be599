// Deletion at the next restart of the files the installer leaves behind.
#pragma once

#include <string>

// Records Path (a file or a folder) for deletion at the next restart: on the NT family
// through MoveFileExA(Path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT); on the Windows 95
// family as a line "nul=" + Path appended to the Windows folder's wininit.ini. True
// when the record was made; an empty Path records nothing. Never raises; every failure
// gives False. Records are kept in call order, duplicates included, so a folder
// recorded after its files is removed after them.
bool DeleteAtRestart(const std::string& Path);
