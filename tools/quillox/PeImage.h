// Reading and rewriting the resources of a 32-bit Windows executable (PE32; PE32+ is
// read the same way), portably: every field is read and written byte by byte in
// little-endian order, nothing is cast onto a byte buffer. An executable is only ever
// read as data: nothing in it is loaded or run. quillox sfx uses it to put archives
// and build values into an installer stub; quillox l, t and x to read the archives of
// an installer.
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

// The bytes of an executable, read where asked: held in memory, or read from a file
// piece by piece, so that only the parts asked for are read.
class Source {
public:
    virtual ~Source() = default;
    virtual uint64_t Size() const = 0;
    // Copies n bytes from offset `at`; raises Error "truncated" when they run past
    // the end.
    virtual void Read(uint64_t at, uint8_t* out, size_t n) const = 0;
};

// A Source over bytes in memory, which must outlive it.
class MemorySource : public Source {
public:
    explicit MemorySource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    void Read(uint64_t at, uint8_t* out, size_t n) const override;

private:
    const std::vector<uint8_t>& bytes_;
};

// The headers of an image, as far as this module uses them.
struct Layout {
    struct Section {
        uint32_t headerAt, virtualSize, virtualAddress, rawSize, rawPointer;
    };
    uint32_t peOffset = 0, optOffset = 0, ddOffset = 0, sectionTable = 0;
    uint32_t numberOfRva = 0, fileAlign = 0, sectionAlign = 0, headersSize = 0;
    std::vector<Section> sections;
    uint32_t imageEnd = 0;  // end of the last section's raw data (or of the headers)

    // Data directory `index`: its RVA (field 0) or size (field 1); 0 when absent.
    uint32_t Dir(const Source& file, int index, int field) const;
};

// Reads the headers of the image in `file`. Raises Error "not a PE32 executable"
// (with the reason) for anything that is not a well-formed image: no MZ or PE
// signature, an optional header of another kind, a section table or section data
// outside the file.
Layout ReadLayout(const Source& file);

// Where one resource's bytes lie in the file.
struct ResourceEntry {
    ResourceId type, name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    uint64_t offset = 0;  // from the start of the file
    uint32_t size = 0;
};

// Every resource of the image in `file`, in directory order, without reading their
// bytes: only the headers and the resource directory are read. Raises the errors of
// ReadLayout, Error "no resources" for an image without a resource directory, and
// Error "damaged resource directory" for offsets outside the section that holds it,
// more than three levels, or data that overlaps (more than 65536 resources, or more
// bytes than the section holds).
std::vector<ResourceEntry> ReadResourceDirectory(const Source& file);

// The first entry of that type and name in any language, names compared as Windows
// compares them (ASCII letters without regard to case); nullptr when there is none.
const ResourceEntry* FindResource(const std::vector<ResourceEntry>& entries,
                                  const ResourceId& type, const ResourceId& name);

class PeImage {
public:
    // Parses `image` (a whole executable file). Raises the errors of ReadLayout, and
    // Error with the reason when its layout is one this module cannot rewrite into a
    // valid image: no resource section, headers that reach into a section, sections
    // out of address order, overlapping or not aligned, a resource section followed
    // by any section other than the base relocations, a data directory (other than
    // the resources, relocations and signature) that names an address in or after
    // the resource section, data after the last section other than a signature.
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
    Layout layout_;
    size_t rsrc_ = 0;         // index of the resource section
    bool hasReloc_ = false;   // the section after it holds the base relocations

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
