#include "installer/TextLines.h"

#include "installer/FileReplace.h"
#include "runtime/Exception.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"

TLines SplitLines(const std::string& text) {
    TLines lines;
    size_t begin = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(begin, i - begin));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            begin = i;
        } else {
            ++i;
        }
    }
    if (begin < text.size()) lines.push_back(text.substr(begin));
    return lines;
}

std::string JoinLines(const TLines& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string ReadTextFile(const std::string& path) {
    TFileStream file(path, TFileMode::fmOpenRead);
    const int64_t size = file.Size();
    std::string text(static_cast<size_t>(size), '\0');
    file.ReadBuffer(text.data(), static_cast<int32_t>(size));
    return text;
}

void WriteTextFile(const std::string& path, const std::string& text) {
    TFileStream file(path, TFileMode::fmCreate);
    file.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

namespace {
// path with its file name's extension (if any) replaced by ext: "C:\W\wininit.ini" and
// ".$$$" give "C:\W\wininit.$$$". Short names, since the folder may have no long ones.
std::string BesideName(const std::string& path, const std::string& ext) {
    const auto nameAt = path.find_last_of("\\/:");
    const auto dot = path.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (nameAt == std::string::npos || dot > nameAt);
    return (hasExt ? path.substr(0, dot) : path) + ext;
}
}  // namespace

void ReplaceTextFile(const std::string& path, const std::string& text) {
    const uint32_t attrs = platform::GetFileAttributes(path);
    if (attrs != platform::kInvalidFileAttributes &&
        (attrs & (platform::kAttrReadOnly | platform::kAttrDirectory)))
        throw EFCreateError(path);
    const std::string fresh = BesideName(path, ".$$$");
    try {
        WriteTextFile(fresh, text);
    } catch (...) {
        platform::DeleteFile(fresh);
        throw;
    }
    if (!ReplaceWithFresh(fresh, path, BesideName(path, ".~$$"))) {
        platform::DeleteFile(fresh);
        throw EFCreateError(path);
    }
}
