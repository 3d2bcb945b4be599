// The parts of the install sequence that need no window: the texts it shows, where the
// check-file handler puts a file, the temporary name's number, the command line that
// starts setup.exe and the retry loop around the product expansion. The main window
// (uUnpack) strings them together; they are kept here so that they can be tested alone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace install {

// The file-name part of a path: the text after its last backslash or colon (the whole
// path when it has neither).
std::string FileNamePart(const std::string& path);

// Where an announced entry is written: targetDir + "\" + the file-name part of
// filepath. Folders stored in the archive are dropped. Never a path outside targetDir:
// raises Exception when targetDir is empty ("No folder to write <name> into", where a
// root such as "\welcome.rtf" would follow) or when the file-name part names no file
// in it ("", "." or "..": "Cannot create file <targetDir>\<name>").
std::string FlatTargetPath(const std::string& targetDir, const std::string& filepath);

// "Cannot create temporary folder " + folder: the error that ends the preparation when
// the temporary folder cannot be had.
std::string TempFolderErrorText(const std::string& folder);

// "There was an error writing to disk." CR CR "Error: " message CR CR "Please verify ..."
std::string DiskErrorText(const std::string& message);

// "Tellivox encountered the following unrecoverable error:" CR CR message CR CR
// "Please contact product support for assistance."
std::string FatalErrorText(const std::string& message);

// "Cannot create a folder in " + parent: the error that ends the preparation when no
// fresh folder can be made inside the folder picked in the chooser.
std::string FreshFolderErrorText(const std::string& parent);

// The unique number of the temporary folder's name, drawn from a clock seed: 1 to 254.
// Never 0, which would make the temporary-name service pick a number itself and create a
// file of that name, so that no folder of the name could be made.
uint32_t DrawTempNameNumber(uint32_t seed);

// How an attempt to create the folder of one name ended.
enum class TCreateResult { Created, Taken, Failed };

// Makes a fresh folder: tryNumber(k) forms the name of number k and tries to create a
// folder of it. The numbers go from n (1 to 254) upwards, wrapping from 254 to 1, each
// tried once, passing over every name that is Taken (a folder or file of that name
// exists, say one left by an earlier run). Returns the number whose folder was
// Created, or 0 when an attempt Failed or every name is taken.
uint32_t MakeFreshFolder(uint32_t n, const std::function<TCreateResult(uint32_t)>& tryNumber);

// The command line that starts targetDir + "\setup.exe": the program's path in double
// quotation marks, so that a folder with blanks cannot make the system try a shorter
// program name ("C:\Program.exe") first, then the arguments, each quoted as needed
// (install::QuoteArgument) so that setup.exe's C runtime gives them back unchanged.
std::string SetupCommandLine(const std::string& targetDir,
                             const std::vector<std::string>& arguments = {});

// The folders to create, outermost first, so that the full path fullPath (a drive path
// such as C:\a\b or a network path \\server\share\a) names a folder: fullPath and each
// parent for which isFolder is false, up to the first that is a folder or the root
// ("C:\", "\\server\share"), which is never listed. Empty when fullPath is a folder.
std::vector<std::string> MissingFolders(const std::string& fullPath,
                                        const std::function<bool(const std::string&)>& isFolder);

// The error of a run under /S whose temporary folder's drive lacks room: "Not enough
// space for Quorvane in <folder>. <the chooser's needed-bytes sentence> Under /S the
// installer cannot ask for another folder: name one with /D=."
std::string NoRoomText(const std::string& folder, const std::string& neededBytesSentence);

// The product expansion's attempt loop. expandOnce rewinds the archive and expands it;
// when it returns the loop answers true, unless abortRequested is set: an abort the
// user confirmed too late to stop the expansion (at the last progress report) is still
// an abort. Once the user has confirmed the abort, an error (the component's bad
// checksum that a stop ends in, or any other) answers false without a word: the user
// has already chosen to stop. Otherwise an error that ClassifyExpansionError calls
// damage raises EInstallerDamaged with describeDamage's text for it, never asking; any
// other error is offered to askRetry with the disk-error text, where true starts the
// next attempt and false answers false.
bool RunAttempts(const std::function<void()>& expandOnce,
                 const std::function<bool(const std::string&)>& askRetry,
                 const bool& abortRequested,
                 const std::function<std::string(const std::exception&)>& describeDamage);

// Expands the welcome archive through expand. An abort that the user confirmed while it
// ran (the expansion then ends with an error, or returns when the abort came at the
// last progress report) is a cancel, answered false. Without an abort, damage (as
// ClassifyExpansionError says) raises EInstallerDamaged with describeDamage's text, and
// any other error is passed on. True when the expansion returned and no abort was asked
// for.
bool ExpandUnlessAborted(const std::function<void()>& expand, const bool& abortRequested,
                         const std::function<std::string(const std::exception&)>& describeDamage);

}  // namespace install
