#include "archive/PathGuard.h"

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Windows reads a name up to its first dot (or a colon) and drops trailing blanks
// before it asks whether the name is a device.
bool IsDeviceComponent(const std::string& part) {
    size_t end = part.find_first_of(".:");
    if (end == std::string::npos) end = part.size();
    while (end > 0 && part[end - 1] == ' ') --end;
    std::string base;
    for (size_t i = 0; i < end; ++i) base += Upper(part[i]);
    if (base == "NUL" || base == "CON" || base == "AUX" || base == "PRN" || base == "CONIN$" ||
        base == "CONOUT$")
        return true;
    if (base.size() != 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
        return false;
    const auto digit = static_cast<unsigned char>(base[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

}  // namespace

bool NamesWindowsDevice(const std::string& path) {
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find_first_of("\\/", begin);
        if (end == std::string::npos) end = path.size();
        if (IsDeviceComponent(path.substr(begin, end - begin))) return true;
        begin = end + 1;
    }
    return false;
}

namespace {

// The first fault of a relative stored path's components, or nullptr. `strict` also
// refuses empty and "." components.
const char* ComponentFault(const std::string& stored, bool strict) {
    if (NamesWindowsDevice(stored)) return "a Windows device name";
    size_t begin = 0;
    while (begin <= stored.size()) {
        size_t end = stored.find_first_of("\\/", begin);
        if (end == std::string::npos) end = stored.size();
        const std::string part = stored.substr(begin, end - begin);
        size_t dots = 0;
        bool onlyDotsAndSpaces = true;
        for (const char c : part) {
            if (static_cast<unsigned char>(c) < 0x20) return "a control character";
            if (c == ':') return "a colon (a drive letter or a stream name)";
            if (c == '.')
                ++dots;
            else if (c != ' ')
                onlyDotsAndSpaces = false;
        }
        if (strict && part.empty()) return "an empty component";
        if (strict && part == ".") return "a \".\" component";
        if (onlyDotsAndSpaces && !part.empty() && part != "." && dots > 0)
            return "a component of dots and blanks only (such as \"..\")";
        begin = end + 1;
    }
    return nullptr;
}

}  // namespace

bool IsConfinedStoredPath(const std::string& stored) {
    if (stored.empty() || stored[0] == '\\' || stored[0] == '/') return false;
    return ComponentFault(stored, false) == nullptr;
}

const char* StoredPathFault(const std::string& stored) {
    size_t lead = 0;
    while (lead < 2 && lead < stored.size() && stored[lead] == '\\') ++lead;
    if (lead == stored.size()) return "an empty path";
    if (stored[lead] == '/') return "a leading '/'";
    return ComponentFault(stored.substr(lead), true);
}

std::string TPathGuard::StoredPathOf(const std::string& f) const {
    if (!target_.empty() && f.compare(0, target_.size(), target_) == 0)
        return f.substr(target_.size());
    return f;
}

std::string TPathGuard::Check(const std::string& f) const {
    if (allowAbsolute_) return NamesWindowsDevice(f) ? std::string() : f;
    const bool underTarget = target_.empty() || f.compare(0, target_.size(), target_) == 0;
    if (!underTarget) return std::string();
    return IsConfinedStoredPath(StoredPathOf(f)) ? f : std::string();
}
