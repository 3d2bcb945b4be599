// The log of an installer run (/LOG=<file>): plain text appended to a file, lines ended
// by CR LF, each run beginning with a header line that carries the date and time, so
// that runs appended to one file can be told apart. A log that cannot be written never
// stops the install: each line is appended on its own (the file opened, written at its
// end and closed again), and a line that cannot be written is dropped.
#pragma once

#include <functional>
#include <string>

namespace install {

class TInstallLog {
public:
    // Appends bytes at the end of the file at path (creating it when missing); true
    // when all were written.
    using TAppender = std::function<bool(const std::string& path, const std::string& bytes)>;

    // No log: every line is dropped.
    TInstallLog() = default;
    // A log appended to path with append; an empty path means no log.
    TInstallLog(std::string path, TAppender append);

    bool Enabled() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

    // The run's first line: "=== Quorvane Installer run of <when> ===", when being the
    // local date and time as "YYYY-MM-DD hh:mm:ss".
    void Begin(const std::string& when);
    // One entry. Text over several lines (message texts separate their paragraphs by
    // CR CR) becomes the first line and, below it, each further non-empty line indented
    // by four blanks.
    void Line(const std::string& text);

    // False once a line could not be written.
    bool Good() const { return good_; }

private:
    std::string path_;
    TAppender append_;
    bool good_ = true;
};

// "YYYY-MM-DD hh:mm:ss".
std::string LogTimeText(int year, int month, int day, int hour, int minute, int second);

}  // namespace install
