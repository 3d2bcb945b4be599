// Reading and rewriting the resources of a 32-bit Windows executable (PE32; PE32+ is
// read the same way), portably: every field is read and written byte by byte in
// little-endian order, nothing is cast onto a byte buffer. quillox sfx uses it to put
// archives and build values into an installer stub.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/VersionInfo.h"

namespace pe {

// A resource type, name: a number or a string (stored as UTF-16, compared as given).
struct ResourceId {
    bool isName = false;
    uint16_t id = 0;
    std::u16string name;

    static ResourceId Number(uint16_t n) { return {false, n, {}}; }
    static ResourceId Name(const std::string& ascii);
    bool operator==(const ResourceId& o) const {
        return isName == o.isName && (isName ? name == o.name : id == o.id);
    }
    // The order of a resource directory: named entries first, by their UTF-16 code
    // units, then numbered entries ascending.
    bool operator<(const ResourceId& o) const;
};

// One resource: its bytes are held in memory, or read from `file` (of `size` bytes)
// only when the image is written, so that large archives never sit in memory.
struct Resource {
    ResourceId type, name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    std::vector<uint8_t> bytes;
    std::string file;
    uint32_t size = 0;  // bytes.size(), or the size of file
};

class PeImage {
public:
    // Parses `image` (a whole executable file). Raises Error "not a PE32 executable"
    // (with the reason) for anything that is not a well-formed image, and Error with
    // the reason when its layout is one this module cannot rewrite: no resource
    // section, a resource section followed by any section other than the base
    // relocations, data after the last section other than a signature.
    explicit PeImage(std::vector<uint8_t> image);

    // Every resource of the image, in directory order. Raises Error for a damaged
    // resource directory (offsets outside the section, more than three levels).
    std::vector<Resource> Resources() const;

    // Writes the image to `path` with its resource section rebuilt to hold exactly
    // `resources` (same order rules as a resource compiler: sorted by type, name,
    // language). Sections before the resource section keep their bytes and
    // addresses; the base relocations, when they follow, move up behind it and the
    // data directory follows them. The section sizes, SizeOfImage,
    // SizeOfInitializedData and the checksum are recomputed; a signature the image
    // carried is dropped (it cannot be valid any more); nothing follows the last
    // section. Raises Error when the result would exceed 2 GB or a write fails; the
    // file may then be partly written (callers write to a temporary name).
    void Write(const std::string& path, std::vector<Resource> resources) const;

private:
    std::vector<uint8_t> image_;
    uint32_t peOffset_ = 0, optOffset_ = 0, ddOffset_ = 0, sectionTable_ = 0;
    uint32_t numberOfRva_ = 0, fileAlign_ = 0, sectionAlign_ = 0;
    struct Section {
        uint32_t headerAt, virtualSize, virtualAddress, rawSize, rawPointer;
    };
    std::vector<Section> sections_;
    size_t rsrc_ = 0;         // index of the resource section
    bool hasReloc_ = false;   // the section after it holds the base relocations
    uint32_t imageEnd_ = 0;   // end of the last section's raw data

    uint32_t Dir(int index, int field) const;
};

// ---- version information (the resource of type 16, name 1) -------------------------
// Reading it: runtime/VersionInfo.h.

// The bytes of `root` laid out as the version functions read them: every block
// starts on a 4-byte boundary, lengths count the block without its trailing padding,
// a text value's length counts its characters with the NUL.
std::vector<uint8_t> SerializeVersionInfo(const VersionNode& root);
void SetVersionText(VersionNode& node, const std::string& text);
// Sets the file and product version numbers of the fixed part (VS_FIXEDFILEINFO).
// Raises Error when the root carries no fixed part.
void SetFixedVersion(VersionNode& root, const uint16_t version[4]);

}  // namespace pe
