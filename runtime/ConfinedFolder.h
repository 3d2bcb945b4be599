// Writing files below a folder whose sub-folders someone else may have planted links
// in. Part of the platform layer: the native build implements it in Platform_posix.cpp
// (beside the attribute mapping it shares), the Windows build in ConfinedFolder_win32.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TFileStream;

namespace platform {

// What a name in a folder is, a link not followed. On Windows a link is any reparse
// point (a symbolic link, a junction, a mount point). Other: natively a device, a pipe
// or a socket.
enum class TNameKind { Missing, File, Folder, Link, Other };

// One folder, entered from a starting folder one name at a time, never through a
// link. Natively it holds the folder open and works relative to it (the openat
// family, O_NOFOLLOW), so a link put in place of a name after it was checked is not
// followed either; on Windows each name is checked by its attributes as it is entered.
// New files are made under fresh names and renamed into place within the folder, so a
// file is never written through a link, and a file already there is replaced whole
// or not at all.
class TConfinedFolder {
public:
    // Opens Folder as named: links within that name are followed (whoever named it
    // chose it). Raises EInOutError "Cannot open folder <Folder>".
    explicit TConfinedFolder(const std::string& folder);
    ~TConfinedFolder();
    TConfinedFolder(const TConfinedFolder&) = delete;
    TConfinedFolder& operator=(const TConfinedFolder&) = delete;

    // The folder's path: the starting folder and the names entered, '\' between them.
    const std::string& Path() const { return path_; }

    // What Name is in this folder.
    TNameKind Kind(const std::string& name) const;

    // Moves into the sub-folder Name, creating it when missing. Returns false, staying
    // where it is, when Name is a link. Raises EInOutError "Cannot create folder
    // <path>" when Name is a file or cannot be made.
    bool Enter(const std::string& name);

    // A new, empty file in this folder under a fresh name, Prefix + the process number
    // + "-" + a counter + ".tmp", that named nothing before; Name receives it. Null
    // when no file can be made here.
    std::unique_ptr<TFileStream> CreateNew(const std::string& prefix, std::string& name);

    // Gives File (made by CreateNew under Temp) the Windows attribute bits (natively:
    // read-only becomes the lack of write permission), closes it and renames it to
    // Target in this folder, replacing a file of that name, a read-only one too.
    // Returns false on failure: Target is then as it was, and Temp is still there.
    bool Commit(std::unique_ptr<TFileStream> file, const std::string& temp,
                uint32_t attributes, const std::string& target);

    // Deletes the file Name from this folder; false on failure.
    bool Remove(const std::string& name);

private:
    std::string Join(const std::string& name) const;

    std::string path_;
    int fd_ = -1;  // natively the open folder
};

}  // namespace platform
