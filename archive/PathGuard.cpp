#include "archive/PathGuard.h"

bool IsConfinedStoredPath(const std::string& stored) {
    if (stored.empty() || stored[0] == '\\' || stored[0] == '/') return false;
    size_t begin = 0;
    while (begin <= stored.size()) {
        size_t end = stored.find_first_of("\\/", begin);
        if (end == std::string::npos) end = stored.size();
        const std::string part = stored.substr(begin, end - begin);
        size_t dots = 0;
        bool onlyDotsAndSpaces = true;
        for (const char c : part) {
            if (static_cast<unsigned char>(c) < 0x20 || c == ':') return false;
            if (c == '.')
                ++dots;
            else if (c != ' ')
                onlyDotsAndSpaces = false;
        }
        if (onlyDotsAndSpaces && !part.empty() && part != "." && dots > 0) return false;
        begin = end + 1;
    }
    return true;
}

std::string TPathGuard::StoredPathOf(const std::string& f) const {
    if (!target_.empty() && f.compare(0, target_.size(), target_) == 0)
        return f.substr(target_.size());
    return f;
}

std::string TPathGuard::Check(const std::string& f) const {
    if (allowAbsolute_) return f;
    const bool underTarget = target_.empty() || f.compare(0, target_.size(), target_) == 0;
    if (!underTarget) return std::string();
    return IsConfinedStoredPath(StoredPathOf(f)) ? f : std::string();
}
