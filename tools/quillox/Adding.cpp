#include "tools/quillox/Adding.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <unordered_map>

#include "archive/PathGuard.h"
#include "archive/Quillox.h"
#include "runtime/Platform.h"
#include "runtime/Stream.h"
#include "tools/quillox/CodePage.h"
#include "tools/quillox/StopRequest.h"
#include "tools/quillox/SystemPath.h"

namespace fs = std::filesystem;

namespace {

void Note(const std::string& where, const std::string& what) {
    std::fflush(stdout);
    std::fprintf(stderr, "quillox: %s: %s\n", where.c_str(), what.c_str());
}

// The stored form of a PATH given on the command line, relative to -C: '\'
// separators, "." components dropped, a leading '/' removed with a note.
std::string StoredFormOf(const std::string& given) {
    std::string s = given;
    if (!s.empty() && s[0] == '/') {
        Note(given, "removing leading '/' from the stored path");
        s.erase(0, s.find_first_not_of('/'));
    }
    std::string stored;
    size_t begin = 0;
    while (begin < s.size()) {
        size_t end = s.find('/', begin);
        if (end == std::string::npos) end = s.size();
        const std::string part = s.substr(begin, end - begin);
        if (!part.empty() && part != ".") stored += (stored.empty() ? "" : "\\") + part;
        begin = end + 1;
    }
    if (!stored.empty() && !IsConfinedStoredPath(stored))
        throw AddUsageError(given + ": a stored path must stay below -C (no '..', no ':', "
                                    "no Windows device name)");
    return stored;
}

// True when `path` is `folder` or lies below it (both canonical).
bool IsWithin(const fs::path& path, const fs::path& folder) {
    const fs::path rel = path.lexically_relative(folder);
    return !rel.empty() && *rel.begin() != "..";
}

fs::path BaseOf(const AddRequest& r) { return r.dir.empty() ? fs::path() : fs::path(r.dir); }

// A stored path with its letters in upper case, hashed: two paths that a reader takes
// for one have the same key (equal keys are confirmed on the paths themselves).
size_t KeyOf(const std::string& stored) { return std::hash<std::string>()(CaseFolded(stored)); }

// Walks the folder being packed and gathers the files with their paths below it.
class Collector {
public:
    Collector(const AddRequest& r, std::vector<std::string>& problems)
        : request_(r), problems_(problems), base_(BaseOf(r)) {
        std::error_code ec;
        baseCanonical_ = fs::canonical(r.dir.empty() ? fs::path(".") : base_, ec);
        if (ec || !fs::is_directory(baseCanonical_, ec))
            throw Exception("Cannot open folder " + r.dir);
        if (fs::exists(r.archive, ec)) archive_ = fs::canonical(r.archive, ec);
    }

    std::vector<FileToAdd> Files() && { return std::move(files_); }

    void Path(const std::string& given) {
        const std::string relative = StoredFormOf(given);
        const fs::path normal = fs::path(given).lexically_normal();
        const fs::path full = normal != "." ? base_ / normal : base_.empty() ? normal : base_;
        std::error_code ec;
        if (relative.empty() && !fs::is_directory(full, ec))
            throw AddUsageError(given + ": names no file below -C");
        Visit(full, relative);
    }

    void StoredPath(int index) {
        const fs::path full = base_ / fs::path(request_.storedPaths[index].second);
        std::error_code ec;
        if (!fs::is_regular_file(full, ec)) throw Exception("Cannot open file " + full.string());
        Add(full, {request_.storedPaths[index].first, 0, index});
    }

private:
    void Problem(const fs::path& file, const std::string& why) {
        problems_.push_back(file.string() + ": " + why);
    }

    void Visit(const fs::path& full, const std::string& relative) {
        std::error_code ec;
        const fs::file_status link = fs::symlink_status(full, ec);
        if (ec || !fs::exists(link)) throw Exception("Cannot open file " + full.string());
        fs::path real = full;
        if (fs::is_symlink(link)) {
            real = fs::canonical(full, ec);
            if (ec) return Problem(full, "a symbolic link to nothing");
            if (!IsWithin(real, baseCanonical_))
                return Problem(full, "a symbolic link to " + real.string() +
                                         ", outside the folder being packed");
            if (fs::is_directory(real, ec)) {
                const fs::path here = fs::canonical(full.parent_path(), ec);
                if (IsWithin(here, real) ||
                    std::find(walking_.begin(), walking_.end(), real) != walking_.end()) {
                    Note(full.string(), "a symbolic link to a folder that holds it; not followed");
                    return;
                }
            }
        }
        const fs::file_status st = fs::status(real, ec);
        if (fs::is_directory(st)) {
            walking_.push_back(fs::canonical(real, ec));
            // Names as UTF-8 text (what std::filesystem gives on every platform), each
            // with the path that reaches it.
            std::vector<std::pair<std::string, fs::path>> children;
            for (fs::directory_iterator it(full, ec), end; !ec && it != end; it.increment(ec)) {
                const fs::path name = it->path().filename();
                children.emplace_back(name.string(), full == "." ? name : it->path());
            }
            if (ec) throw Exception("Cannot read folder " + full.string() + " (" + ec.message() + ")");
            std::sort(children.begin(), children.end());
            for (const auto& [name, child] : children) {
                if (name.find('\\') != std::string::npos) {
                    Problem(child, "a '\\' in its name, which readers take for a folder separator");
                    continue;
                }
                TStopRequestGuard::ThrowIfRequested();
                Visit(child, relative.empty() ? name : relative + "\\" + name);
            }
            walking_.pop_back();
        } else if (fs::is_regular_file(st)) {
            if (!archive_.empty() && fs::equivalent(real, archive_, ec)) {
                Note(full.string(), "the archive itself; left out");
                return;
            }
            Add(full, {relative, 0, -1});
        } else {
            Note(full.string(), "not a regular file, left out");
        }
    }

    void Add(const fs::path& full, FileToAdd f) {
        std::error_code ec;
        f.size = static_cast<int64_t>(fs::file_size(full, ec));
        if (ec) throw Exception("Cannot open file " + full.string());
        const std::string stored = StoredPathOf(request_, f);
        if (const char* fault = StoredPathFault(stored))
            return Problem(full, "cannot be stored as " + stored + ": " + fault);
        if (request_.codePage != 0) {
            std::string converted, why;
            if (!Utf8ToCodePage(stored, request_.codePage, converted, why))
                return Problem(full, "cannot be stored as " + stored + ": " + why);
        }
        if (f.size > INT32_MAX)
            return Problem(full, "larger than 2147483647 bytes, the most an archive entry holds");
        const size_t key = KeyOf(stored);
        const std::string folded = CaseFolded(stored);
        for (auto [at, end] = storedAs_.equal_range(key); at != end; ++at) {
            const FileToAdd& other = files_[at->second];
            if (CaseFolded(StoredPathOf(request_, other)) == folded)
                return Problem(full, "stored as " + stored + " like " + FileOf(request_, other) +
                                         " (letter case ignored)");
        }
        storedAs_.emplace(key, files_.size());
        files_.push_back(std::move(f));
    }

    const AddRequest& request_;
    std::vector<std::string>& problems_;
    fs::path base_, baseCanonical_, archive_;
    std::vector<fs::path> walking_;  // the folders being walked, canonical
    std::unordered_multimap<size_t, size_t> storedAs_;  // KeyOf(stored path) -> index
    std::vector<FileToAdd> files_;
};

// A prefix is put before stored paths; it may be a path from a drive's root or a
// network path, and must otherwise be storable itself.
void CheckPrefix(const std::string& prefix) {
    std::string p = prefix;
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (p.find_first_not_of('\\') == std::string::npos) return;
    if (const char* fault = StoredPathFault(p))
        throw AddUsageError("--prefix '" + prefix + "': " + fault);
}

}  // namespace

std::string FileOf(const AddRequest& r, const FileToAdd& f) {
    if (f.named >= 0) return (BaseOf(r) / fs::path(r.storedPaths[f.named].second)).string();
    std::string path = f.relative;
    std::replace(path.begin(), path.end(), '\\', '/');
    return (BaseOf(r) / fs::u8path(path)).string();
}

std::string StoredPathOf(const AddRequest& r, const FileToAdd& f) {
    return f.named >= 0 ? f.relative : r.prefix + f.relative;
}

std::vector<FileToAdd> CollectFiles(const AddRequest& r, std::vector<std::string>& problems) {
    if (r.codePage != 0 && !IsKnownCodePage(r.codePage))
        throw AddUsageError("code page " + std::to_string(r.codePage) +
                            " is not supported (known: " + KnownCodePages() + ")");
    CheckPrefix(r.prefix);
    Collector c(r, problems);
    for (const auto& p : r.paths) c.Path(p);
    for (size_t i = 0; i < r.storedPaths.size(); ++i) c.StoredPath(static_cast<int>(i));
    std::vector<FileToAdd> files = std::move(c).Files();
    int64_t total = 0;
    for (const auto& f : files) total += f.size;
    if (total > INT32_MAX)
        problems.push_back((r.dir.empty() ? std::string(".") : r.dir) + ": the files add up to " +
                           std::to_string(total) +
                           " bytes; an archive holds at most 2 GB (2147483647 bytes)");
    return files;
}

namespace {

// The archive's new contents, written under a temporary name beside it; removed unless
// renamed into place.
class TTempArchive {
public:
    explicit TTempArchive(const std::string& target) : target_(target) {
        path_ = target + ".quillox-" + std::to_string(::getpid()) + ".tmp";
        for (int n = 1; platform::GetFileAttributes(path_) != platform::kInvalidFileAttributes; ++n)
            path_ = target + ".quillox-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
        stream_ = std::make_unique<TFileStream>(path_, TFileMode::fmCreate);
    }
    ~TTempArchive() {
        if (stream_) stream_.reset();
        if (!path_.empty()) platform::DeleteFile(path_);
    }
    TTempArchive(const TTempArchive&) = delete;
    TTempArchive& operator=(const TTempArchive&) = delete;

    TFileStream& Stream() { return *stream_; }

    // Puts the file in place of the archive, with the permissions of the archive it
    // replaces.
    void Commit(bool replacing) {
        stream_.reset();
        std::error_code ec;
        if (replacing) fs::permissions(path_, fs::status(target_, ec).permissions(), ec);
        TStopRequestGuard::ThrowIfRequested();
        fs::rename(path_, target_, ec);
        if (ec) throw Exception("Cannot replace " + target_ + " (" + ec.message() + ")");
        path_.clear();
    }

private:
    std::string target_, path_;
    std::unique_ptr<TFileStream> stream_;
};

// The stored path of a file as it goes into the archive: in the code page when the
// request names one (CollectFiles has checked that it converts).
std::string StoredBytes(const AddRequest& r, const FileToAdd& f) {
    std::string stored = StoredPathOf(r, f), converted, why;
    if (r.codePage == 0) return stored;
    if (!Utf8ToCodePage(stored, r.codePage, converted, why))
        throw EAddFailed(FileOf(r, f), "cannot be stored as " + stored + ": " + why);
    return converted;
}

// The archive being added to, walked once: where each entry's header is, and an index
// of their stored paths, so that a new file finds the entry it replaces.
class TOldArchive {
public:
    TOldArchive(TQuillox& q, const std::string& path, std::string& method)
        : file_(path, TFileMode::fmOpenRead) {
        if (file_.Size() < kArchiveHeaderSize) throw EInvalidHeader();
        header_ = q.ReadArchiveHeader(file_, method);
        const int64_t size = file_.Size();
        int64_t end = file_.Position();
        TEntryHeader e;
        std::string stored;
        while (end < size && TQuillox::ReadEntryHeader(file_, e, stored)) {
            index_.emplace(KeyOf(stored), at_.size());
            at_.push_back(end);
            end = file_.Seek(e.StoredSize, TSeekOrigin::soCurrent);
        }
        if (end != size)
            throw Exception("Archive is damaged after its last complete entry; nothing can be added");
        replaced_.assign(at_.size(), false);
    }

    const TArchiveHeader& Header() const { return header_; }

    // Marks the entries stored under `stored` (letter case ignored) as replaced.
    void Replace(const std::string& stored) {
        const std::string folded = CaseFolded(stored);
        for (auto [it, end] = index_.equal_range(KeyOf(stored)); it != end; ++it) {
            TEntryHeader e;
            std::string path;
            file_.SetPosition(at_[it->second]);
            if (TQuillox::ReadEntryHeader(file_, e, path) && CaseFolded(path) == folded)
                replaced_[it->second] = true;
        }
    }

    // Copies every entry not replaced, in order.
    void CopyKept(TArchiveWriter& writer) {
        for (size_t i = 0; i < at_.size(); ++i) {
            if (replaced_[i]) continue;
            TStopRequestGuard::ThrowIfRequested();
            file_.SetPosition(at_[i]);
            writer.CopyEntry(file_);
        }
    }

private:
    TFileStream file_;
    TArchiveHeader header_;
    std::vector<int64_t> at_;
    std::vector<bool> replaced_;
    std::unordered_multimap<size_t, size_t> index_;  // KeyOf(stored path) -> entry
};

}  // namespace

void WriteArchive(const AddRequest& r, const std::vector<FileToAdd>& files,
                  const AddProgress& progress) {
    TStopRequestGuard stop;
    TQuillox q;
    q.Key = r.key;
    std::error_code ec;
    // A link to an archive: the archive it names is the one replaced.
    const std::string target =
        fs::is_symlink(r.archive, ec) ? fs::canonical(r.archive, ec).string() : r.archive;
    if (fs::is_directory(target, ec)) throw Exception("is a folder, not an archive");
    const fs::path folder = fs::path(target).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw Exception("no such folder to write it in");
    const bool exists = fs::exists(target, ec) && fs::file_size(target, ec) > 0;

    std::unique_ptr<TOldArchive> old;
    std::string method = r.method;
    if (exists) {
        const uint32_t attributes = platform::GetFileAttributes(target);
        if (attributes != platform::kInvalidFileAttributes && (attributes & platform::kAttrReadOnly))
            throw Exception("Cannot open file " + target + " for writing (read-only)");
        old = std::make_unique<TOldArchive>(q, target, method);
        if (r.methodGiven && method != r.method)
            Note(r.archive, "the archive was made with " + method + "; new entries use it");
        for (const auto& f : files) old->Replace(StoredBytes(r, f));
    }

    try {
        TTempArchive temp(target);
        if (old)
            WriteArchiveHeader(temp.Stream(), old->Header());
        else
            q.CreateArchive(temp.Stream(), method);
        TArchiveWriter writer(q, temp.Stream());

        int64_t done = 0, current = 0;
        q.OnShowProgress = [&](int32_t& pct) {
            TStopRequestGuard::ThrowIfRequested();
            if (progress) progress(done + current * pct / 100);
        };
        const auto add = [&](const FileToAdd& f) {
            TStopRequestGuard::ThrowIfRequested();
            current = f.size;
            const std::string file = FileOf(r, f);
            try {
                writer.AddFile(SystemPath(file), StoredBytes(r, f));
            } catch (const EInterrupted&) {
                throw;
            } catch (const EAddFailed&) {
                throw;
            } catch (const Exception& e) {
                throw EAddFailed(file, e.Message());
            }
            done += f.size;
        };
        for (const auto& f : files)
            if (f.size == 0) add(f);
        if (old) old->CopyKept(writer);
        for (const auto& f : files)
            if (f.size != 0) add(f);
        writer.Finish();
        old.reset();
        temp.Commit(exists);
    } catch (const EInterrupted&) {
        throw Exception(exists ? "interrupted; the archive is as it was"
                               : "interrupted; no archive was made");
    }
}
