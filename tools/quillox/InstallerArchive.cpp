#include "tools/quillox/InstallerArchive.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Stream.h"
#include "tools/quillox/PeImage.h"

namespace {

// An executable file read where the PE reader asks, a page at a time; the headers and
// the resource directory are a few small reads.
class TStreamSource : public pe::Source {
public:
    explicit TStreamSource(TStream& file) : file_(file), size_(static_cast<uint64_t>(file.Size())) {}
    uint64_t Size() const override { return size_; }
    void Read(uint64_t at, uint8_t* out, size_t n) const override {
        if (at > size_ || n > size_ - at) throw pe::Error("truncated");
        while (n > 0) {
            const uint64_t page = at / kPage * kPage;
            if (page != pageAt_ || page_.empty()) Load(page);
            const size_t from = static_cast<size_t>(at - page);
            const size_t take = std::min(n, page_.size() - from);
            std::memcpy(out, page_.data() + from, take);
            out += take;
            at += take;
            n -= take;
        }
    }

private:
    static constexpr uint64_t kPage = 4096;
    void Load(uint64_t page) const {
        page_.resize(static_cast<size_t>(std::min(kPage, size_ - page)));
        file_.SetPosition(static_cast<int64_t>(page));
        file_.ReadBuffer(page_.data(), static_cast<int32_t>(page_.size()));
        pageAt_ = page;
    }
    TStream& file_;
    uint64_t size_;
    mutable std::vector<uint8_t> page_;
    mutable uint64_t pageAt_ = 0;
};

// `size` bytes of a stream from `start` on, seen as a stream of their own.
class TStreamWindow : public TStream {
public:
    TStreamWindow(std::unique_ptr<TStream> file, int64_t start, int64_t size)
        : file_(std::move(file)), start_(start), size_(size) {}
    int32_t Read(void* buffer, int32_t count) override {
        if (pos_ >= size_ || count <= 0) return 0;
        const auto n = static_cast<int32_t>(std::min<int64_t>(count, size_ - pos_));
        file_->SetPosition(start_ + pos_);
        const int32_t got = file_->Read(buffer, n);
        if (got > 0) pos_ += got;
        return got;
    }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                             : origin == TSeekOrigin::soCurrent ? pos_
                                                                : size_;
        pos_ = std::max<int64_t>(0, base + offset);
        return pos_;
    }
    int64_t Size() override { return size_; }

private:
    std::unique_ptr<TStream> file_;
    int64_t start_, size_, pos_ = 0;
};

}  // namespace

bool LooksLikeExecutable(TStream& file) {
    uint8_t mz[2] = {};
    file.SetPosition(0);
    const bool executable = file.Read(mz, 2) == 2 && mz[0] == 'M' && mz[1] == 'Z';
    file.SetPosition(0);
    return executable;
}

std::unique_ptr<TStream> OpenInstallerArchive(std::unique_ptr<TStream> file,
                                              const std::string& name) {
    std::vector<pe::ResourceEntry> entries;
    try {
        entries = pe::ReadResourceDirectory(TStreamSource(*file));
    } catch (const pe::Error& e) {
        if (std::string(e.what()) == "no resources")
            throw Exception("has no archive " + name + " (it holds no resources)");
        throw Exception(e.what());
    }
    const pe::ResourceEntry* archive =
        pe::FindResource(entries, pe::ResourceId::Name("TQUILLOX"), pe::ResourceId::Name(name));
    if (!archive)
        throw Exception("has no archive " + name + " (no TQUILLOX resource of that name)");
    return std::make_unique<TStreamWindow>(std::move(file), static_cast<int64_t>(archive->offset),
                                           archive->size);
}
