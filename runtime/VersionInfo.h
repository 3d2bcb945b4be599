// Reading the version information of a Windows executable (the resource of type 16,
// name 1), portably: every field is read byte by byte in little-endian order. The
// installer reads its own build values with it, and quillox (tools/quillox/PeImage.h)
// reads, edits and writes back an installer stub's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Exception.h"

namespace pe {

// Every fault of the executable readers and writers: a damaged or unsupported image
// or version resource, a write that failed. The message says what is wrong, without
// the file's name (the caller adds it).
// (The runtime's Exception, not std::runtime_error: the installer reads its own version
// information with this, and the library's error types would bring a second string
// implementation into it.)
struct Error : Exception {
    using Exception::Exception;
};

// One block of a version resource: key, value (text values as UTF-16 bytes with their
// terminating NUL), children. Type 1 marks text, 0 binary.
struct VersionNode {
    std::u16string key;
    uint16_t type = 0;
    std::vector<uint8_t> value;
    std::vector<VersionNode> children;
};

// Parses a version resource. Raises Error "damaged version information" when a block
// runs past its parent or its key has no terminating NUL.
VersionNode ParseVersionInfo(const std::vector<uint8_t>& bytes);
// The text value `key` in string table `table`, or nullptr when either is missing.
VersionNode* FindVersionString(VersionNode& root, const std::string& table,
                               const std::string& key);
// Text of a text value (up to its NUL; characters above 0xFF become '?').
std::string VersionText(const VersionNode& node);

}  // namespace pe
