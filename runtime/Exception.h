// Exceptions of the runtime. Every failure the system reports is an exception of a
// named class deriving from Exception and carrying only its message text.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

#ifdef _WIN32
// <windows.h> maps FormatMessage onto FormatMessageA by macro; here the name is ours.
#undef FormatMessage
#endif

// Formats a message the way the runtime's fixed texts are written: "%s" and "%d"
// are replaced in order by the given arguments.
std::string FormatMessage(const char* pattern, const std::string& arg);
std::string FormatMessage(const char* pattern, long long arg);

// Input/output error of the runtime (folder creation, file access).
class EInOutError : public Exception {
public:
    EInOutError(int errorCode, std::string message)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// "Stream read error": fewer bytes than asked for arrived.
class EReadError : public EStreamError {
public:
    EReadError() : EStreamError("Stream read error") {}
};

// "Stream write error": a write stored fewer bytes than it was given.
class EWriteError : public EStreamError {
public:
    EWriteError() : EStreamError("Stream write error") {}
};

// "Cannot create file %s"
class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& path)
        : EStreamError(FormatMessage("Cannot create file %s", path)) {}
};

// "Cannot open file %s"
class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& path)
        : EStreamError(FormatMessage("Cannot open file %s", path)) {}
};

// "Resource %s not found"
class EResNotFound : public Exception {
public:
    explicit EResNotFound(const std::string& name)
        : Exception(FormatMessage("Resource %s not found", name)) {}
};

// "List index out of bounds (%d)"
class EStringListError : public Exception {
public:
    explicit EStringListError(long long index)
        : Exception(FormatMessage("List index out of bounds (%d)", index)) {}
};
