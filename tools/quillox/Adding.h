// quillox a: which files go into an archive under which stored paths, and writing
// them so that the archive on disk is always either the old one or the new one.
// quillox sfx packs its two archives with the same code.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "runtime/Exception.h"

struct AddRequest {
    std::string archive;
    std::string method = "LH5";  // of a new archive; an existing one keeps its own
    bool methodGiven = false;
    int32_t key = 0;
    std::string dir;     // -C: the folder being packed (empty: the current folder)
    std::string prefix;  // put before every stored path made from `paths`
    int codePage = 0;    // stored paths converted from UTF-8 to it; 0 keeps their bytes
    std::vector<std::pair<std::string, std::string>> storedPaths;  // NAME, FILE
    std::vector<std::string> paths;  // below `dir`
};

// One file to add. Only its path below the folder is kept (a few dozen bytes a file,
// so that a hundred thousand files take little memory); where it is read and what it
// is stored as follow from the request.
struct FileToAdd {
    std::string relative;  // its path below the folder, '\' separated (NAME for --stored-path)
    int64_t size = 0;
    int named = -1;        // for a --stored-path file, its index in storedPaths
};

// Where the file is read: below the folder being packed (or FILE of --stored-path).
std::string FileOf(const AddRequest& request, const FileToAdd& file);
// Its stored path as UTF-8 (the prefix and its path, or NAME), before the code page.
std::string StoredPathOf(const AddRequest& request, const FileToAdd& file);

// A request that is wrong whatever the files hold: a PATH outside the folder being
// packed, a prefix no reader can use, an unknown code page.
struct AddUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A failure while one file was added; the message says what, File() which file.
class EAddFailed : public Exception {
public:
    EAddFailed(std::string file, const std::string& message)
        : Exception(message), file_(std::move(file)) {}
    const std::string& File() const { return file_; }

private:
    std::string file_;
};

// The files of the request, each with its stored path: the PATHs below `dir` (folders
// walked in name order), then the --stored-path files. Symbolic links are followed
// only inside the folder being packed: a link to anything outside it, or to nothing,
// is a problem; a link back to a folder that holds it (a loop) is passed over with a
// note, as are the archive itself and anything that is not a regular file. Every file
// that cannot be stored adds one line "<file>: <why>" to `problems`: a name that a
// reader would refuse or read as another path (StoredPathFault, a '\' inside a file
// name), a name the code page cannot hold, a stored path that another file has too
// (letter case ignored), a file or a sum of files beyond 2147483647 bytes. Raises
// AddUsageError for a bad request and Exception for a folder that cannot be read.
std::vector<FileToAdd> CollectFiles(const AddRequest& request, std::vector<std::string>& problems);

// Called with the number of bytes of the new files read so far.
using AddProgress = std::function<void(int64_t done)>;

// Writes `files` into the archive: a new one made with the request's method, or the
// existing one with its entries kept, except those whose stored path a new file has
// (letter case ignored), which the new file replaces. Empty files come first, since
// readers stop once the expanded sizes reach the archive's total, then the entries
// kept, then the other new files, each in the order given. The archive is written
// under a temporary name beside it and renamed into place when complete; a failure or
// a stop request (Ctrl-C, hang-up, termination) removes the temporary file and leaves
// the old archive, or the absence of one, exactly as it was. Raises EAddFailed for a
// file that cannot be added, Exception for the archive (damaged, read-only, cannot be
// replaced) and for a stop request ("interrupted; ...").
void WriteArchive(const AddRequest& request, const std::vector<FileToAdd>& files,
                  const AddProgress& progress);
