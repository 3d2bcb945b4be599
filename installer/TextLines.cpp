#include "installer/TextLines.h"

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
