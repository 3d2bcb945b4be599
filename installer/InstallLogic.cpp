#include "installer/InstallLogic.h"

#include <exception>

#include "installer/CommandLine.h"
#include "installer/Integrity.h"
#include "runtime/Exception.h"

namespace install {

std::string FileNamePart(const std::string& path) {
    const auto cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FlatTargetPath(const std::string& targetDir, const std::string& filepath) {
    const std::string name = FileNamePart(filepath);
    if (targetDir.empty()) throw Exception("No folder to write " + name + " into");
    if (name.empty() || name == "." || name == "..")
        throw Exception("Cannot create file " + targetDir + "\\" + name);
    return targetDir + "\\" + name;
}

std::string TempFolderErrorText(const std::string& folder) {
    return "Cannot create temporary folder " + folder;
}

std::string DiskErrorText(const std::string& message) {
    return "There was an error writing to disk.\r\rError: " + message +
           "\r\rPlease verify files are not locked and there is sufficient disk space and "
           "click OK.";
}

std::string FatalErrorText(const std::string& message) {
    return "Tellivox encountered the following unrecoverable error:\r\r" + message +
           "\r\rPlease contact product support for assistance.";
}

std::string FreshFolderErrorText(const std::string& parent) {
    return "Cannot create a folder in " + parent;
}

uint32_t MakeFreshFolder(uint32_t n, const std::function<TCreateResult(uint32_t)>& tryNumber) {
    constexpr uint32_t kNumbers = 254;
    uint32_t k = (n - 1) % kNumbers + 1;
    for (uint32_t tried = 0; tried < kNumbers; ++tried, k = k % kNumbers + 1) {
        switch (tryNumber(k)) {
        case TCreateResult::Created: return k;
        case TCreateResult::Failed: return 0;
        case TCreateResult::Taken: break;
        }
    }
    return 0;
}

uint32_t DrawTempNameNumber(uint32_t seed) {
    // One step of a linear congruential generator, scaled to 0..253 by the high bits.
    const uint32_t next = seed * 134775813u + 1u;
    return 1u + static_cast<uint32_t>((static_cast<uint64_t>(next) * 254u) >> 32);
}

std::string SetupCommandLine(const std::string& targetDir,
                             const std::vector<std::string>& arguments) {
    std::string line = "\"" + targetDir + "\\setup.exe\"";
    if (!arguments.empty()) line += " " + JoinArguments(arguments);
    return line;
}

std::vector<std::string> MissingFolders(const std::string& fullPath,
                                        const std::function<bool(const std::string&)>& isFolder) {
    // The root: "C:\", or "\\server\share" of a network path.
    size_t root = 0;
    if (fullPath.size() >= 3 && fullPath[1] == ':' && fullPath[2] == '\\') {
        root = 3;
    } else if (fullPath.compare(0, 2, "\\\\") == 0) {
        const size_t server = fullPath.find('\\', 2);
        root = server == std::string::npos ? fullPath.size() : fullPath.find('\\', server + 1);
        if (root == std::string::npos) root = fullPath.size();
    }
    std::vector<std::string> missing;
    std::string path = fullPath;
    while (path.size() > root && path.back() == '\\') path.pop_back();
    while (path.size() > root && !isFolder(path)) {
        missing.insert(missing.begin(), path);
        const size_t cut = path.find_last_of('\\');
        if (cut == std::string::npos || cut < root) break;
        path.resize(cut);
    }
    return missing;
}

std::string NoRoomText(const std::string& folder, const std::string& neededBytesSentence) {
    return "Not enough space for Quorvane in " + folder + ". " + neededBytesSentence +
           " Under /S the installer cannot ask for another folder: name one with /D=.";
}

bool RunAttempts(const std::function<void()>& expandOnce,
                 const std::function<bool(const std::string&)>& askRetry,
                 const bool& abortRequested,
                 const std::function<std::string(const std::exception&)>& describeDamage) {
    for (;;) {
        try {
            expandOnce();
            return !abortRequested;
        } catch (const std::exception& e) {
            if (abortRequested) return false;
            if (ClassifyExpansionError(e) == TExpansionError::Damage)
                throw EInstallerDamaged(describeDamage(e));
            if (!askRetry(DiskErrorText(e.what()))) return false;
        }
    }
}

bool ExpandUnlessAborted(const std::function<void()>& expand, const bool& abortRequested,
                         const std::function<std::string(const std::exception&)>& describeDamage) {
    try {
        expand();
        return !abortRequested;
    } catch (const std::exception& e) {
        if (abortRequested) return false;
        if (ClassifyExpansionError(e) == TExpansionError::Damage)
            throw EInstallerDamaged(describeDamage(e));
        throw;
    }
}

}  // namespace install
